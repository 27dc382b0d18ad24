#!/usr/bin/env bash
# Starts the window under a virtual X server (Xvfb), photographs it and writes docs/murvel.png.
# The program runs with its settings and desktop data in a temporary folder, so the user's own
# settings are neither read nor changed. Usage: scripts/screenshot.sh [build-dir] [sealing]
# With "sealing" the window starts with sealing chosen and a plain file handed to it, and the
# picture goes to docs/window-sealing.png.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
mode=${2:-}
out=docs/murvel.png
[ "$mode" = sealing ] && out=docs/window-sealing.png
if [ ! -x "$build/bin/murvel" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" --target murvel
fi

tmp=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

source scripts/xvfb.sh
murvel_start_xvfb "$tmp" screenshot.sh

mkdir -p "$tmp/config" "$tmp/data"
args=()
if [ "$mode" = sealing ]; then
  # A letter handed to the window as the file managers' "Seal with Murvel" hands it.
  printf 'Dear diary,\n' >"$tmp/letter.txt"
  args=(--seal "$tmp/letter.txt")
fi
XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" HOME="$tmp" QT_QPA_PLATFORM=xcb \
  "$build/bin/murvel" "${args[@]}" >"$tmp/murvel.log" 2>&1 &
app_pid=$!

# Wait for the window, then give it a moment to paint.
for _ in $(seq 100); do
  xwininfo -name Murvel >/dev/null 2>&1 && break
  sleep 0.1
done
xwininfo -name Murvel >/dev/null 2>&1 || { cat "$tmp/murvel.log" >&2; exit 1; }
sleep 1

# No window manager runs, so the content area sits exactly at its frame on the screen.
geometry=$(xwininfo -name Murvel | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
  /Width:/{w=$NF} /Height:/{h=$NF} END{printf "%dx%d+%d+%d", w, h, x, y}')
mkdir -p docs
import -window root -crop "$geometry" +repage "$out"
echo "$out: the window at $geometry"
