#!/usr/bin/env bash
# Installs what is missing, builds the program twice (plain, and with the address and
# undefined-behaviour sanitizers) and runs every test in both builds.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

run_build() {
  local dir=$1
  shift
  echo "== Building in $dir"
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTERLY_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  echo "== Testing in $dir"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

run_build build
run_build build-sanitize -DKESTERLY_SANITIZE=ON
echo "All tests passed in both builds."
