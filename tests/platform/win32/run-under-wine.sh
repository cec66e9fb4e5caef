#!/usr/bin/env bash
# Runs one Windows console program under Wine in a fresh private Wine prefix and removes the prefix afterwards.
# Run it inside with-xvfb.sh, which provides the private X display that Wine's windows live on.
# Usage: run-under-wine.sh <wine64> <wineserver> <program.exe> [args...]
set -u
if [ $# -lt 3 ]; then
    echo "usage: run-under-wine.sh <wine64> <wineserver> <program.exe> [args...]" >&2
    exit 2
fi
wine=$1
wineserver=$2
shift 2
if [ -z "${DISPLAY:-}" ]; then
    echo "run-under-wine.sh: no DISPLAY; run me through with-xvfb.sh" >&2
    exit 1
fi

# Wine wants a home directory even though everything it writes goes into the prefix.
export HOME="${HOME:-$(mktemp -d "${TMPDIR:-/tmp}/orvane-home.XXXXXX")}"
prefix=$(mktemp -d "${TMPDIR:-/tmp}/orvane-wine.XXXXXX")
export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG=-all
# Neither Mono nor Gecko is needed, and with no network wineboot would only try to fetch them.
export WINEDLLOVERRIDES="mscoree=;mshtml="
cleanup() {
    "$wineserver" -k >/dev/null 2>&1
    "$wineserver" -w >/dev/null 2>&1
    rm -rf "$prefix"
}
trap cleanup EXIT

start=$(date +%s%N)
if ! timeout 240 "$wine" wineboot --init >"$prefix/wineboot.log" 2>&1; then
    echo "run-under-wine.sh: wineboot failed or timed out; its output:" >&2
    cat "$prefix/wineboot.log" >&2
    exit 1
fi
booted=$(date +%s%N)
echo "run-under-wine.sh: Wine prefix prepared in $(( (booted - start) / 1000000 )) ms"

timeout 240 "$wine" "$@"
rc=$?
done_at=$(date +%s%N)
if [ $rc -eq 124 ]; then
    echo "run-under-wine.sh: $1 did not finish within 240 s" >&2
fi
echo "run-under-wine.sh: program ran $(( (done_at - booted) / 1000000 )) ms, exit code $rc"
exit $rc
