#!/usr/bin/env bash
# Builds the Debian package on Debian 12: installs what the build needs, makes an optimised build of the program alone
# (no tests) with the distribution's hardening flags, and puts orvane_<version>_<arch>.deb into build/package/.
# Then check it with `bash scripts/check-package.sh build/package` and install it with
# `sudo apt install ./build/package/orvane_*.deb`.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset package >/dev/null
cmake --build --preset package -j "$(nproc)"
(cd build/package && cpack -G DEB)
ls -1 "$PWD"/build/package/orvane_*.deb
