# Sourced: start_xvfb starts an Xvfb on a free display number, exports DISPLAY
# and sets xvfb_pid. The caller stops it by that process id. A light window
# manager runs on it as on a desktop (Wine waits for one when windows are hidden
# or destroyed, and focus and activation behave as users know them); it ends
# with the display.
start_xvfb() {
  local n
  for n in $(seq 91 160); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -ac >/dev/null 2>&1 &
    xvfb_pid=$!
    local i
    for i in $(seq 1 100); do
      if [ -e "/tmp/.X11-unix/X$n" ]; then
        export DISPLAY=":$n"
        start_window_manager
        return 0
      fi
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.05
    done
    kill "$xvfb_pid" 2>/dev/null
    xvfb_pid=""
  done
  return 1
}

start_window_manager() {
  command -v fvwm >/dev/null 2>&1 || return 0
  local config
  config=$(mktemp /tmp/velmora-fvwm.XXXXXX)
  # No pager, no icons, click to focus, new windows placed where they ask to be.
  cat >"$config" <<'FVWM'
Style * ClickToFocus, UsePPosition, NoIcon, NoTitle, BorderWidth 0, HandleWidth 0
DesktopSize 1x1
FVWM
  fvwm -f "$config" -s >/dev/null 2>&1 &
  local i
  for i in $(seq 1 40); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.05
  done
  rm -f "$config"
}
