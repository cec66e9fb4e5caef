#!/usr/bin/env bash
# Side-by-side benchmark: the program's run engine on the real X11 backend next to xdotool (when installed), on a
# private Xvfb display, observed through XI2 raw events by a client of its own; then, where sway is installed, its
# Wayland backend next to wtype on a private headless sway, observed by the Wayland tests' observer client. Builds
# what it needs with the given CMake preset (ci by default; dev also works), prints the tables and asserts nothing.
# Takes about three minutes.
# Usage: scripts/bench.sh [ci|dev]
set -euo pipefail
preset="${1:-ci}"
cd "$(dirname "$0")/.."
cmake --preset "$preset" >/dev/null
targets=(orvane_bench orvane)
command -v sway >/dev/null 2>&1 && targets+=(waylandobserver)
cmake --build --preset "$preset" -j "$(nproc)" --target "${targets[@]}" >/dev/null
build="$PWD/build/$preset"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime"
QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime" tests/with-xvfb.sh --noreset \
    "$build/bench/orvane_bench" --program "$build/src/app/orvane" --home "$work/home"
if command -v sway >/dev/null 2>&1; then
    tests/with-sway.sh "$build/bench/orvane_bench" wayland "$build/tests/platform/wayland/waylandobserver"
else
    echo
    echo "Wayland rows left out: sway is not installed (apt-get install sway)"
fi
