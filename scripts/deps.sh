#!/usr/bin/env bash
# The Debian packages the project needs, in two lists, and the function that installs those that
# are missing. Sourced by run.sh (building and running: MURVEL_BUILD_PACKAGES), test.sh (both
# lists) and package-test.sh. Uses sudo when not root; does nothing when all are present.

# Building both programs and running the window: the compiler and build tools, the libraries,
# the tools a start runs to install the coded type for the user (update-mime-database,
# update-desktop-database), and Qt's Wayland plugin for a Wayland desktop. debian/control's
# Build-Depends ask for the same (tests/dist/deps-test.sh holds the two together).
MURVEL_BUILD_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  libmagic-dev zlib1g-dev libzstd-dev libsodium-dev libxxhash-dev libzxcvbn-dev
  shared-mime-info desktop-file-utils qt6-wayland
)

# Testing, fuzzing and measuring on top of that: GoogleTest and Google Benchmark, clang with
# libFuzzer and the sanitizers' run-time, the X server and compositor the window's tests and
# screenshots run under, the session bus and GVfs of the emblem tests, and the tools the tests
# and scripts call.
MURVEL_TEST_PACKAGES=(
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  xvfb xauth x11-apps imagemagick weston
  dbus-daemon libglib2.0-bin gvfs
  hyperfine time strace python3
)

# Installs the packages given that are not installed yet.
murvel_install_packages() {
  local missing=() p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq || return 1
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" || return 1
}
