#!/usr/bin/env bash
# The long soak: an endless run of PAGES (100,000 by default) fast pages of every kind on the fake backend, printing
# the thread count and resident memory it samples. The test command runs the short version (10,000 pages).
set -euo pipefail
pages="${1:-100000}"
cd "$(dirname "$0")/.."
cmake --preset ci >/dev/null
cmake --build --preset ci --target tst_soak
ORVANE_SOAK_PAGES="$pages" QT_QPA_PLATFORM=offscreen build/ci/tests/hardening/tst_soak
