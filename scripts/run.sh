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
# shellcheck disable=SC2016 # expanded by the inner shell
exec tests/with-xvfb.sh bash -c '
"$1" &
apid=$!
trap "kill $apid 2>/dev/null" EXIT INT TERM
for _ in $(seq 1 50); do
    sleep 0.2
    xdotool search --name "オルヴェイン" >/dev/null 2>&1 && break
done
sleep 1
import -window root "$2"
echo "The program runs on display $DISPLAY; screenshot of its window: $2"
echo "Press Ctrl+C to stop."
wait "$apid"' run.sh "$exe" "$PWD/build/orvane-screenshot.png"
