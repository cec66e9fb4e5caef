#!/usr/bin/env bash
# Side-by-side benchmark: the program's run engine on the real X11 backend next to xdotool (when installed), on a
# private Xvfb display, observed through XI2 raw events by a client of its own. Builds what it needs with the given
# CMake preset (ci by default; dev also works), prints one table and asserts nothing. Takes about two minutes.
# Usage: scripts/bench.sh [ci|dev]
set -euo pipefail
preset="${1:-ci}"
cd "$(dirname "$0")/.."
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)" --target orvane_bench orvane >/dev/null
build="$PWD/build/$preset"

work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
xpid=$!
trap 'kill $xpid 2>/dev/null; wait $xpid 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$work/runtime"
"$build/bench/orvane_bench" --program "$build/src/app/orvane" --home "$work/home"
