#!/usr/bin/env bash
# Sets everything up and runs the whole test suite: the Release build, the
# programs' one-definition check under link-time optimisation, the
# real-level corpus (fetched and imported once; the run fails if it cannot
# be had), the tests, then the same tests under AddressSanitizer +
# UndefinedBehaviorSanitizer, and bounded fuzz runs of the OBJ reader, the
# whole build and the level importer.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
jobs=$(nproc)
fuzz_seconds=${PORTALWALK_FUZZ_SECONDS:-60}

echo "== Release build and tests"
cmake --preset release >/dev/null
cmake --build --preset release -j"$jobs"
echo "== The real-level corpus (tests labelled 'real' run on it)"
tools/real-levels.sh
ctest --preset release -j"$jobs"

# The programs again, linked with GCC's link-time optimisation: it sees every
# translation unit at once and fails the link when two types share a name.
echo "== One definition per type (the programs under -flto -Wodr)"
cmake --preset odr >/dev/null
cmake --build --preset odr -j"$jobs"

# fuzz TARGET [libFuzzer options]: a bounded run from the OBJ fixtures.
fuzz() {
  local target=$1
  shift
  local corpus
  corpus=$(mktemp -d)
  cp tests/data/obj/* "$corpus"/
  build/asan/tests/fuzz/"$target" -max_total_time="$fuzz_seconds" -print_final_stats=1 "$@" \
    "$corpus" 2>build/asan/"$target"-run.log || { tail -n 50 build/asan/"$target"-run.log; exit 1; }
  grep -E 'stat::number_of_executed_units' build/asan/"$target"-run.log || true
  rm -rf "$corpus"
}

# One sanitizer build (clang) serves the tests and the fuzz targets.
echo "== Sanitizer build (ASan + UBSan, with the libFuzzer targets) and tests"
cmake --preset asan >/dev/null
cmake --build --preset asan -j"$jobs"
# The corpus pixel checks are GL and ray casting over whole real maps; the
# Release run above covers them, and under the sanitizer they alone would
# take a third of the run. The corpus builds still run here.
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --preset asan -j"$jobs" -E '^Corpus/RealLevel\.noCullingHidesASpaceAPixelShows/'

echo "== Fuzzing the OBJ reader, the whole build and the level importer, for ${fuzz_seconds}s each"
fuzz obj_reader_fuzz
# Longer inputs are not built (see tests/fuzz/build_check.h).
fuzz build_fuzz -max_len=2048
fuzz levelimport_fuzz -seed_inputs=tests/data/ibsp/small.bsp
