#!/usr/bin/env bash
# The window on a Wayland-only desktop, under weston's headless compositor: with DISPLAY naming an
# X server that is not there it starts on Wayland rather than ending, and since Wayland never
# tells a window where it is, closing it keeps the stored position (the settings file is as it
# was). Usage: wayland-test.sh MURVEL. Skipped without weston or Qt's Wayland plugin.
set -u
murvel=$1
command -v weston >/dev/null || { echo "SKIP: weston is not installed"; exit 77; }
ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so >/dev/null 2>&1 ||
  { echo "SKIP: qt6-wayland is not installed"; exit 77; }

dir=$(mktemp -d /tmp/murvel-wayland-XXXXXX)
chmod 700 "$dir"
compositor=""
app=""
finish() {
  [ -n "$app" ] && kill "$app" 2>/dev/null
  [ -n "$compositor" ] && kill "$compositor" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$dir"
}
trap finish EXIT
export HOME=$dir XDG_CONFIG_HOME=$dir/config XDG_DATA_HOME=$dir/data XDG_RUNTIME_DIR=$dir
settings=$dir/config/_KR_x-vnd.Telva/murvel_settings
failed=0
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }

# Settings written by a start elsewhere: the default position.
QT_QPA_PLATFORM=offscreen timeout -s TERM 3 "$murvel" >/dev/null 2>&1
[ -s "$settings" ] || { echo "FAIL: no settings file to begin with"; exit 1; }
cp "$settings" "$dir/before"

weston --backend=headless-backend.so --socket=wayland-murvel --idle-time=0 \
  >"$dir/weston.log" 2>&1 &
compositor=$!
for _ in $(seq 50); do [ -S "$dir/wayland-murvel" ] && break; sleep 0.1; done
[ -S "$dir/wayland-murvel" ] || { cat "$dir/weston.log"; echo "FAIL: weston did not start"; exit 1; }

env -u QT_QPA_PLATFORM DISPLAY=:97 WAYLAND_DISPLAY=wayland-murvel "$murvel" \
  >"$dir/murvel.log" 2>&1 &
app=$!
# Ready: Qt's Wayland library mapped and the window built (its line on standard output), however
# long a loaded machine takes; the window would close cleanly on the signal even before.
on_wayland=""
ready=""
for _ in $(seq 600); do
  kill -0 "$app" 2>/dev/null || break
  grep -q libQt6WaylandClient "/proc/$app/maps" 2>/dev/null && on_wayland=1
  grep -q '^xB.Width()=118.00$' "$dir/murvel.log" 2>/dev/null && ready=1
  [ -n "$on_wayland" ] && [ -n "$ready" ] && break
  sleep 0.1
done
[ -n "$on_wayland" ] || fail "the window did not start on Wayland"
[ -n "$ready" ] || fail "the window was not built within a minute"
kill -TERM "$app" 2>/dev/null
wait "$app"
status=$?
app=""
[ "$status" -eq 0 ] || { sed 's/^/  murvel: /' "$dir/murvel.log"; fail "exit status $status"; }
cmp -s "$dir/before" "$settings" || fail "the stored position changed: $(od -An -tx1 "$settings")"

echo "wayland: $failed failed"
exit $((failed > 0))
