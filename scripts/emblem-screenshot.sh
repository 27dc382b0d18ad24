#!/usr/bin/env bash
# Photographs a file manager showing coded files with their lock emblem: codes two of four
# files with murvelctl in a session of its own (dbus-run-session, GVfs's metadata daemon),
# opens their folder in the file manager under a virtual X server and writes
# docs/emblem-MANAGER.png. Usage: scripts/emblem-screenshot.sh [nemo|thunar|caja|...] [build-dir]
# Needs the file manager, gvfs, xvfb and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."
manager=${1:-nemo}
build=${2:-build}
command -v "$manager" >/dev/null || { echo "emblem-screenshot.sh: $manager is not installed" >&2; exit 1; }
if [ -z "${EMBLEM_SHOT_IN_SESSION:-}" ]; then
  tmp=$(mktemp -d)
  trap 'rm -rf "$tmp"' EXIT
  mkdir -p "$tmp/home/Documents"
  HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config XDG_DATA_HOME=$tmp/home/.local/share \
    XDG_RUNTIME_DIR=$tmp EMBLEM_SHOT_IN_SESSION=1 dbus-run-session -- "$0" "$manager" "$build"
  exit $?
fi

docs=$PWD/docs
folder=$HOME/Documents
convert -size 64x64 gradient:blue-yellow "$folder/photo.png"
convert -size 64x64 gradient:red-white "$folder/holiday.png"
printf 'Dear Ann,\n' > "$folder/letter.txt"
printf 'a,b\n1,2\n' > "$folder/sums.csv"
printf 'pw\n' | "$build/bin/murvelctl" --password-stdin code "$folder/photo.png" "$folder/letter.txt"
gio info -a metadata::emblems "$folder/photo.png" | grep emblems

Xvfb -displayfd 3 -screen 0 720x420x24 -nolisten tcp 3>"$XDG_RUNTIME_DIR/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$XDG_RUNTIME_DIR/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$XDG_RUNTIME_DIR/display")"
openbox >/dev/null 2>&1 &
wm_pid=$!
sleep 1
"$manager" "$folder" >/dev/null 2>&1 &
fm_pid=$!
sleep 6
import -window root "$docs/emblem-$manager.png"
kill "$fm_pid" "$wm_pid" "$xvfb_pid" 2>/dev/null || true
echo "wrote docs/emblem-$manager.png"
