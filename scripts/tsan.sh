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
  # texkit convert's workers, and the blit engine's bands they share.
  texkit test_texkit_convert test_blit_in_bands
  # The software device's draw threads: every drawing test of the device, which CTest runs on
  # one draw thread and again on four, and the thread tests themselves.
  test_d3d8_draw_threads test_d3d8_rasterizer_exact test_d3d8_rasterizer_sampling
  test_d3d8_draw_rules test_d3d8_present test_d3d8_locks test_d3d8_copy_update
  test_d3d8_state_blocks test_d3d8_references test_d3d8_resources
  # Random scenes on one draw thread against several.
  test_scene_threads
  # A scene played by the draw threads while the caller rasterises and uploads text.
  test_text_draw
)
# The tests of those programs, as one ctest regular expression over test names.
tests="^(TexkitConvert|WorkPool|BlitInBands"
tests+="|DrawThreadsTest|DrawThreadsRuns|ExactRasterTest|SamplingTest|DrawRuleTest|PresentTest|LockTest|CopyTest"
tests+="|StateBlockTest|ReferenceTest|ResourceTest|SceneThreads|Tiles/TextDrawTest)\\."

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBOSQ_TSAN=ON \
  -DBOSQ_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --target "${targets[@]}"

export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
ctest --test-dir "$build" --output-on-failure -R "$tests" "$@"
