#!/usr/bin/env bash
# murvelctl -r over many small files: the time per file and the peak resident memory of coding
# and decoding a tree of 1 KiB files, for 1,000 and 100,000 files, with the files in folders of
# 1,000 ("tree") and all in one folder ("flat"). Each figure against a baseline of the same run:
#   - time: `cp -a` of the same tree followed by `sync`, timed in the same round;
#   - memory: the peak of the smallest count, for the same layout and work (memory that does
#     not grow with the count gives 1.00x).
# Medians of the rounds; each round codes and decodes a fresh copy of the tree.
#
# Usage: bench/manyfiles.sh [MURVELCTL] [COUNTS] [ROUNDS]
#   MURVELCTL  the program (default: build/bin/murvelctl beside this script's folder)
#   COUNTS     the numbers of files, smallest first (default "1000 100000")
#   ROUNDS     rounds per count and layout (default 3)
# The files are made in $MURVEL_BENCH_DIR (default /var/tmp), which must keep extended attributes.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
ctl=${1:-$here/../build/bin/murvelctl}
counts=${2:-1000 100000}
rounds=${3:-3}
dir=${MURVEL_BENCH_DIR:-/var/tmp}

[[ -x $ctl ]] || { echo "manyfiles.sh: no murvelctl at '$ctl'" >&2; exit 2; }
[[ -x /usr/bin/time ]] || { echo "manyfiles.sh: /usr/bin/time is missing (Debian package 'time')" >&2; exit 2; }

work=$(mktemp -d "$dir/murvel-manyfiles.XXXXXX")
trap 'rm -rf "$work"' EXIT
password=bench-password

median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
now() { echo "${EPOCHREALTIME/[.,]/}"; }  # microseconds

# Makes $1 files of 1 KiB of random bytes in the folder $2: in folders of 1,000 ("tree") or all
# in it ("flat", $3).
make_files() {
  local n=$1 to=$2 layout=$3 left=$1 k=0
  mkdir -p "$to"
  if [[ $layout == flat ]]; then
    head -c $((n * 1024)) /dev/urandom | split -b 1024 -a 7 -d - "$to/f"
    return
  fi
  while ((left > 0)); do
    local here_n=$((left < 1000 ? left : 1000))
    mkdir "$to/d$k"
    head -c $((here_n * 1024)) /dev/urandom | split -b 1024 -a 3 -d - "$to/d$k/f"
    left=$((left - here_n))
    k=$((k + 1))
  done
}

# One murvelctl -r call on the copy; appends its time (µs) and peak memory (KiB) to $work/$1.
# Every file must be done.
ctl_run() {
  local what=$1 t0 t1
  sync
  t0=$(now)
  printf '%s\n' "$password" |
    /usr/bin/time -f '%M' -o "$work/rss1" "$ctl" --password-stdin -r "$what" "$work/copy" \
      >"$work/out"
  t1=$(now)
  local done_lines
  done_lines=$(grep -c "^${what}d: " "$work/out" || true)
  [[ $done_lines == "$n" ]] || { echo "manyfiles.sh: $what did $done_lines of $n files" >&2; exit 1; }
  echo "$((t1 - t0)) $(cat "$work/rss1")" >>"$work/$what"
}

cp_run() {
  local t0 t1
  sync
  t0=$(now)
  cp -a "$work/src" "$work/dst" && sync
  t1=$(now)
  echo "$((t1 - t0))" >>"$work/cp"
  rm -rf "$work/dst"
}

declare -A base_rss
printf '%-8s %-6s %-7s %12s %10s %12s %10s\n' files layout work "µs per file" "x cp -a" "peak MiB" "x peak"
for layout in tree flat; do
  for n in $counts; do
    rm -rf "$work/src"
    make_files "$n" "$work/src" "$layout"
    : >"$work/code" && : >"$work/decode" && : >"$work/cp"
    for ((round = 0; round < rounds; round++)); do
      rm -rf "$work/copy" && cp -a "$work/src" "$work/copy" && sync && sleep 1
      if ((round % 2)); then cp_run; ctl_run code; ctl_run decode; else ctl_run code; ctl_run decode; cp_run; fi
      cmp -s <(cd "$work/src" && find . -type f -print0 | sort -z | xargs -0 cat) \
        <(cd "$work/copy" && find . -type f -print0 | sort -z | xargs -0 cat) ||
        { echo "manyfiles.sh: the files did not come back as they were" >&2; exit 1; }
    done
    cp_us=$(median <"$work/cp")
    for what in code decode; do
      us=$(awk '{print $1}' "$work/$what" | median)
      rss=$(awk '{print $2}' "$work/$what" | median)
      key=$layout-$what
      [[ -n ${base_rss[$key]:-} ]] || base_rss[$key]=$rss
      awk -v n="$n" -v l="$layout" -v w="$what" -v us="$us" -v cp="$cp_us" -v r="$rss" \
        -v b="${base_rss[$key]}" 'BEGIN {
          printf "%-8d %-6s %-7s %12.1f %9.2fx %12.1f %9.2fx\n", n, l, w, us / n, us / cp, r / 1024, r / b
        }'
    done
    rm -rf "$work/src" "$work/copy"
  done
done
