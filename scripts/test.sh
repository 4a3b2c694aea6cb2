#!/usr/bin/env bash
# The whole test suite from a fresh Debian 12 machine: installs what is missing,
# configures, builds (sanitizers on, warnings as errors) and runs every test with
# ctest, the central-server tests against a throwaway PostgreSQL cluster.
# Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

preset=${ZELV_TEST_PRESET:-asan}
jobs=${ZELV_JOBS:-$(nproc)}

scripts/install-deps.sh
cmake --preset "$preset"
cmake --build --preset "$preset" -j "$jobs"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
scripts/with-pg.sh ctest --preset "$preset" -j "$jobs" --timeout 600
