#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with ctest. Two configurations:
#   build/       optimised, runs every test including the slow ones (labelled "slow");
#   build-asan/  AddressSanitizer + UndefinedBehaviorSanitizer, runs all but the slow ones;
# and, with the sanitizers too, the libFuzzer targets of fuzz/ (build-fuzz/, clang), each for a
# bounded time (scripts/fuzz.sh). The exit status is the tests' status.
set -uo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
murvel_install_packages "${MURVEL_BUILD_PACKAGES[@]}" "${MURVEL_TEST_PACKAGES[@]}" || { echo "test.sh: could not install the packages"; exit 1; }
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

build() {  # dir, extra cmake args...
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null && cmake --build "$dir" -j "$jobs"
}

status=0
build build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMURVEL_BUILD_TESTS=ON -DMURVEL_BUILD_BENCH=ON || exit 1
(cd build && ctest --output-on-failure -j "$jobs") || status=1

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
build build-asan -DCMAKE_BUILD_TYPE=Debug -DMURVEL_SANITIZE=ON -DMURVEL_BUILD_TESTS=ON \
  -DMURVEL_BUILD_BENCH=OFF || exit 1
(cd build-asan && ctest --output-on-failure -j "$jobs" -LE slow) || status=1
scripts/fuzz.sh 20 || status=1
exit $status
