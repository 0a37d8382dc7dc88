#!/usr/bin/env bash
# Builds the programs that run work on several threads, and their tests, with ThreadSanitizer
# in build-tsan/, and runs those tests. Not part of ./test.sh, to keep its time.
# Usage: scripts/tsan.sh [CTEST ARGUMENTS...]
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build=build-tsan
# The threaded programs and the test programs that drive them.
targets=(
  texkit test_texkit_convert test_blit_in_bands
)
# The tests of those programs, as one ctest regular expression over test names.
tests="^(TexkitConvert|WorkPool|BlitInBands)\\."

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBOSQ_TSAN=ON \
  -DBOSQ_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --target "${targets[@]}"

export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
ctest --test-dir "$build" --output-on-failure -R "$tests" "$@"
