#!/usr/bin/env bash
# Installs what is missing, builds everything but the benchmarks with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh

build=build-sanitize
# The benchmarks measure release builds only (see the README); they are not built here.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBOSQ_SANITIZE=ON \
  -DBOSQ_BENCHMARKS=OFF
cmake --build "$build"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Most tests are short processes that spend as long starting as computing: two per core.
ctest --test-dir "$build" --output-on-failure -j "$((2 * $(nproc)))"
