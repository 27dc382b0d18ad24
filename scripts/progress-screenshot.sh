#!/usr/bin/env bash
# Codes a 1 GiB file in the window under a virtual X server (Xvfb) and photographs the window
# mid-pass, with the progress on the Do-it button: docs/window-progress.png. During the pass it
# clicks "Do it" and "Decode All" and presses Enter, and afterwards checks that none of it acted:
# the file was coded once and stays coded. Then docs/window-after-pass.png. Settings and desktop
# data live in a temporary folder; the file lies in the build folder (it needs a file system
# that keeps user attributes). Needs xvfb, xdotool, imagemagick, x11-utils.
# Usage: scripts/progress-screenshot.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
[ -x "$build/bin/murvel" ] || { echo "progress-screenshot.sh: build $build first" >&2; exit 1; }

tmp=$(mktemp -d "$PWD/$build/progress-shot.XXXXXX")
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

source scripts/xvfb.sh
murvel_start_xvfb "$tmp" progress-screenshot.sh

file="$tmp/big.bin"
dd if=/dev/urandom of="$file" bs=1M count=1024 status=none
sync "$file"
# Out of the page cache, so the pass reads the file from the disk as after a fresh start (and
# lasts long enough to be photographed).
dd if="$file" iflag=nocache count=0 status=none

mkdir -p "$tmp/config" "$tmp/data"
XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" HOME="$tmp" QT_QPA_PLATFORM=xcb \
  "$build/bin/murvel" "$file" >"$tmp/murvel.log" 2>&1 &
app_pid=$!

for _ in $(seq 100); do
  grep -q "NO  Codec-Attr" "$tmp/murvel.log" 2>/dev/null && xwininfo -name Murvel >/dev/null 2>&1 &&
    break
  sleep 0.1
done
xwininfo -name Murvel >/dev/null 2>&1 || { cat "$tmp/murvel.log" >&2; exit 1; }
sleep 0.5
read -r X Y W H < <(xwininfo -name Murvel | awk '/Absolute upper-left X/{x=$NF}
  /Absolute upper-left Y/{y=$NF} /Width:/{w=$NF} /Height:/{h=$NF} END{print x, y, w, h}')
geometry="${W}x${H}+${X}+${Y}"
# Window coordinates of the controls (see ui/MainLayout.cpp).
at() { xdotool mousemove $((X + $1)) $((Y + $2)); }

# The password: a click into the entry field, typing, Enter.
at 75 56 && xdotool click 1 && xdotool type --delay 30 Secret7 && xdotool key Return
sleep 0.3
# (The coding line has no line end, so it shows in the log only with the next line: the
# record on the file tells the end of the pass instead.)
coded() { python3 -c 'import os, sys; os.getxattr(sys.argv[1], "user.PrivCodec")' "$file" 2>/dev/null; }
at 59 160 && xdotool click 1  # "Do it"
start=$(date +%s.%N)
sleep 0.1
# User input during the pass: "Do it" again (it has the focus now), Enter, "Decode All".
xdotool click 1 key Return
at 59 117 && xdotool click 1
clicked=$(date +%s.%N)
mkdir -p docs
import -window root -crop "$geometry" +repage docs/window-progress.png
! coded || { echo "progress-screenshot.sh: the pass was over before the picture; once more" >&2; exit 1; }
while ! coded; do sleep 0.05; done
end=$(date +%s.%N)
# Anything that had queued would act now.
sleep 2
import -window root -crop "$geometry" +repage docs/window-after-pass.png

kill "$app_pid" && wait "$app_pid" || true  # closing prints the last lines
app_pid=""
codings=$(grep -c -- "-> CODING:" "$tmp/murvel.log" || true)
decodings=$(grep -c "Has   Codec-Attr" "$tmp/murvel.log" || true)
state=$("$build/bin/murvelctl" status "$file" | cut -d: -f1)
printf 'pass in the window: %.2f s (clicks done %.2f s after its start); codings %s, decodings %s; the file is %s\n' \
  "$(awk "BEGIN{print $end - $start}")" "$(awk "BEGIN{print $clicked - $start}")" \
  "$codings" "$decodings" "$state"
[ "$codings" = 1 ] && [ "$decodings" = 0 ] && [ "$state" = coded ] ||
  { echo "progress-screenshot.sh: a click during the pass acted" >&2; cat "$tmp/murvel.log" >&2; exit 1; }
echo "docs/window-progress.png, docs/window-after-pass.png: the window at $geometry"
