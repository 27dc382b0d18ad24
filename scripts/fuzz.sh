#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ in build-fuzz/ (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for SECONDS (default 25) from its seed corpus in
# fuzz/corpus/, adding what it finds to build-fuzz/corpus/. A crash, a sanitizer report or a
# failed check makes the status non-zero; the input that did it is kept in build-fuzz/findings/.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#   TARGET: record_decode record_code settings colour key_finder journal seal_record
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-25}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(record_decode record_code settings colour key_finder journal seal_record)

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DMURVEL_FUZZ=ON -DMURVEL_BUILD_TESTS=OFF -DMURVEL_BUILD_BENCH=OFF >/dev/null || exit 1
cmake --build build-fuzz --target fuzzers -j "$(nproc)" >/dev/null || {
  cmake --build build-fuzz --target fuzzers -j 1 2>&1 | tail -30
  exit 1
}

declare -A max_len=([record_decode]=511 [record_code]=600 [settings]=64 [colour]=300
  [key_finder]=1024 [journal]=4096 [seal_record]=5000)
status=0
mkdir -p build-fuzz/findings
for t in "${targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$t"
  log="build-fuzz/$t.log"
  # Standard output closed (-close_fd_mask=1): the colour text's "#" would fill it.
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "build-fuzz/bin/${t}_fuzz" -max_total_time="$seconds" -max_len="${max_len[$t]}" \
    -close_fd_mask=1 -print_final_stats=1 -artifact_prefix="build-fuzz/findings/$t-" \
    "build-fuzz/corpus/$t" "fuzz/corpus/$t" >"$log" 2>&1
  rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+' "$log" | tail -1)
  echo "fuzz $t: ${seconds}s, ${runs:-?} runs, ${cov:-no coverage line}, status $rc"
  if [ $rc -ne 0 ]; then
    status=1
    tail -40 "$log"
  fi
done
exit $status
