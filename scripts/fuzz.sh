#!/usr/bin/env bash
# Runs every fuzz target for SECONDS (60 by default), two at a time (one per core), each from its seed corpus plus
# what earlier runs found (kept in build/asan/fuzz/<target>/corpus). An input that crashes, hangs for more than a
# second or runs out of memory fails the script; it is left in a temporary folder (printed at the start and with each
# failure), never in the source tree. Prints each target's executions and coverage. Needs clang with libFuzzer
# (scripts/install-deps.sh installs it).
set -euo pipefail
seconds="${1:-60}"
cd "$(dirname "$0")/.."

cmake --preset asan >/dev/null
listing=build/asan/fuzz-targets.txt
if ! grep -q '^libfuzzer=ON$' "$listing"; then
    echo "fuzz.sh: libFuzzer is not available (see the configure message of the asan preset); nothing fuzzed"
    exit 0
fi
read -r -a targets <<<"$(sed -n 's/^targets=//p' "$listing" | tr ';' ' ')"
cmake --build --preset asan --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0"
jobs_max="$(nproc)"
artifacts="$(mktemp -d "${TMPDIR:-/tmp}/orvane-fuzz.XXXXXX")"
echo "fuzz artifacts (crash-*, leak-*, timeout-*, oom-*) go to $artifacts"
for t in "${targets[@]}"; do
    work="build/asan/fuzz/$t"
    mkdir -p "$work/corpus" "$artifacts/$t"
    cp -n fuzz/corpus/"$t"/* "$work/corpus/"
    while [ "$(jobs -rp | wc -l)" -ge "$jobs_max" ]; do wait -n || true; done
    echo "fuzzing $t for ${seconds}s"
    "build/asan/fuzz/fuzz_$t" "$work/corpus" -max_total_time="$seconds" -timeout=1 -rss_limit_mb=2048 \
        -malloc_limit_mb=2048 -max_len=65536 -print_final_stats=1 -artifact_prefix="$artifacts/$t/" \
        >"$work/log" 2>&1 &
done
wait || true

failed=0
printf '%-16s %12s %8s %8s %8s\n' target executions exec/s cov corpus
for t in "${targets[@]}"; do
    work="build/asan/fuzz/$t"
    execs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")"
    rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/log")"
    cov="$(grep -o 'cov: [0-9]*' "$work/log" | tail -1 | cut -d' ' -f2)"
    printf '%-16s %12s %8s %8s %8s\n' "$t" "${execs:-?}" "${rate:-?}" "${cov:-?}" "$(ls "$work/corpus" | wc -l)"
    if [ -n "$(ls -A "$artifacts/$t")" ] || [ -z "$execs" ]; then
        failed=1
        echo "== $t FAILED: $(ls "$artifacts/$t" | tr '\n' ' ')(in $artifacts/$t)"
        grep -B2 -A30 -m1 -E 'ERROR|==[0-9]+==|check failed|runtime error' "$work/log" | head -60 || tail -30 "$work/log"
    fi
done
# Nothing found: nothing to keep.
[ "$failed" = 1 ] || rm -rf "$artifacts"
exit "$failed"
