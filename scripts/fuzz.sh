#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs one of them, or all in turn:
#   scripts/fuzz.sh TARGET SECONDS     TARGET: bmp dib ppm tga jpg png png_paths dds texture
#                                      registry dxt,
#                                      or all
# The corpus grows in build-fuzz/corpus/TARGET; crashes land in build-fuzz/artifacts/TARGET;
# the log goes to $FUZZ_LOG_DIR (default build-fuzz/logs). FUZZ_RUNS caps the executions.
set -euo pipefail
cd "$(dirname "$0")/.."

targets=(bmp dib ppm tga jpg png png_paths dds texture registry dxt)
if [ $# -ne 2 ]; then
  echo "usage: scripts/fuzz.sh TARGET|all SECONDS   (targets: ${targets[*]})" >&2
  exit 2
fi

# clang and its libFuzzer runtime, installed only when missing.
missing=()
for p in clang libclang-rt-14-dev; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -ne 0 ]; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
scripts/install-deps.sh

build=build-fuzz
if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBOSQ_FUZZ=ON -DBOSQ_BENCHMARKS=OFF
fi

# Seeds: the generated files, the checked-in test files of the container (the suites among
# them), and every earlier finding of the target.
seed() {
  local target=$1 seeds="$build/seeds/$1"
  rm -rf "$seeds"
  mkdir -p "$seeds"
  "$build/fuzz/make_seeds" "$build/seeds-made"
  local made=$target
  if [ "$target" = png_paths ]; then made=png; fi
  if [ -d "$build/seeds-made/$made" ]; then cp "$build/seeds-made/$made"/* "$seeds/"; fi
  local patterns=()
  case $target in
    bmp | dib) patterns=("bmpsuite/*/*.bmp") ;;
    png | png_paths) patterns=("pngsuite/png/*.png") ;;
    jpg) patterns=("bmpsuite/reference/*.jpg") ;;
    texture) patterns=("pngsuite/png/[bt]*.png" "bmpsuite/g/*.bmp") ;;
  esac
  for pattern in "${patterns[@]}"; do
    for file in tests/data/suites/$pattern; do
      if [ -f "$file" ]; then cp "$file" "$seeds/$(basename "$(dirname "$file")")_$(basename "$file")"; fi
    done
  done
  if [ -d "tests/data/fuzz/$target" ]; then cp "tests/data/fuzz/$target"/* "$seeds/"; fi
}

run() {
  local target=$1 seconds=$2
  cmake --build "$build" --target "fuzz_$target" make_seeds
  seed "$target"
  local logs=${FUZZ_LOG_DIR:-$build/logs}
  mkdir -p "$build/corpus/$target" "$build/artifacts/$target" "$logs"
  local maxLen=65536
  if [ "$target" = registry ] || [ "$target" = dxt ]; then maxLen=8192; fi
  local dict=()
  local dictName=$target
  if [ "$target" = png_paths ]; then dictName=png; fi
  if [ -f "fuzz/dict/$dictName.dict" ]; then dict=(-dict="fuzz/dict/$dictName.dict"); fi
  # A header may ask for any size, and a few bytes of run-length codes may fill it. Past
  # 128 MiB (twice the largest texture the device makes, 4096 x 4096 x 4) an allocation fails
  # as on a full machine, so the loader's out-of-memory answers are exercised instead of the
  # run stopping on an out-of-memory report or slowing to a crawl zeroing huge buffers.
  ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1:max_allocation_size_mb=128" \
  UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" SDL_VIDEODRIVER=dummy \
    nice -n 19 "$build/fuzz/fuzz_$target" "${dict[@]}" -max_total_time="$seconds" \
      ${FUZZ_RUNS:+-runs=$FUZZ_RUNS} -max_len=$maxLen -timeout=30 -rss_limit_mb=2560 \
      -malloc_limit_mb=2560 -print_final_stats=1 -artifact_prefix="$build/artifacts/$target/" \
      "$build/corpus/$target" "$build/seeds/$target" 2>&1 | tee "$logs/$target.log"
}

if [ "$1" = all ]; then
  for target in "${targets[@]}"; do run "$target" "$2"; done
else
  run "$1" "$2"
fi
