#!/usr/bin/env bash
# Builds every libFuzzer target with clang (in build-fuzz/) and runs each briefly on its seeds.
#   scripts/fuzz.sh          20 seconds a fuzzer
#   scripts/fuzz.sh SECONDS  another time a fuzzer
# New inputs go to a scratch directory first, so the seeds in fuzz/corpus stay as they are. A crash
# leaves its input in build-fuzz/artifacts/ and fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
build=build-fuzz
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DKUVRA_FUZZ=ON \
  -DKUVRA_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
fuzzers=()
for source in fuzz/*_fuzz.cpp; do fuzzers+=("$(basename "$source" .cpp)"); done
cmake --build "$build" -j "$(nproc)" --target "${fuzzers[@]}"

# The seeds of each fuzzer (none: it starts from nothing).
seeds() {
  case "$1" in
    line_fuzz | evaluation_plan_fuzz) echo fuzz/corpus/line ;;
    file_fuzz | equation_file_fuzz) echo fuzz/corpus/file ;;
    part_file_fuzz) echo fuzz/corpus/part ;;
    script_fuzz) echo fuzz/corpus/script ;;
  esac
}
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export ASAN_OPTIONS=detect_leaks=1
mkdir -p "$build/artifacts"
for fuzzer in "${fuzzers[@]}"; do
  scratch=$(mktemp -d)
  echo "fuzzing $fuzzer for ${seconds}s"
  log="$build/artifacts/$fuzzer.log"
  status=0
  # shellcheck disable=SC2046
  "$build/fuzz/$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$fuzzer-" "$scratch" $(seeds "$fuzzer") > "$log" 2>&1 || status=$?
  tail -n 12 "$log"
  rm -rf "$scratch"
  [ "$status" -eq 0 ] || { echo "$fuzzer failed (status $status)"; exit 1; }
done
