#!/usr/bin/env bash
# Does all set-up on a fresh Debian 12 machine, builds the program and starts it. With an X display it starts there;
# without one it starts a private Xvfb display, runs the program on it, saves a screenshot of the window and keeps
# running until interrupted (Ctrl+C).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh dev
exe="$PWD/build/dev/src/app/orvane"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    exec "$exe"
fi

echo "No X display: starting a private Xvfb display."
fdfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" 2>/dev/null &
xpid=$!
cleanup() { kill "${apid:-}" 2>/dev/null || true; kill "$xpid" 2>/dev/null || true; rm -f "$fdfile"; }
trap cleanup EXIT INT TERM
for _ in $(seq 1 100); do [ -s "$fdfile" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$fdfile")"
"$exe" &
apid=$!
shot="$PWD/build/orvane-screenshot.png"
for _ in $(seq 1 50); do
    sleep 0.2
    xdotool search --name "オルヴェイン" >/dev/null 2>&1 && break
done
sleep 1
import -window root "$shot"
echo "The program runs on display $DISPLAY; screenshot of its window: $shot"
echo "Press Ctrl+C to stop."
wait "$apid"
