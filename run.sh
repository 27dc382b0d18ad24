#!/usr/bin/env bash
# Installs what is missing, builds into build/ and starts the window, passing the arguments on
# (files to open, as a desktop would pass them).
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
murvel_install_deps
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target murvel murvelctl
exec ./build/bin/murvel "$@"
