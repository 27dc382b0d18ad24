#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, when any is missing.
# Sourced by run.sh and test.sh. Uses sudo when not root; does nothing when all are present.
MURVEL_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  clang libclang-rt-14-dev
  qt6-base-dev libgl-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  shared-mime-info desktop-file-utils
  xvfb xauth x11-apps imagemagick hyperfine clang-format time
  libxxhash-dev strace
  libmagic-dev zlib1g-dev libsodium-dev libzxcvbn-dev
  dbus-daemon libglib2.0-bin gvfs weston qt6-wayland
)

murvel_install_deps() {
  local missing=() p
  for p in "${MURVEL_PACKAGES[@]}"; do
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
