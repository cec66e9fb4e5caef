#!/usr/bin/env bash
# Installs every Debian 12 package needed to build, run and test the program. Needs root (or sudo).
set -euo pipefail

packages=(
    # build
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    # the English translation (lupdate, lrelease) and Qt's own dialog texts
    qt6-l10n-tools qt6-tools-dev qt6-tools-dev-tools qt6-translations-l10n
    # X11 input backend
    libx11-dev libxtst-dev libxi-dev libx11-xcb-dev libxcb1-dev libxcb-xtest0-dev libxcb-keysyms1-dev
    libxkbcommon-dev libxkbcommon-x11-dev libxrandr-dev libxinerama-dev
    # Wayland input backend (wlroots compositors) and the toolkit's Wayland platform
    libwayland-dev wayland-protocols qt6-wayland
    # tests and the headless start: a private X server, X tools, screenshots, a Japanese font
    xvfb xauth x11-utils x11-xserver-utils x11-xkb-utils xinput xdotool imagemagick fonts-ipafont-gothic
    # Wayland tests and benchmark: a headless sway, and wtype as the peer
    sway wtype
    # sanitizer builds and fuzz targets: clang with its sanitizer and libFuzzer runtimes
    clang libclang-rt-14-dev
    # the Windows backend, cross-compiled and checked under Wine
    g++-mingw-w64-x86-64-posix wine wine64
    # the Debian package and its checks (scripts/package.sh, scripts/check-package.sh)
    dpkg-dev fakeroot file lintian desktop-file-utils appstream libxml2-utils shared-mime-info gzip
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
