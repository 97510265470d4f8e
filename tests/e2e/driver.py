"""The harness of the end-to-end suite: an X display, the demo data site on
Velmora's built-in address, the probe that reads windows from outside, real
mouse and keyboard input with xdotool, screenshots, and runs of a copy of the
real Velmora.exe under Wine."""

import contextlib
import json
import os
import shutil
import socket
import subprocess
import sys
import time
import urllib.request

DEMO_PORT = 18460  # the data site and version server Velmora.exe is built with
MAIN_CLASS = "VelmoraMainWindow"


class Failure(AssertionError):
    pass


def log(message):
    print("[e2e %7.2fs] %s" % (time.monotonic() - _started, message), flush=True)


_started = time.monotonic()


def wait_for(what, check, timeout, interval=0.05):
    """Calls check until it gives something true and returns that; fails with
    `what` when timeout seconds have passed."""
    deadline = time.monotonic() + timeout
    while True:
        value = check()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(interval)


def port_in_use(port):
    with socket.socket() as s:
        s.settimeout(0.5)
        return s.connect_ex(("127.0.0.1", port)) == 0


# --- the X display -------------------------------------------------------------


class Display:
    """The display given in DISPLAY, or a private Xvfb with fvwm started by
    scripts/display.sh and stopped again by its process ids."""

    def __init__(self, source):
        self.source = source
        self.pids = []

    def start(self):
        if os.environ.get("DISPLAY"):
            log("using the display %s" % os.environ["DISPLAY"])
            return
        if not shutil.which("Xvfb"):
            raise Failure("no display: DISPLAY is unset and Xvfb is not installed (scripts/setup installs it)")
        script = os.path.join(self.source, "scripts", "display.sh")
        out = subprocess.run(
            ["bash", "-c", 'source "$1" && start_xvfb && echo "$DISPLAY $xvfb_pid"', "bash", script],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, timeout=60)
        words = out.stdout.split()
        if out.returncode != 0 or len(words) != 2:
            raise Failure("no display: DISPLAY is unset and no Xvfb could be started")
        os.environ["DISPLAY"] = words[0]
        self.pids.append(int(words[1]))
        log("started Xvfb on %s (pid %s)" % (words[0], words[1]))

    def stop(self):
        for pid in self.pids:
            with contextlib.suppress(OSError):
                os.kill(pid, 15)
        self.pids = []


# --- the demo data site --------------------------------------------------------


class DemoSite:
    def __init__(self, source, work):
        self.source = source
        self.work = work
        self.process = None
        self.root = "http://127.0.0.1:%d" % DEMO_PORT

    def start(self):
        if port_in_use(DEMO_PORT):
            raise Failure("port %d is taken (is ./run or another demo site running?); "
                          "the end-to-end tests need it for themselves" % DEMO_PORT)
        port_file = os.path.join(self.work, "demo-port")
        with contextlib.suppress(FileNotFoundError):
            os.remove(port_file)
        self.output = open(os.path.join(self.work, "demo-site.out"), "wb")
        self.process = subprocess.Popen(
            [sys.executable, os.path.join(self.source, "demo", "server.py"), "--port", str(DEMO_PORT),
             "--port-file", port_file], stdout=self.output, stderr=subprocess.STDOUT)
        wait_for("the demo site to listen", lambda: os.path.exists(port_file), 15)

    def stop(self):
        if self.process:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
            self.process = None
            self.output.close()

    def get(self, path):
        with urllib.request.urlopen(self.root + path, timeout=10) as answer:
            return answer.read()

    def set(self, **settings):
        query = "&".join("%s=%s" % (k, v) for k, v in settings.items())
        self.get("/_control/set?" + query)

    def reset_log(self):
        self.get("/_control/reset-log")

    def requests(self):
        return self.get("/_control/requests").decode("latin-1").splitlines()


# --- the probe -------------------------------------------------------------------


