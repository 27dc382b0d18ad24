#!/usr/bin/env bash
# Mutation run: applies each mutant of a list to the source, one at a time, builds, runs the
# tests, and reports the mutants that no test kills. A mutant is a small change a real fault
# could look like; one that survives is a test the suite lacks (or a change that alters nothing
# a user could tell, which the list then marks as equivalent).
#
# Usage: scripts/mutate.sh [LIST]
#   LIST  the mutants (default scripts/mutants.txt): one a line, "FILE<TAB>SED<TAB>WHAT", where
#         SED is a sed expression applied to FILE and WHAT says what the fault would break; a
#         line whose WHAT starts with "equivalent:" is applied and reported, but counts as
#         neither killed nor survived. Blank lines and lines starting with # are skipped.
# Environment: MUTATE_BUILD (build folder, default build-mutants), MUTATE_CTEST (the arguments
# for ctest, default: every test not labelled slow but the long kill tests, stopping at the
# first failure), MUTATE_TARGETS (what to build for each mutant, default everything),
# MUTATE_TIMEOUT (seconds a run may take, default 600).
# Each file is put back as it was after its mutant, and when the script is stopped.
set -uo pipefail
cd "$(dirname "$0")/.."
list=${1:-scripts/mutants.txt}
build=${MUTATE_BUILD:-build-mutants}
ctest_args=${MUTATE_CTEST:--LE slow -E Kill --stop-on-failure}
limit=${MUTATE_TIMEOUT:-600}
targets=()
[[ -n ${MUTATE_TARGETS:-} ]] && targets=(--target $MUTATE_TARGETS)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 2
cmake --build "$build" -j2 >/dev/null || { echo "mutate.sh: the tree does not build" >&2; exit 2; }

current=""
restore() { [[ -n $current ]] && git checkout -q -- "$current"; current=""; }
trap 'restore; exit 130' INT TERM

killed=0 survived=0 equivalent=0 broken=0
survivors=()
while IFS=$'\t' read -r file expr what; do
  [[ -z $file || $file == \#* ]] && continue
  if ! git diff --quiet -- "$file"; then
    echo "mutate.sh: $file has changes of its own; commit them first" >&2
    exit 2
  fi
  current=$file
  sed -i -e "$expr" "$file"
  if git diff --quiet -- "$file"; then
    echo "NOT APPLIED  $file: $expr"
    broken=$((broken + 1))
    restore
    continue
  fi
  if ! cmake --build "$build" -j2 "${targets[@]}" >/dev/null 2>&1; then
    verdict="killed (does not build)"
  elif (cd "$build" && timeout "$limit" ctest $ctest_args >/dev/null 2>&1); then
    verdict="SURVIVED"
  else
    verdict="killed"
  fi
  restore
  if [[ $what == equivalent:* ]]; then
    equivalent=$((equivalent + 1))
    echo "equivalent   $file: $what ($verdict)"
  elif [[ $verdict == SURVIVED ]]; then
    survived=$((survived + 1))
    survivors+=("$file: $what")
    echo "SURVIVED     $file: $what"
  else
    killed=$((killed + 1))
    echo "killed       $file: $what"
  fi
done <"$list"
cmake --build "$build" -j2 >/dev/null 2>&1
total=$((killed + survived))
echo
echo "$killed of $total mutants killed ($((total ? 100 * killed / total : 0))%), $equivalent equivalent," \
  "$broken not applied"
for s in "${survivors[@]}"; do echo "  survived: $s"; done
[[ $survived -eq 0 && $broken -eq 0 ]]
