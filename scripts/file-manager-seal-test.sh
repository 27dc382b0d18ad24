#!/usr/bin/env bash
# Seals and unseals a file end to end through a file manager's context menu, as a person does:
# a start of the build's program writes the file-manager entries into a temporary home, the
# file manager shows a folder under a virtual X server (Xvfb, openbox), "Seal with Murvel" is
# chosen on letter.txt, the password typed in the window that opens and its button pressed;
# then "Unseal with Murvel" the same way. Checks with murvelctl status that the file was sealed
# and then plain again, byte for byte, and photographs the menu (docs/MANAGER-seal-menu.png;
# with UNSEAL_SHOT=FILE the menu of the sealed file too).
# Usage: scripts/file-manager-seal-test.sh [thunar|nemo] [build-dir]
# Needs the file manager, xvfb, openbox, xdotool, dbus and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."
manager=${1:-thunar}
build=$(realpath "${2:-build}")
for tool in "$manager" Xvfb openbox xdotool dbus-run-session import; do
  command -v "$tool" >/dev/null || { echo "file-manager-seal-test.sh: $tool is not installed" >&2; exit 77; }
done
if [ -z "${SEAL_TEST_IN_SESSION:-}" ]; then
  tmp=$(mktemp -d)
  trap 'rm -rf "$tmp"' EXIT
  mkdir -p "$tmp/home/Documents" "$tmp/run"
  chmod 700 "$tmp/run"
  HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config XDG_DATA_HOME=$tmp/home/.local/share \
    XDG_RUNTIME_DIR=$tmp/run SEAL_TEST_IN_SESSION=1 dbus-run-session -- "$0" "$manager" "$build"
  exit $?
fi

docs=$PWD/docs
folder=$HOME/Documents
letter=$folder/letter.txt
printf 'Dear Ann,\nmeet me at noon.\n' >"$letter"
cp "$letter" "$XDG_RUNTIME_DIR/letter.plain"
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap cleanup EXIT
fail() { echo "file-manager-seal-test.sh ($manager): $*" >&2; exit 1; }

Xvfb -displayfd 3 -screen 0 800x500x24 -nolisten tcp 3>"$XDG_RUNTIME_DIR/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -s "$XDG_RUNTIME_DIR/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$XDG_RUNTIME_DIR/display")"
openbox >/dev/null 2>&1 &
pids+=($!)

# A start of the build's program writes the entries (Thunar's uca.xml, Nemo's actions).
QT_QPA_PLATFORM=xcb "$build/bin/murvel" >"$XDG_RUNTIME_DIR/first.log" 2>&1 &
first=$!
for _ in $(seq 100); do xdotool search --name '^Murvel$' >/dev/null 2>&1 && break; sleep 0.1; done
kill "$first"
wait "$first" || true

"$manager" "$folder" >/dev/null 2>&1 &
pids+=($!)
sleep 6

# Right-click the file (the first icon of the view) and choose an entry of ours with the keys
# given (`keys`, a word with + between the keys): Thunar puts our three entries just above the
# menu's last one ("Properties"), Nemo after the two "Open With" entries.
choose() {
  local keys=$1 shot=${2:-}
  local view
  view=$(xdotool search --onlyvisible --name 'Documents' | head -n1)
  xdotool windowactivate --sync "$view" >/dev/null 2>&1 || true
  # A file manager that saw the journal come may still show it: the view is read again.
  xdotool key F5
  sleep 1.5
  eval "$(xdotool getwindowgeometry --shell "$view")"
  # The first icon: below the toolbars, right of the side pane, in both managers' default views.
  xdotool mousemove $((X + 210)) $((Y + 160)) click 1
  sleep 0.5
  xdotool click 3
  sleep 1.5
  for key in ${keys//+/ }; do xdotool key "$key"; done
  sleep 0.3
  # The menu with the entry about to be chosen highlighted.
  [ -n "$shot" ] && import -window root "$shot"
  xdotool key Return
}

# Types the password into the window that opened and presses its button; waits for the work.
seal_in_window() {
  local w=""
  for _ in $(seq 100); do
    w=$(xdotool search --onlyvisible --name '^Murvel$' 2>/dev/null | tail -n1) && [ -n "$w" ] && break
    sleep 0.1
  done
  [ -n "$w" ] || fail "no window opened"
  xdotool windowactivate --sync "$w" >/dev/null 2>&1 || true
  sleep 0.5
  xdotool type --delay 20 'meet me at noon, Ann'
  xdotool key Return
  sleep 0.3
  xdotool mousemove --window "$w" 59 160 click 1
  sleep 3
  local pid
  pid=$(xdotool getwindowpid "$w")
  kill "$pid"
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
}

if [ "$manager" = nemo ]; then
  seal_keys=Down+Down+Down unseal_keys=Down+Down+Down+Down
else
  seal_keys=Up+Up+Up unseal_keys=Up+Up
fi
choose "$seal_keys" "$docs/$manager-seal-menu.png"
seal_in_window
"$build/bin/murvelctl" status "$letter" | grep -q '^sealed: ' || fail "not sealed: $("$build/bin/murvelctl" status "$letter")"
[ "$(stat -c %s "$letter")" -eq $(($(stat -c %s "$XDG_RUNTIME_DIR/letter.plain") + 161)) ] || fail "sealed size"

choose "$unseal_keys" "${UNSEAL_SHOT:-$XDG_RUNTIME_DIR/unseal-menu.png}"
seal_in_window
"$build/bin/murvelctl" status "$letter" | grep -q '^plain: ' || {
  import -window root "$XDG_RUNTIME_DIR/../unseal-failed.png" 2>/dev/null || true
  fail "not unsealed"
}
cmp -s "$letter" "$XDG_RUNTIME_DIR/letter.plain" || fail "unsealed bytes differ"
echo "file-manager-seal-test.sh ($manager): sealed and unsealed through the context menu"