class Probe:
    """e2e_probe.exe in its serving mode, in the same Wine prefix as Velmora."""

    def __init__(self, wine_run, prefix, exe, env):
        self.process = subprocess.Popen(
            [wine_run, "--prefix", prefix, "--", exe, "serve"], stdin=subprocess.PIPE,
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)

    def call(self, *words):
        line = " ".join(str(w) for w in words) + "\n"
        self.process.stdin.write(line.encode("utf-8"))
        self.process.stdin.flush()
        while True:
            answer = self.process.stdout.readline()
            if not answer:
                raise Failure("the probe ended unexpectedly")
            if answer.startswith(b"="):
                result = json.loads(answer[1:].decode("utf-8"))
                return result

    def stop(self):
        if self.process.poll() is None:
            with contextlib.suppress(OSError):
                self.process.stdin.write(b"quit\n")
                self.process.stdin.close()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()

    # Shorthands.
    def windows(self, visible_only=True):
        found = self.call("windows")["windows"]
        return [w for w in found if w["visible"] or not visible_only]

    def children(self, hwnd):
        return self.call("children", hwnd).get("children", [])

    def window(self, hwnd):
        return self.call("window", hwnd)

    def text(self, hwnd):
        return self.call("text", hwnd).get("text")

    def clipboard_hex(self):
        answer = self.call("clipboard")
        if "error" in answer:
            return None
        return answer["text"]


# --- input and screen ------------------------------------------------------------


def xdotool(*args):
    subprocess.run(["xdotool"] + [str(a) for a in args], check=True, timeout=20)


def centre(rect):
    return ((rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2)


def move(x, y):
    xdotool("mousemove", x, y, "sleep", "0.1")


def click(x, y, button=1):
    xdotool("mousemove", x, y, "sleep", "0.15", "click", button)


def double_click(x, y):
    xdotool("mousemove", x, y, "sleep", "0.15", "click", "--repeat", 2, "--delay", 80, 1)


def x_windows(title):
    """The X windows (ids) on the screen whose name is exactly title."""
    import re
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % re.escape(title)],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, timeout=20)
    return [int(w) for w in found.stdout.split()]


def x_focus():
    found = subprocess.run(["xdotool", "getwindowfocus"], stdout=subprocess.PIPE,
                           stderr=subprocess.DEVNULL, text=True, timeout=20)
    return int(found.stdout.strip() or 0)


def focus_by_click(title, x, y):
    """Clicks (x, y) in the window named title, as a user does to work in it,
    and makes sure the keyboard is then the window's. Under fvwm a Wine window
    takes the focus itself when the window manager offers it (WM_TAKE_FOCUS);
    the X server drops that request when its time stamp is older than the
    last focus change, so the window manager's part is done here when needed."""
    click(x, y)
    ids = wait_for("the X window named %r" % title, lambda: x_windows(title), 5)
    time.sleep(0.15)
    if x_focus() in ids:
        return
    xdotool("windowfocus", ids[0])
    wait_for("the keyboard focus on %r" % title, lambda: x_focus() in ids, 5)
    log("gave %r the keyboard focus (the window manager's hand-over was lost)" % title)


def key(*names):
    for name in names:
        xdotool("key", name)
        time.sleep(0.08)


class Screenshot:
    """The whole screen, taken with ImageMagick's import, as RGB pixels."""

    def __init__(self):
        data = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], stdout=subprocess.PIPE,
                              check=True, timeout=30).stdout
        fields = []
        at = 0
        while len(fields) < 4:
            while data[at:at + 1].isspace():
                at += 1
            if data[at:at + 1] == b"#":
                at = data.index(b"\n", at)
                continue
            end = at
            while not data[end:end + 1].isspace():
                end += 1
            fields.append(data[at:end])
            at = end
        if fields[0] != b"P6" or fields[3] != b"255":
            raise Failure("unexpected screenshot format %r" % fields)
        self.width, self.height = int(fields[1]), int(fields[2])
        self.pixels = data[at + 1:]

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.pixels[i:i + 3])

    def region(self, rect):
        left, top, right, bottom = rect
        for y in range(max(0, top), min(self.height, bottom)):
            for x in range(max(0, left), min(self.width, right)):
                yield self.pixel(x, y)

    def save(self, path):
        with open(path, "wb") as f:
            f.write(b"P6\n%d %d\n255\n" % (self.width, self.height))
            f.write(self.pixels)


