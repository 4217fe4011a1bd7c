#!/usr/bin/env bash
# Sets everything up and runs the whole test suite: the Release build, a
# bounded fuzz run of the OBJ reader, then the same tests under
# AddressSanitizer + UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
jobs=$(nproc)
fuzz_seconds=${PORTALWALK_FUZZ_SECONDS:-60}

echo "== Release build and tests"
cmake --preset release >/dev/null
cmake --build --preset release -j"$jobs"
ctest --preset release -j"$jobs"

echo "== Fuzzing the OBJ reader for ${fuzz_seconds}s (ASan + UBSan)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$jobs" --target obj_reader_fuzz
corpus=$(mktemp -d)
cp tests/data/obj/* "$corpus"/
build/fuzz/tests/fuzz/obj_reader_fuzz -max_total_time="$fuzz_seconds" -print_final_stats=1 \
  "$corpus" 2>build/fuzz/fuzz-run.log || { tail -n 50 build/fuzz/fuzz-run.log; exit 1; }
grep -E 'stat::number_of_executed_units' build/fuzz/fuzz-run.log || true
rm -rf "$corpus"

echo "== Sanitizer build and tests"
cmake --preset asan >/dev/null
cmake --build --preset asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset asan -j"$jobs"
