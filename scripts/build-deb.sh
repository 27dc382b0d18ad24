#!/usr/bin/env bash
# Builds the two Debian packages, murvelctl and murvel, in build-pkg/ (or the folder given) with
# the flags Debian builds its packages with (dpkg-buildflags, every hardening feature: fortify,
# stack protector, PIE, relro, bindnow), and prints their paths. Needs dpkg-dev.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build-pkg}
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
# CMake reads CXXFLAGS and LDFLAGS, not CPPFLAGS (where _FORTIFY_SOURCE is).
export CXXFLAGS="$CPPFLAGS $CXXFLAGS"
# The flags are read when the folder is first configured: a folder made without them starts anew.
if [ -f "$out/CMakeCache.txt" ] && ! grep -q -- "_FORTIFY_SOURCE" "$out/CMakeCache.txt"; then
  rm -rf "$out"
fi
cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DMURVEL_BUILD_TESTS=OFF -DMURVEL_BUILD_BENCH=OFF >/dev/null
cmake --build "$out" -j2 >&2
rm -f "$out"/murvel*_*.deb
(cd "$out" && cpack -G DEB >/dev/null)
ls "$out"/murvel*_*.deb
