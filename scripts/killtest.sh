#!/usr/bin/env bash
# Kills murvelctl with SIGKILL N times at random moments while it codes or decodes files of
# 1 MiB up to MAX_MIB (default 1024), and checks after each that the next look leaves the file
# whole; then once before each of its file calls in turn. Then the same for sealing and
# unsealing (N / 5 kills, or $MURVEL_SEAL_KILLS, files up to MAX_MIB / 2), where the look
# without the password must leave an interrupted change exactly as it is and say so, and the
# password settle it. Prints the figures.
#
# Usage: scripts/killtest.sh N [MAX_MIB] [FOLDER]
#   FOLDER: where the files are made (default /var/tmp); its file system must keep user
#   attributes and have room for two files of MAX_MIB.
# The test suite runs the same tests with 60 kills (12 of sealings) of files up to 64 MiB.
set -euo pipefail
cd "$(dirname "$0")/.."
kills=${1:?usage: scripts/killtest.sh N [MAX_MIB] [FOLDER]}
max=${2:-1024}
folder=${3:-/var/tmp}
source scripts/deps.sh
murvel_install_packages "${MURVEL_BUILD_PACKAGES[@]}" "${MURVEL_TEST_PACKAGES[@]}"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMURVEL_BUILD_TESTS=ON >/dev/null
cmake --build build --target kill_tests murvelctl >/dev/null
MURVEL_KILLS=$kills MURVEL_KILL_MAX_MIB=$max MURVEL_KILL_DIR=$folder \
  build/bin/kill_tests --gtest_brief=1
