#!/usr/bin/env bash
# Side-by-side benchmark: the program's run engine on the real X11 backend next to xdotool (when installed), on a
# private Xvfb display, observed through XI2 raw events by a client of its own; then, where sway is installed, its
# Wayland backend next to wtype on a private headless sway, observed by the Wayland tests' observer client. Builds
# what it needs with the given CMake preset (ci by default; dev also works), prints the tables and asserts nothing.
# Takes about three minutes. The start-up row's peer is Actiona (Debian package actiona), measured where it is
# installed; --install-peers installs it first (never done by the test command). --only measures those X11 rows alone.
# Usage: scripts/bench.sh [ci|dev] [--install-peers] [--only typing,dense,cadence,stop,idle,startup,recording]
set -euo pipefail
preset="${1:-ci}"
shift $(($# > 0 ? 1 : 0))
if [ "${1:-}" = "--install-peers" ]; then
    shift
    command -v actiona >/dev/null 2>&1 || { apt-get update -qq && apt-get install -y -qq actiona >/dev/null; }
fi
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
    "$build/bench/orvane_bench" --program "$build/src/app/orvane" --home "$work/home" "$@"
if [ $# -gt 0 ]; then
    exit 0 # some X11 rows alone
fi
if command -v sway >/dev/null 2>&1; then
    tests/with-sway.sh "$build/bench/orvane_bench" wayland "$build/tests/platform/wayland/waylandobserver"
else
    echo
    echo "Wayland rows left out: sway is not installed (apt-get install sway)"
fi