def is_red(rgb):
    r, g, b = rgb
    return r >= 190 and g <= 90 and b <= 90


def is_dark(rgb):
    return max(rgb) <= 110


# --- Velmora runs --------------------------------------------------------------


class Session:
    """Everything one group of scenarios shares."""

    def __init__(self, args):
        self.args = args
        self.source = os.path.abspath(args.source)
        self.work = os.path.abspath(os.path.join(args.work, args.group))
        self.prefix = os.path.abspath(args.prefix)
        self.wine_run = os.path.join(self.source, "scripts", "wine-run")
        self.display = Display(self.source)
        self.demo = DemoSite(self.source, self.work)
        self.probe = None
        # Drive D: of the prefix is a folder of this group, so that the data
        # folder (D:\Karrow\Velmora\) and its export file can be read from here.
        self.drive_d = os.path.join(self.work, "drive-d")

    def env(self):
        env = dict(os.environ)
        env["VELMORA_DRIVE_D"] = self.drive_d
        env.pop("VELMORA_DEMO_SITE", None)
        return env

    def start(self):
        for tool in ("xdotool", "import"):
            if not shutil.which(tool):
                raise Failure("%s is missing (scripts/setup installs xdotool and imagemagick)" % tool)
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.drive_d)
        # wine-run maps drive D: in the prefix for the whole prefix; the
        # mapping found here is put back at the end for the other tests.
        self.drive_link = os.path.join(self.prefix, "dosdevices", "d:")
        self.drive_before = os.readlink(self.drive_link) if os.path.islink(self.drive_link) else None
        self.display.start()
        self.demo.start()
        log("starting the probe (the first start in a new prefix prepares it, ~40 s)")
        self.probe = Probe(self.wine_run, self.prefix, os.path.abspath(self.args.probe), self.env())
        self.probe.call("ping")
        log("probe ready")

    def stop(self):
        # Only what the scenarios started is ended (each run cleans up after
        # itself); other Wine tests may be using the same prefix meanwhile, so
        # its wineserver is left to stop by itself once the last program ends.
        if self.probe:
            self.probe.stop()
        self.restore_drive_d()
        self.demo.stop()
        if self.display.pids:
            # A private display: let the prefix's programs leave it first.
            env = dict(os.environ, WINEPREFIX=self.prefix)
            with contextlib.suppress(subprocess.TimeoutExpired):
                subprocess.run(["wineserver", "-w"], env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, timeout=20)
        self.display.stop()

    def restore_drive_d(self):
        link = getattr(self, "drive_link", None)
        if link is None or not os.path.isdir(os.path.dirname(link)):
            return
        if os.path.islink(link):
            os.remove(link)
        if self.drive_before is not None:
            os.symlink(self.drive_before, link)

    def run(self, name, mode="normal", version="current", stall=None, page=None):
        return VelmoraRun(self, name, mode, version, stall, page)

    # A registry value of HKEY_CURRENT_USER in the prefix.
    def delete_last_check_date(self):
        self.probe.call("regdelete", "Software\\Velmora", "lastCheckDate")

    def data_folder(self):
        return os.path.join(self.drive_d, "Karrow", "Velmora")


