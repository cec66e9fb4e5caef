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
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime"
QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime" tests/with-xvfb.sh --noreset \
    "$build/bench/orvane_bench" --program "$build/src/app/orvane" --home "$work/home"
