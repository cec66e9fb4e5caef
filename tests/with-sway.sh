#!/usr/bin/env bash
# Runs one command against a private headless sway and stops the compositor afterwards, so that no test touches the
# developer's desktop. Usage: with-sway.sh <command> [args...]
# sway refuses to run as root, so under root (CI) it runs as the system user orvane-test, created on first use; the
# command itself runs as the caller, with a runtime directory of its own and WAYLAND_DISPLAY naming sway's socket.
set -u
if ! command -v sway >/dev/null 2>&1; then
    echo "with-sway.sh: sway is not installed (apt-get install sway)" >&2
    exit 1
fi
as_user=()
base=$(mktemp -d /tmp/orvane-sway.XXXXXX)
chmod 711 "$base"
mkdir -m 700 "$base/sway" "$base/client"
if [ "$(id -u)" -eq 0 ]; then
    id -u orvane-test >/dev/null 2>&1 ||
        useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin orvane-test
    chown orvane-test: "$base/sway"
    as_user=(setpriv --reuid=orvane-test --regid=orvane-test --init-groups)
fi
cat >"$base/sway/config" <<'CONFIG'
output HEADLESS-1 mode 1280x1024 position 0 0
default_border none
xwayland disable
CONFIG
env -i PATH="$PATH" HOME="$base/sway" XDG_RUNTIME_DIR="$base/sway" WLR_BACKENDS=headless WLR_RENDERER=pixman \
    WLR_LIBINPUT_NO_DEVICES=1 WLR_HEADLESS_OUTPUTS=1 "${as_user[@]}" sway -c "$base/sway/config" >"$base/sway.log" 2>&1 &
spid=$!
trap 'kill $spid 2>/dev/null; wait $spid 2>/dev/null; rm -rf "$base"' EXIT
for _ in $(seq 1 100); do
    socket=$(find "$base/sway" -maxdepth 1 -name 'wayland-*' -type s 2>/dev/null | head -n1)
    [ -n "$socket" ] && break
    sleep 0.1
done
if [ -z "$socket" ]; then
    echo "with-sway.sh: sway did not start" >&2
    cat "$base/sway.log" >&2
    exit 1
fi
export WAYLAND_DISPLAY="$socket" XDG_RUNTIME_DIR="$base/client"
unset DISPLAY XDG_SESSION_TYPE
"$@"
