#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the normal
# build, the same tests under address and undefined-behaviour sanitizers, and
# the reader fuzzers for a fixed number of runs. In between, the plain Release
# build a packager types first is built (its tests are the normal build's),
# and the Debian package made from it is checked.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)

cmake --preset default
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release
cmake --build build-release -j "$jobs"
scripts/check-package.sh build-release

cmake --preset asan
cmake --build --preset asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
  LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0 \
  ctest --preset asan -j "$jobs"

cmake --preset fuzz
cmake --build --preset fuzz -j "$jobs"
for f in build-fuzz/bin/fuzz_*; do
  [ -x "$f" ] || continue
  echo "== $(basename "$f")"
  name=$(basename "$f")
  mkdir -p "build-fuzz/corpus/$name"
  # New inputs go to the first folder; the committed seeds reach the rarer tag forms.
  seeds=(); [ -d "fuzz/seeds/$name" ] && seeds=("fuzz/seeds/$name")
  "$f" -runs="${TZ_FUZZ_RUNS:-50000}" -seed=1 -max_len=16384 -rss_limit_mb=2048 \
    "build-fuzz/corpus/$name" "${seeds[@]}" 2>&1 | tail -n 3
done
echo "all test stages passed"
