#!/bin/sh
# Stands in for the browser in tests: writes down the addresses it was asked to open.
printf '%s\n' "$@" >>"${VELMORA_BROWSER_LOG:-/tmp/velmora-browser.log}"
