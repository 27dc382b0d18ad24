#!/usr/bin/env bash
# run.sh installs what building and running need and test.sh the rest (scripts/deps.sh). The
# source package says the same in debian/control, and its build in a clean Debian 12 with only
# those packages (scripts/package-test.sh) proves them enough; this holds the lists to it:
# every Build-Depends is in run.sh's list (or, when only the tests need it, <!nocheck>, in
# test.sh's), and run.sh's list holds nothing more than those, build-essential and what the
# window's package needs beside the libraries (its Depends and Recommends).
# Usage: deps-test.sh SOURCE-DIR
set -u
root=$1
source "$root/scripts/deps.sh"
control=$root/debian/control
failed=0
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }

# The value of FIELD in the paragraph whose first line is FIRST, its lines joined.
field() {
  awk -v first="$1" -v name="$2" 'BEGIN { RS = ""; FS = "\n" }
    $1 == first { on = 0
      for (i = 1; i <= NF; i++) {
        if (index($i, name ":") == 1) { on = 1; printf "%s", substr($i, length(name) + 2) }
        else if (on && $i ~ /^[ \t]/) printf "%s", $i
        else on = 0
      } }' "$control"
}
# The package names of a relationship field, one a line: versions, architectures and
# qualifiers dropped; with "nocheck" those for the tests only, else the others.
names() {  # all|nocheck|needed
  tr ',' '\n' | while IFS= read -r item; do
    case $1 in
      nocheck) [[ $item == *'<!nocheck>'* ]] || continue ;;
      needed) [[ $item == *'<!nocheck>'* ]] && continue ;;
    esac
    item=$(sed -E 's/\([^)]*\)//g; s/\[[^]]*\]//g; s/<[^>]*>//g; s/:any//g; s/\|.*//' <<<"$item")
    item=$(tr -d '[:space:]' <<<"$item")
    [[ -n $item && $item != debhelper-compat && $item != '${'* ]] && echo "$item"
  done
}
in_list() {  # name, list...
  local want=$1 p; shift
  for p in "$@"; do [[ $p == "$want" ]] && return 0; done
  return 1
}

build_depends=$(field "Source: murvel" Build-Depends)
[[ -n $build_depends ]] || { echo "FAIL: no Build-Depends in $control"; exit 1; }
for p in $(names needed <<<"$build_depends"); do
  in_list "$p" "${MURVEL_BUILD_PACKAGES[@]}" || fail "Build-Depends $p is not in run.sh's list"
done
for p in $(names nocheck <<<"$build_depends"); do
  in_list "$p" "${MURVEL_BUILD_PACKAGES[@]}" "${MURVEL_TEST_PACKAGES[@]}" ||
    fail "Build-Depends $p <!nocheck> is in neither list"
done
allowed=(build-essential $(names needed <<<"$build_depends")
  $(names all <<<"$(field "Package: murvel" Depends), $(field "Package: murvel" Recommends)"))
for p in "${MURVEL_BUILD_PACKAGES[@]}"; do
  in_list "$p" "${allowed[@]}" || fail "run.sh installs $p, which neither the build nor the window needs"
done
for p in "${MURVEL_TEST_PACKAGES[@]}"; do
  in_list "$p" "${MURVEL_BUILD_PACKAGES[@]}" && fail "$p is in both lists"
done
echo "deps: $failed failed"
exit $((failed > 0))
