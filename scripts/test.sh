#!/usr/bin/env bash
# Does all set-up on a fresh Debian 12 machine, builds with warnings as errors and runs every test.
# Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh ci
ctest --preset ci --output-on-failure
