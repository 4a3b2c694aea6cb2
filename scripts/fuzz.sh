#!/bin/sh
# Builds the fuzz targets (the "fuzz" preset: clang, libFuzzer, address and
# undefined sanitizers) and runs one target, or each in turn, for SECONDS
# (default 60) or RUNS executions, on a working corpus seeded from
# tests/fuzz/corpus/TARGET. A crashing input is left in
# build/fuzz/findings/TARGET; copy it into the seed corpus once fixed, so
# that the test suite replays it. The whole libFuzzer output is kept in
# build/fuzz/logs/TARGET.log. A unit taking over a minute counts as a hang
# (a shorter limit fires falsely on a machine busy with builds).
#   scripts/fuzz.sh [TARGET] [SECONDS] [RUNS]
set -eu
cd "$(dirname "$0")/.."
targets="config dates variables barcode rss textfiles xlsx csv manifest mtx"
[ $# -ge 1 ] && [ -n "$1" ] && [ "$1" != all ] && targets="$1"
seconds="${2:-60}"
runs="${3:--1}"
jobs="${JOBS:-2}"

cmake --preset fuzz >/dev/null
for t in $targets; do
    cmake --build build/fuzz --target "fuzz_$t" -j "$jobs"
done
for t in $targets; do
    work="build/fuzz/corpus/$t"
    findings="build/fuzz/findings/$t"
    log="build/fuzz/logs/$t.log"
    mkdir -p "$work" "$findings" build/fuzz/logs
    echo "== fuzz_$t: ${seconds}s"
    ASAN_OPTIONS=detect_leaks=0 "build/fuzz/tests/fuzz/fuzz_$t" "$work" "tests/fuzz/corpus/$t" \
        -max_total_time="$seconds" -runs="$runs" -max_len=4096 -timeout=60 \
        -artifact_prefix="$findings/" -print_final_stats=1 >"$log" 2>&1 || true
    grep -E "^stat::number_of_executed_units|^stat::new_units_added|ERROR|SUMMARY|Test unit written|^Done" "$log" || true
done
