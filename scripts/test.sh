#!/usr/bin/env bash
# Does all set-up on a fresh Debian 12 machine, builds with warnings as errors and runs every test: the CI build,
# then the unit and X11 tests under AddressSanitizer + UndefinedBehaviorSanitizer, the run engine and backend tests
# under ThreadSanitizer, and each fuzz target for a minute. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
step() {
    echo "== $1: $(( SECONDS - step_start )) s"
    step_start=$SECONDS
}
step_start=$SECONDS
bash scripts/install-deps.sh
step "set-up"
bash scripts/build.sh ci
step "ci build"
ctest --preset ci --output-on-failure
step "ci tests"

# The sanitizer builds skip the Windows cross-build (their presets switch it off). ThreadSanitizer builds only
# what its tests (labelled "threads") need.
bash scripts/build.sh asan
step "asan build"
ctest --preset asan --output-on-failure
step "asan tests"
cmake --preset tsan >/dev/null
cmake --build --preset tsan
step "tsan build"
ctest --preset tsan --output-on-failure
step "tsan tests"
bash scripts/fuzz.sh 60
step "fuzzing"
