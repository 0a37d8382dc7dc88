#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs campaigns that add up:
#   scripts/fuzz.sh TARGET SECONDS     one campaign of TARGET (or all, each in turn)
#   scripts/fuzz.sh keep TARGET        merges the grown corpus into the kept one (see below)
#   scripts/fuzz.sh minimise TARGET    minimises the kept corpus again
#   scripts/fuzz.sh sum                 each target's campaigns summed
# Targets: bmp dib ppm tga jpg png png_paths dds texture registry dxt scene ddswrite texkit.
#
# A campaign starts from the target's kept corpus (tests/data/fuzz/TARGET: its findings and the
# inputs earlier campaigns kept), the generated seeds and the checked-in test files, and grows
# build-fuzz/corpus/TARGET. At the end the inputs of up to 4 KiB that reach edges the kept
# corpus does not are merged into it (libFuzzer's -merge=1; FUZZ_KEEP=0 leaves it alone), and
# one line is added to tests/data/fuzz/campaigns.tsv: date, target, seconds, executions,
# executions per second, edges (cov), features (ft), inputs kept, crashes. docs/RELIABILITY.md
# sums that table. After a merge, run test_fuzz_replay and review its new answers
# (fuzz_replay.actual.tsv) before copying them over tests/data/fuzz/replay_expected.tsv.
# Crashes land in build-fuzz/artifacts/TARGET; the log goes to $FUZZ_LOG_DIR (default
# build-fuzz/logs). FUZZ_RUNS caps the executions.
set -euo pipefail
cd "$(dirname "$0")/.."

targets=(bmp dib ppm tga jpg png png_paths dds texture registry dxt scene ddswrite texkit)
# The sums of the campaign table: runs, seconds, executions and the most edges of each target.
if [ "${1:-}" = sum ]; then
  awk -F'\t' 'NR > 1 { runs[$2]++; seconds[$2] += $3; executions[$2] += $4
                        if ($6 + 0 > edges[$2]) edges[$2] = $6 + 0 }
               END { for (t in runs) printf "%s\t%d runs\t%d s\t%d executions\t%d edges\n",
                                           t, runs[t], seconds[t], executions[t], edges[t] }' \
    tests/data/fuzz/campaigns.tsv | sort
  exit 0
fi
if [ $# -ne 2 ]; then
  echo "usage: scripts/fuzz.sh TARGET|all SECONDS | scripts/fuzz.sh keep|minimise TARGET |" \
    "scripts/fuzz.sh sum" >&2
  echo "  targets: ${targets[*]}" >&2
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
kept=tests/data/fuzz
keepLimit=4096

# Seeds: the generated files, the checked-in test files of the container (the suites among
# them). The kept corpus is passed to the fuzzer as a folder of its own.
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
}

options() {
  local target=$1
  maxLen=65536
  case $target in
    registry | dxt) maxLen=8192 ;;
    scene | texkit) maxLen=4096 ;;
    ddswrite) maxLen=16384 ;;
  esac
  dict=()
  local dictName=$target
  if [ "$target" = png_paths ]; then dictName=png; fi
  if [ -f "fuzz/dict/$dictName.dict" ]; then dict=(-dict="fuzz/dict/$dictName.dict"); fi
}

fuzzEnv() {
  # A header may ask for any size, and a few bytes of run-length codes may fill it. Past
  # 128 MiB (twice the largest texture the device makes, 4096 x 4096 x 4) an allocation fails
  # as on a full machine, so the loader's out-of-memory answers are exercised instead of the
  # run stopping on an out-of-memory report or slowing to a crawl zeroing huge buffers.
  # System libraries' own caches (fontconfig's, through the text of texkit sheet) are not leaks.
  ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1:max_allocation_size_mb=128" \
  LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0" \
  UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" SDL_VIDEODRIVER=dummy "$@"
}

# Merges the grown corpus's inputs of up to 4 KiB into the kept corpus: only those that reach
# edges the kept inputs do not are added (-use_counters=0: hit counts are not told apart, which
# keeps the corpus to a few hundred small files; the grown corpus keeps them all). An input
# that takes more than a second (a small file asking for a huge picture) is left out: the replay
# test runs every kept input in each ./test.sh.
keep() {
  local target=$1 staging="$build/keep-staging/$1"
  options "$target"
  rm -rf "$staging"
  mkdir -p "$staging" "$kept/$target"
  if [ -d "$build/corpus/$target" ]; then
    find "$build/corpus/$target" -type f -size -$((keepLimit + 1))c -exec cp {} "$staging/" \;
  fi
  local before
  before=$(find "$kept/$target" -type f | wc -l)
  fuzzEnv nice -n 19 "$build/fuzz/fuzz_$target" -merge=1 -use_counters=0 -max_len=$maxLen -timeout=1 \
    -rss_limit_mb=2560 -malloc_limit_mb=2560 "$kept/$target" "$staging" > "$build/keep-$target.log" 2>&1
  echo $(($(find "$kept/$target" -type f | wc -l) - before))
}

