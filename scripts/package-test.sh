#!/usr/bin/env bash
# Builds the two Debian packages (scripts/build-deb.sh) in build-pkg/, checks their files, and in
# a fresh Debian 12 chroot made with debootstrap: installs murvelctl alone with apt and shows that
# no Qt library came with it, runs lintian on both packages (an error or a warning fails), then
# installs murvel and runs `murvelctl --version`, a code/status/decode round trip and the window
# under Xvfb, all from /usr/bin, as a user who cannot write /usr/bin; finally purges both and
# looks for anything of theirs left in that user's folders. Then the source package (debian/):
# in a second copy of the fresh Debian 12 that has only build-essential, dpkg-dev and the
# Build-Depends, `dpkg-buildpackage -us -uc` builds both packages and runs the tests that need
# no display; lintian on the source package finds nothing, and the two packages carry the files
# and relationships of the first two. Needs root (or sudo) for debootstrap and the chroot;
# installs the Debian packages it needs on this machine first. A screenshot of the window goes
# to build-pkg/package-window.png, the source build's log to build-pkg/source-build.log. Mirror:
# $MURVEL_MIRROR (default http://deb.debian.org/debian). Exit status 0 when every check passed.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
mirror=${MURVEL_MIRROR:-http://deb.debian.org/debian}
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

murvel_install_packages "${MURVEL_BUILD_PACKAGES[@]}" xvfb xauth x11-apps imagemagick \
  debootstrap dpkg-dev appstream man-db fakeroot

passes=0
failures=0
check() {  # description, command...
  local what=$1; shift
  if "$@"; then
    echo "ok: $what"; passes=$((passes + 1))
  else
    echo "FAILED: $what"; failures=$((failures + 1))
  fi
}

# 1. The packages.
debs=$(scripts/build-deb.sh build-pkg)
ctl_deb=$(echo "$debs" | grep '/murvelctl_')
deb=$(echo "$debs" | grep '/murvel_')
for d in $ctl_deb $deb; do
  echo "package: $d"
  dpkg-deb -f "$d" Package Version Depends Recommends Suggests Breaks Replaces Installed-Size |
    sed 's/^/  /'
done

# 2. Its files, as installed.
work=$(mktemp -d /var/tmp/murvel-pkgtest-XXXXXX)
root="$work/root"
build_root="$work/build-root"
mount_in() {  # chroot folder
  $sudo mount -t proc proc "$1/proc"
  $sudo mount -t sysfs sysfs "$1/sys"
  $sudo mount --bind /dev "$1/dev"
  $sudo mount --bind /dev/pts "$1/dev/pts"
}
cleanup() {
  local r m
  for r in "$root" "$build_root"; do
    for m in dev/pts dev proc sys; do
      mountpoint -q "$r/$m" 2>/dev/null || continue
      $sudo umount "$r/$m" 2>/dev/null || $sudo umount -l "$r/$m" 2>/dev/null || true
    done
    for m in dev/pts dev proc sys; do
      if mountpoint -q "$r/$m" 2>/dev/null; then
        echo "package-test.sh: $r/$m is still mounted; $work left in place" >&2
        return
      fi
    done
  done
  $sudo rm -rf --one-file-system "$work"
}
trap cleanup EXIT

dpkg-deb -x "$deb" "$work/files"
dpkg-deb -x "$ctl_deb" "$work/files"
check "desktop entry, service menu and Send To entry validate" desktop-file-validate \
  "$work/files/usr/share/applications/x-vnd.Telva-Murvel.desktop" \
  "$work/files/usr/share/kio/servicemenus/"x-vnd.Telva-Murvel*.desktop \
  "$work/files/usr/share/Thunar/sendto/"x-vnd.Telva-Murvel*.desktop
# The component id is the program's desktop id, which is no reverse domain name: appstreamcli
# warns of that and of its hyphen. Anything else fails the check.
metainfo_ok() {
  local said
  said=$(appstreamcli validate --no-net "$work/files/usr/share/metainfo/x-vnd.Telva-Murvel.metainfo.xml" 2>&1 || true)
  echo "$said" | sed 's/^/  appstreamcli: /'
  ! echo "$said" | grep -E '^[EW]:' | grep -vq 'cid-desktopapp-is-not-rdns'
}
check "AppStream metainfo validates (but for the id's form)" metainfo_ok
man_ok() {
  local page said
  for page in "$work"/files/usr/share/man/man1/*.1.gz; do
    said=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$said" ] || { echo "$said"; return 1; }
  done
}
check "man pages format without warnings" man_ok

# 3. A fresh Debian 12, the package installed with apt.
echo "debootstrap bookworm from $mirror ..."
$sudo debootstrap --variant=minbase bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1 ||
  { tail -20 "$work/debootstrap.log"; exit 1; }
$sudo cp /etc/resolv.conf "$root/etc/resolv.conf"
# A copy as debootstrap left it, for the source package's build (step 4).
$sudo cp -a "$root" "$build_root"
mount_in "$root"
in_root() { $sudo chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin "$@"; }
$sudo cp "$deb" "$ctl_deb" "$root/tmp/"
in_root apt-get update -qq
apt_in_root() {
  in_root env DEBIAN_FRONTEND=noninteractive apt-get "$@" >>"$work/apt.log" 2>&1 ||
    { tail -30 "$work/apt.log"; exit 1; }
}

# The command line alone: no Qt comes with it.
apt_in_root install -y -qq "/tmp/$(basename "$ctl_deb")"
echo "murvelctl alone: $(in_root dpkg-query -W -f='${db:Status-Abbrev}${Package}\n' | grep -c '^ii') packages in the chroot"
no_qt() {
  local qt
  qt=$(in_root dpkg-query -W -f='${db:Status-Abbrev}${Package}\n' | awk '/^ii/ {print $2}' |
    grep -iE 'qt|libx11|libgl' || true)
  [ -z "$qt" ] || { echo "  came with it: $qt"; return 1; }
  ! in_root sh -c 'ls /usr/lib/*/libQt6* 2>/dev/null | grep -q .'
}
check "murvelctl installs alone, without any Qt or X library" no_qt
check "murvelctl --version runs with murvelctl alone" in_root /usr/bin/murvelctl --version

# lintian, as Debian's archive runs it: an error or a warning fails; the rest is shown.
apt_in_root install -y -qq --no-install-recommends lintian
lintian_ok() {
  local said
  said=$(in_root lintian --info --display-info --pedantic --tag-display-limit 0 \
    "/tmp/$(basename "$ctl_deb")" "/tmp/$(basename "$deb")" 2>&1 || true)
  [ -z "$said" ] || echo "$said" | sed 's/^/  lintian: /'
  ! echo "$said" | grep -qE '^[EW]: '
}
check "lintian finds no error and no warning" lintian_ok

apt_in_root install -y -qq "/tmp/$(basename "$deb")" xvfb xauth x11-utils x11-apps
echo "installed: $(in_root dpkg-query -W -f='${Package} ${Version}\n' murvel murvelctl | tr '\n' ' ')"

check "murvelctl --version runs from /usr/bin" in_root /usr/bin/murvelctl --version
check "the type is in the system's MIME database" in_root test -f /usr/share/mime/text/x-codeddata.xml
check "the desktop entry is indexed for the type" \
  in_root grep -q 'text/x-CodedData=x-vnd.Telva-Murvel.desktop' /usr/share/applications/mimeinfo.cache

# GNOME Files' entry: the extension, loaded with Nautilus's own Python binding (python3-nautilus,
# which the package suggests) as Nautilus loads it, offers the entry for one chosen file and
# none for a folder.
nautilus_extension_ok() {
  apt_in_root install -y -qq --no-install-recommends python3-nautilus
  # -B: no bytecode cache left in the package's folder for the purge to find.
  in_root python3 -B - <<'PY'
import sys
sys.path.insert(0, "/usr/share/nautilus-python/extensions")
import murvel
from gi.repository import Nautilus

class Location:
    def __init__(self, path):
        self.path = path
    def get_path(self):
        return self.path

class File:
    def __init__(self, path, folder):
        self.path, self.folder = path, folder
    def is_directory(self):
        return self.folder
    def get_location(self):
        return Location(self.path)

provider = murvel.MurvelMenuProvider()
assert isinstance(provider, Nautilus.MenuProvider)
items = provider.get_file_items([File("/tmp/letter.txt", False)])
assert all(isinstance(item, Nautilus.MenuItem) for item in items), items
labels = [item.props.label for item in items]
for item in items:
    props = item.props
    print("  nautilus %s: %s | %s | %s" % (Nautilus._version, props.label, props.tip, props.icon))
assert labels == ["Code or decode with Murvel", "Seal with Murvel", "Unseal with Murvel"], labels
assert all(item.props.icon == "x-vnd.Telva-Murvel" for item in items)
assert provider.get_file_items([File("/tmp", True)]) == []
PY
}
check "Nautilus's Python binding loads the extension and it offers the entries" nautilus_extension_ok

# A user of the machine, who cannot write /usr/bin.
in_root useradd -m tester
as_tester() { in_root runuser -u tester -- env HOME=/home/tester "$@"; }
as_tester sh -c 'printf "%s\n" hello > /home/tester/letter.txt'
round_trip() {
  as_tester sh -c 'printf "pw\n" | murvelctl --password-stdin code /home/tester/letter.txt' &&
    ! as_tester grep -q hello /home/tester/letter.txt &&
    as_tester murvelctl status /home/tester/letter.txt | grep -q '^coded:' &&
    as_tester sh -c 'printf "pw\n" | murvelctl --password-stdin decode /home/tester/letter.txt' &&
    as_tester grep -q hello /home/tester/letter.txt
}
check "murvelctl codes and decodes a file" round_trip

# What an installed start of 1.0.0 wrote into the user's folders (the type, icons, desktop entry,
# Nautilus's script, Thunar's action; Dolphin's and Nemo's came with the package): a start of the same program from a folder of the
# user's writes them naming that folder, which then reads /usr/bin as 1.0.0 had it.
user_entries() {  # the user's files that name the program in /usr/bin
  $sudo grep -rls /usr/bin/murvel "$root/home/tester/.local/share" "$root/home/tester/.config" || true
}
seed_old_copies() {
  as_tester sh -c 'mkdir -p /tmp/old && cp /usr/bin/murvel /tmp/old/ && cd /tmp/old &&
    QT_QPA_PLATFORM=offscreen timeout -s TERM 5 ./murvel >/dev/null 2>&1
    grep -rl /tmp/old/murvel ~/.local/share ~/.config | while read -r f; do
      sed -i "s|/tmp/old/murvel|/usr/bin/murvel|g" "$f"; done
    rm -rf /tmp/old'
  echo "  the copies of 1.0.0: $(user_entries | sed "s|$root/home/tester/||" | tr '\n' ' ')"
  [ "$(user_entries | wc -l)" -ge 3 ]
}
check "the user has the copies an installed 1.0.0 wrote" seed_old_copies

# The window from /usr/bin under Xvfb.
window_ok() {
  as_tester sh -c '
    Xvfb :77 -screen 0 400x320x24 -nolisten tcp >/tmp/xvfb.log 2>&1 &
    xvfb=$!
    sleep 2
    DISPLAY=:77 QT_QPA_PLATFORM=xcb /usr/bin/murvel /home/tester/letter.txt >/tmp/murvel.log 2>&1 &
    app=$!
    for i in $(seq 50); do DISPLAY=:77 xwininfo -name Murvel >/dev/null 2>&1 && break; sleep 0.2; done
    sleep 1
    DISPLAY=:77 xwininfo -name Murvel >/dev/null 2>&1; found=$?
    DISPLAY=:77 xwd -root -silent > /tmp/window.xwd
    kill $app $xvfb 2>/dev/null
    wait $app 2>/dev/null
    exit $found' || { cat "$root/tmp/murvel.log"; return 1; }
  sed 's/^/  murvel: /' "$root/tmp/murvel.log" | head -12
  grep -qx "codec-Dir: '/home/tester/.local/share/murvel/codec'" "$root/tmp/murvel.log" &&
    [ -d "$root/home/tester/.local/share/murvel/codec" ] && [ ! -e "$root/usr/bin/codec" ]
}
check "the window runs from /usr/bin, its codec folder in the user's data folder" window_ok
no_user_entries() {
  local left
  left=$(user_entries)
  [ -z "$left" ] || { echo "  left: $left"; return 1; }
}
check "the installed window took back those copies" no_user_entries
if [ -s "$root/tmp/window.xwd" ]; then
  convert "xwd:$root/tmp/window.xwd" build-pkg/package-window.png && echo "screenshot: build-pkg/package-window.png"
fi

# Purged, the packages leave no menu entry, type or file-manager action behind for the user who
# ran the window; the user's own data (settings, codec folder) stays theirs.
purge_ok() {
  apt_in_root purge -y -qq murvel murvelctl
  local left
  left=$($sudo find "$root/home/tester" "$root/usr/share" -type f \
    \( -path '*/applications/*' -o -path '*/nautilus/scripts/*' -o -path '*/kio/servicemenus/*' \
    -o -path '*/nemo/actions/*' -o -path '*/Thunar/*' -o -path '*/mime/packages/*' \
    -o -path '*/icons/*' \) -print0 | $sudo xargs -0 -r grep -lis 'murvel' || true)
  left+=$($sudo find "$root/home/tester" "$root/usr" \( -iname '*murvel*' -o -iname '*codeddata*' \) \
    -not -path "$root/home/tester/.local/share/murvel" -not -path '*/murvel/codec*' \
    -not -path '*/_KR_x-vnd.Telva*' || true)
  [ -z "$left" ] || { echo "  left: $left"; return 1; }
}
check "purged, nothing of the program is left in the menu or the file managers" purge_ok

# 4. The source package, built as Debian builds it: only build-essential, dpkg-dev and the
# Build-Depends installed (apt reads them from debian/control), from the files git knows.
mount_in "$build_root"
in_build_root() { $sudo chroot "$build_root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin \
  HOME=/root LC_ALL=C.UTF-8 "$@"; }
src=$build_root/src/murvel-$(dpkg-parsechangelog -S Version)
$sudo mkdir -p "$src"
git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
  tar --null -T - -cf - | $sudo tar -xf - -C "$src"
in_build_root apt-get update -qq
build_deps_ok() {
  in_build_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    build-essential dpkg-dev >>"$work/build-apt.log" 2>&1 &&
    in_build_root env DEBIAN_FRONTEND=noninteractive apt-get build-dep -y -qq "/src/${src##*/}" \
      >>"$work/build-apt.log" 2>&1 || { tail -30 "$work/build-apt.log"; return 1; }
  echo "  $(in_build_root dpkg-query -W -f='${db:Status-Abbrev}\n' | grep -c '^ii') packages installed to build"
}
check "the Build-Depends install in a fresh Debian 12" build_deps_ok
source_build_ok() {
  local started=$SECONDS
  in_build_root sh -c "cd /src/${src##*/} && DEB_BUILD_OPTIONS=parallel=$(nproc) dpkg-buildpackage -us -uc" \
    >build-pkg/source-build.log 2>&1 || { tail -40 build-pkg/source-build.log; return 1; }
  echo "  built in $((SECONDS - started)) s; $(grep -E 'tests passed' build-pkg/source-build.log)"
  ls "$build_root"/src/murvel_*_*.deb "$build_root"/src/murvelctl_*_*.deb >/dev/null
}
check "dpkg-buildpackage -us -uc builds both packages and their tests pass" source_build_ok
# lintian, its informational and pedantic notes too: anything it says fails.
source_lintian_ok() {
  in_build_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    lintian >>"$work/build-apt.log" 2>&1 || return 1
  local said
  said=$(in_build_root sh -c 'lintian --info --display-info --pedantic --tag-display-limit 0 /src/murvel_*.dsc' 2>&1 |
    grep -v '^running with root privileges is not recommended!$' || true)
  [ -z "$said" ] || { echo "$said" | sed 's/^/  lintian: /'; return 1; }
}
check "lintian on the source package says nothing" source_lintian_ok
# What `dpkg-deb -f` and `-c` tell of a package, without the versions of the libraries, the
# sizes and the times, which differ between the two builds, and with each relationship field's
# packages in order. Whatever stands in parentheses goes with the versions, descriptions' too.
package_face() {  # deb
  local line
  dpkg-deb -f "$1" Package Architecture Section Depends Recommends Suggests Breaks Replaces \
    Description | sed -E 's/ \([^)]*\)//g' | while IFS= read -r line; do
    case $line in
      Depends:* | Recommends:* | Suggests:* | Breaks:* | Replaces:*)
        echo "${line%%:*}: $(echo "${line#*: }" | tr ',' '\n' | sed 's/^ *//' | sort | paste -sd,)" ;;
      *) echo "$line" ;;
    esac
  done
  # dh_builddeb lists the archive's top folder ("./"), CPack does not: it holds nothing.
  dpkg-deb -c "$1" | awk '$6 != "./" {print $1, $6}' | sort
}
same_packages_ok() {
  local d ours theirs
  for d in "$ctl_deb" "$deb"; do
    theirs=$(ls "$build_root"/src/"$(basename "${d%%_*}")"_*_*.deb)
    ours=$(package_face "$d")
    if [ "$ours" != "$(package_face "$theirs")" ]; then
      echo "  $(basename "$d") and $(basename "$theirs") differ:"
      diff <(echo "$ours") <(package_face "$theirs") | sed 's/^/    /'
      return 1
    fi
  done
}
check "the source package's two packages are those of dist/ (files, relationships)" same_packages_ok

echo "package-test: $passes checks passed, $failures failed"
[ "$failures" -eq 0 ]
