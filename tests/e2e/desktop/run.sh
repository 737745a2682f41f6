#!/usr/bin/env bash
# Runs one desktop scenario on an X server and a session bus of its own:
#   PINORA_BIN=build/bin bash tests/e2e/desktop/run.sh SCENARIO.py
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
fifo="$(mktemp -u)"
mkfifo "$fifo"
setsid Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$fifo" >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; rm -f "$fifo"' EXIT
read -r display <"$fifo"
export DISPLAY=":$display"
# A layout with é on a key of its own, so that typing it needs no key remapped for a moment
# (which the program may read too late); every other character is typed by its symbol.
setxkbmap fr
cd "$here"
dbus-run-session -- /usr/bin/python3 "$@" 2>&1 | grep -v -e "Failed to set fd limit" -e "Activating service" \
  -e "Successfully activated" -e "SpiRegistry daemon"
exit "${PIPESTATUS[0]}"