# Minimises the kept corpus again: its inputs named by their SHA-1 are set aside and merged back
# as a campaign's are, so that only those reaching an edge no other reaches stay. Named files
# (findings, seeds) always stay.
minimise() {
  local target=$1 aside="$build/minimise/$1"
  options "$target"
  rm -rf "$aside"
  mkdir -p "$aside"
  find "$kept/$target" -regextype posix-extended -regex '.*/[0-9a-f]{40}' -exec mv {} "$aside/" \;
  fuzzEnv nice -n 19 "$build/fuzz/fuzz_$target" -merge=1 -use_counters=0 -max_len=$maxLen -timeout=1 \
    -rss_limit_mb=2560 -malloc_limit_mb=2560 "$kept/$target" "$aside" > "$build/minimise-$target.log" 2>&1
  echo "$target: $(find "$aside" -type f | wc -l) inputs set aside, $(find "$kept/$target" -type f | wc -l) kept"
}

run() {
  local target=$1 seconds=$2
  cmake --build "$build" --target "fuzz_$target" make_seeds
  seed "$target"
  options "$target"
  local logs=${FUZZ_LOG_DIR:-$build/logs}
  mkdir -p "$build/corpus/$target" "$build/artifacts/$target" "$logs" "$kept/$target"
  local log="$logs/$target.log" status=0 crashesBefore
  # Slow inputs (over 10 s) are written beside the crashes but are not counted as crashes.
  crashesBefore=$(find "$build/artifacts/$target" -type f ! -name 'slow-unit-*' | wc -l)
  local started=$SECONDS
  fuzzEnv nice -n 19 "$build/fuzz/fuzz_$target" "${dict[@]}" -max_total_time="$seconds" \
      ${FUZZ_RUNS:+-runs=$FUZZ_RUNS} -max_len=$maxLen -timeout=30 -rss_limit_mb=2560 \
      -malloc_limit_mb=2560 -print_final_stats=1 -artifact_prefix="$build/artifacts/$target/" \
      "$build/corpus/$target" "$kept/$target" "$build/seeds/$target" > "$log" 2>&1 || status=$?
  local elapsed=$((SECONDS - started))
  local added=0
  if [ "${FUZZ_KEEP:-1}" != 0 ]; then added=$(keep "$target"); fi
  local executions perSecond cov ft crashes
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  # A run stopped by a crash prints no final statistics: its last status line counts.
  if [ -z "$executions" ]; then executions=$(grep -o '^#[0-9]*' "$log" | tail -1 | tr -d '#'); fi
  perSecond=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  if [ -z "$perSecond" ]; then perSecond=$((${executions:-0} / (elapsed > 0 ? elapsed : 1))); fi
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  crashes=$(($(find "$build/artifacts/$target" -type f ! -name 'slow-unit-*' | wc -l) - crashesBefore))
  if [ ! -f "$kept/campaigns.tsv" ]; then
    printf 'date\ttarget\tseconds\texecutions\tper_second\tedges\tfeatures\tkept_added\tcrashes\n' \
      > "$kept/campaigns.tsv"
  fi
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$(date -u +%Y-%m-%dT%H:%MZ)" "$target" "$elapsed" \
    "${executions:-0}" "${perSecond:-0}" "${cov:-0}" "${ft:-0}" "$added" "$crashes" >> "$kept/campaigns.tsv"
  tail -n 1 "$kept/campaigns.tsv"
  return $status
}

if [ "$1" = minimise ]; then
  cmake --build "$build" --target "fuzz_$2"
  minimise "$2"
elif [ "$1" = keep ]; then
  cmake --build "$build" --target "fuzz_$2"
  echo "kept $(keep "$2") new inputs of $2"
elif [ "$1" = all ]; then
  for target in "${targets[@]}"; do run "$target" "$2"; done
else
  run "$1" "$2"
fi
