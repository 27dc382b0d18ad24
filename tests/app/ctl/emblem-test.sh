#!/usr/bin/env bash
# The lock emblem of coded files, as file managers read it through GIO from the session's
# metadata daemon (GVfs): murvelctl sets it on coding and takes it off on decoding, a change
# interrupted and then settled leaves the emblem the file's new state calls for, and where the
# session has no bus, or no metadata store, it codes and decodes all the same.
# Usage: emblem-test.sh MURVELCTL. Runs itself again under dbus-run-session, in a home of its own.
set -u
ctl=$1
if [ -z "${EMBLEM_TEST_IN_SESSION:-}" ]; then
  for tool in dbus-run-session gio /usr/libexec/gvfsd-metadata; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
  done
  home=$(mktemp -d /tmp/murvel-emblem-XXXXXX)
  trap 'rm -rf "$home"' EXIT
  HOME=$home XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home \
    EMBLEM_TEST_IN_SESSION=1 dbus-run-session -- bash "$0" "$@"
  exit $?
fi

failed=0
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
emblems() { gio info -a metadata::emblems "$1" 2>/dev/null | sed -n 's/^ *metadata::emblems: //p'; }
code() { printf 'pw\n' | "$ctl" --password-stdin "$@" >/dev/null; }

cd "$HOME"
printf 'one\n' > one.txt
printf 'two\n' > two.txt
code code one.txt two.txt || fail "code"
[ "$(emblems one.txt)" = "[emblem-readonly]" ] || fail "one.txt coded shows '$(emblems one.txt)'"
[ "$(emblems two.txt)" = "[emblem-readonly]" ] || fail "two.txt coded shows '$(emblems two.txt)'"
code decode one.txt || fail "decode"
[ -z "$(emblems one.txt)" ] || fail "one.txt decoded still shows '$(emblems one.txt)'"
[ "$(emblems two.txt)" = "[emblem-readonly]" ] || fail "two.txt, still coded, lost its emblem"
# A wrong password leaves the file coded, and its emblem.
printf 'nope\n' | "$ctl" --password-stdin decode two.txt >/dev/null 2>&1
[ "$(emblems two.txt)" = "[emblem-readonly]" ] || fail "a refused decoding took the emblem"

# Killed in the middle of a change, which the next look settles: the emblem then says what the
# file has become.
truncate -s 128M big
printf 'pw\n' > pw
"$ctl" --password-stdin code big < pw >/dev/null 2>&1 &
pid=$!
for _ in $(seq 300); do
  gio info -a xattr::murvel.change big 2>/dev/null | grep -q murvel.change && break
  sleep 0.01
done
kill -KILL "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
if gio info -a xattr::murvel.change big 2>/dev/null | grep -q murvel.change; then
  said=$("$ctl" status big 2>&1)
  case "$said" in
    *"was completed"*"coded: big"*) want="[emblem-readonly]" ;;
    *"plain: big"*) want="" ;;
    *) fail "status after the kill said: $said"; want="?" ;;
  esac
  [ "$(emblems big)" = "$want" ] || fail "after '$said' the emblem is '$(emblems big)'"
else
  echo "note: the change was not caught in the middle; the settled case went untried"
fi
rm -f big pw

# No bus: nothing is marked, nothing fails.
printf 'three\n' > three.txt
env -u DBUS_SESSION_BUS_ADDRESS XDG_RUNTIME_DIR=/nonexistent bash -c \
  "printf 'pw\n' | '$ctl' --password-stdin code three.txt" >/dev/null || fail "code without a bus"
[ -z "$(emblems three.txt)" ] || fail "three.txt marked without a bus"
# A bus but no metadata store (GIO on its own, without GVfs): the same.
printf 'four\n' > four.txt
GIO_USE_VFS=local bash -c "printf 'pw\n' | '$ctl' --password-stdin code four.txt" >/dev/null ||
  fail "code without a metadata store"
"$ctl" status four.txt | grep -q '^coded:' || fail "four.txt not coded"

echo "emblem: $failed failed"
exit $((failed > 0))