class VelmoraRun:
    """One start of a copy of Velmora.exe in a scratch folder of its own."""

    def __init__(self, session, name, mode, version, stall, page):
        self.session = session
        self.probe = session.probe
        self.name = name
        self.folder = os.path.join(session.work, name)
        os.makedirs(self.folder)
        self.exe = os.path.join(self.folder, "Velmora.exe")
        shutil.copyfile(session.args.velmora, self.exe)
        settings = {"mode": mode, "version": version}
        if stall is not None:
            settings["stall"] = stall
        if page is not None:
            settings["page"] = page
        session.demo.set(**settings)
        session.demo.reset_log()
        self.process = None
        self.hwnd = None
        self.exit_code = None
        self.started_at = None
        self.ended_at = None

    def __enter__(self):
        leftovers = [w for w in self.probe.windows() if w["class"] == MAIN_CLASS]
        if leftovers:
            raise Failure("a Velmora window of an earlier run is still open: %r" % leftovers)
        self.output = open(os.path.join(self.folder, "wine.out"), "wb")
        self.started_at = time.monotonic()
        self.process = subprocess.Popen(
            [self.session.wine_run, "--prefix", self.session.prefix, "--", self.exe],
            stdout=self.output, stderr=subprocess.STDOUT, env=self.session.env(), cwd=self.folder)
        log("%s: started Velmora.exe" % self.name)
        return self

    def __exit__(self, *exc):
        try:
            self.finish()
        finally:
            self.output.close()
        return False

    # --- the program's windows ---

    def main_window(self, timeout=30):
        """The main window, once it is on the screen."""
        def find():
            if self.process.poll() is not None:
                raise Failure("Velmora ended (exit code %s) before its window appeared" % self.process.returncode)
            for w in self.probe.windows():
                if w["class"] == MAIN_CLASS:
                    return w
            return None
        window = wait_for("Velmora's main window", find, timeout)
        if self.hwnd is None:
            log("%s: main window up after %.2f s" % (self.name, time.monotonic() - self.started_at))
        self.hwnd = window["hwnd"]
        return window

    def main_state(self):
        return self.probe.window(self.hwnd)

    def controls(self):
        """The main window's controls: the two lists told apart by their
        column headers, the tab control and the status bar."""
        found = {}
        for child in self.probe.children(self.hwnd):
            if child["class"] == "SysListView32":
                headers = [c["text"] for c in self.probe.call("list", child["hwnd"])["columns"]]
                found["issued" if "新股上市日" in headers else "upcoming"] = child["hwnd"]
            elif child["class"] == "SysTabControl32":
                found["tabs"] = child["hwnd"]
            elif child["class"] == "msctls_statusbar32":
                found["status"] = child["hwnd"]
        for part in ("upcoming", "issued", "tabs", "status"):
            if part not in found:
                raise Failure("the main window has no %s control" % part)
        return found

    def status(self, bar):
        return [p["text"] for p in self.probe.call("status", bar)["parts"]]

    def list(self, hwnd):
        return self.probe.call("list", hwnd)

    def wait_loaded(self, bar, timeout=30):
        from expected import STATUS_DONE
        return wait_for("the status bar to read " + STATUS_DONE,
                        lambda: len(self.status(bar)) > 1 and self.status(bar)[1] == STATUS_DONE, timeout)

    def focus(self, controls):
        """Clicks the status bar, where a click does nothing but bring the
        window to the front and give it the keyboard (never the caption: a
        press there starts the window manager's move)."""
        parts = self.probe.call("status", controls["status"])["parts"]
        focus_by_click(self.main_state()["title"], *centre(parts[1]["rect"]))

    def select_page(self, controls, page):
        tabs = self.probe.call("tabs", controls["tabs"])
        click(*centre(tabs["items"][page]["rect"]))
        wait_for("tab page %d to be selected" % page,
                 lambda: self.probe.call("tabs", controls["tabs"])["selected"] == page, 5)

    def top_windows_of_others(self, cls=None, title=None):
        out = []
        for w in self.probe.windows():
            if cls is not None and w["class"] != cls:
                continue
            if title is not None and w["title"] != title:
                continue
            out.append(w)
        return out

    # --- the end of the run ---

    def wait_exit(self, timeout):
        try:
            self.exit_code = self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure("Velmora did not end within %.0f s" % timeout)
        self.ended_at = time.monotonic()
        return self.exit_code

    def finish(self):
        """Ends what the run left behind: the program, Notepad, the updater,
        the winning-numbers window."""
        if self.process is None:
            return
        if self.process.poll() is None:
            if self.hwnd is not None:
                self.probe.call("close", self.hwnd)
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                for w in self.probe.windows(visible_only=False):
                    if w["class"] == MAIN_CLASS:
                        self.probe.call("kill", w["pid"])
                with contextlib.suppress(subprocess.TimeoutExpired):
                    self.process.wait(10)
        if self.process.poll() is None:
            self.process.kill()
        for w in self.probe.windows():
            if w["class"] == "Notepad" or w["exe"].lower().endswith("update.exe"):
                self.probe.call("kill", w["pid"])
        log("%s: done" % self.name)
