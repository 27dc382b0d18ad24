#!/usr/bin/env bash
# Installs what building and running need (scripts/deps.sh: MURVEL_BUILD_PACKAGES), builds the
# two programs into build/ and starts the window, passing the arguments on (files to open, as a
# desktop would pass them). The tests are test.sh's, with their packages.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
murvel_install_packages "${MURVEL_BUILD_PACKAGES[@]}"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMURVEL_BUILD_TESTS=OFF \
  -DMURVEL_BUILD_BENCH=OFF >/dev/null
cmake --build build --target murvel murvelctl
exec ./build/bin/murvel "$@"
