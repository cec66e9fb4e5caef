#!/usr/bin/env bash
# Configures and builds with the given CMake preset (dev by default).
set -euo pipefail
preset="${1:-dev}"
cd "$(dirname "$0")/.."
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)"
