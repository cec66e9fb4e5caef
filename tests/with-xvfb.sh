#!/usr/bin/env bash
# Runs one command on a private Xvfb display and stops the server afterwards, so that no test touches the
# developer's desktop. Usage: with-xvfb.sh [--noreset] <command> [args...]
# --noreset keeps the server's state when its last client goes, as on a real desktop where other clients always
# remain: what a killed client left behind then stays for the next one to see.
set -u
xvfbargs=()
if [ "${1:-}" = "--noreset" ]; then
    xvfbargs+=(-noreset)
    shift
fi
if ! command -v Xvfb >/dev/null 2>&1; then
    echo "with-xvfb.sh: Xvfb is not installed (apt-get install xvfb)" >&2
    exit 1
fi
# -displayfd lets the server pick a free display number and tell us which.
fdfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp "${xvfbargs[@]}" 3>"$fdfile" 2>/dev/null &
xpid=$!
trap 'kill $xpid 2>/dev/null; wait $xpid 2>/dev/null; rm -f "$fdfile"' EXIT
for _ in $(seq 1 100); do
    [ -s "$fdfile" ] && break
    sleep 0.1
done
if [ ! -s "$fdfile" ]; then
    echo "with-xvfb.sh: Xvfb did not start" >&2
    exit 1
fi
export DISPLAY=":$(head -n1 "$fdfile")"
unset WAYLAND_DISPLAY
"$@"
