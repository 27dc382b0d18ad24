#!/usr/bin/env bash
# Times murvelctl against the plain file operations it is measured by, each contender alternating
# with the others in every round so that drift of the machine hits all alike, and prints the
# medians and their ratios:
#   - a code + decode round trip of a large file against two in-place rewrites of it with dd,
#     with conv=fdatasync (the same flush murvelctl's change ends with) and without;
#   - murvelctl's peak resident memory for that file;
#   - 10,000 files of 4 KiB coded by one murvelctl call against `cp -a` of their folder followed
#     by `sync`.
# murvelctl's changes are crash-safe (docs/crash-safety.md): these are the figures with the
# journal, the markers and every flush they take.
#
# Usage: bench/inplace.sh [MURVELCTL] [SIZE_MIB] [ROUNDS] [FILES]
#   MURVELCTL  the program (default: build/bin/murvelctl beside this script's folder)
#   SIZE_MIB   the large file's size in MiB (default 1024; 0 leaves that part out)
#   ROUNDS     counted rounds after one warm-up round (default 5)
#   FILES      the number of small files (default 10000; 0 leaves that part out)
# The files are made in $MURVEL_BENCH_DIR (default /var/tmp), which must keep extended attributes.
# On an ext4 without a journal, removing many files slows the making of new ones for some minutes
# (their inodes are passed over), and cp -a with them: wait five minutes after a mass removal (the
# end of a run of this script included) before timing again, or cp's figure is several times its
# own.
# $MURVEL_BENCH_OTHER may name a second murvelctl (the build before a change, say): the small
# files are then coded by it too, alternating with the others in every round, and the two
# programs' times are given as a ratio as well.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
ctl=${1:-$here/../build/bin/murvelctl}
size_mib=${2:-1024}
rounds=${3:-5}
small=${4:-10000}
dir=${MURVEL_BENCH_DIR:-/var/tmp}
other=${MURVEL_BENCH_OTHER:-}

[[ -x $ctl ]] || { echo "inplace.sh: no murvelctl at '$ctl'" >&2; exit 2; }
[[ -z $other || -x $other ]] || { echo "inplace.sh: no murvelctl at '$other'" >&2; exit 2; }
[[ -x /usr/bin/time ]] || { echo "inplace.sh: /usr/bin/time is missing (Debian package 'time')" >&2; exit 2; }

work=$(mktemp -d "$dir/murvel-inplace.XXXXXX")
trap 'rm -rf "$work"' EXIT
file=$work/data.bin
password=bench-password

# The small files first: removing the large file at the end of its part leaves the disk busy
# for a while (this one discards what is removed), and that would land on whoever comes next.
# Many small files: one murvelctl call codes a fresh copy of the folder (made untimed), against
# cp -a of the folder and sync.
small_part() {
  echo "Making $small files of 4 KiB ..."
  mkdir "$work/src"
  for ((i = 0; i < small; i++)); do head -c 4096 /dev/urandom >"$work/src/f$i"; done
  : >"$work/small_ctl" && : >"$work/small_cp" && : >"$work/small_other"
  # Nothing is removed until the last round is timed: on an ext4 without a journal a new inode is
  # not taken from those freed in the last minute or more, and cp -a, which makes 10,000 of them,
  # was slowed by up to ten times after a round's removals (murvelctl, which makes none, was
  # not). Each murvelctl codes the same copy every round and decodes it again, untimed: the
  # attribute blocks of coded copies left standing would pile up in the kernel's cache of them,
  # which every new block is looked up in, and slow each round more than the one before.
  cp -a "$work/src" "$work/copy"
  [[ -n $other ]] && cp -a "$work/src" "$work/other"
  small_ctl() {
    printf '%s\n' "$password" | "$ctl" --password-stdin code "$work/copy/"* >"$work/small_out"
  }
  small_other() {
    printf '%s\n' "$password" |
      "$other" --password-stdin code "$work/other/"* >"$work/small_other_out"
  }
  small_cp() { cp -a "$work/src" "$work/dst$round" && sync; }
  local contenders=(small_ctl small_cp)
  [[ -n $other ]] && contenders+=(small_other)
  local n=${#contenders[@]}
  for ((round = 0; round <= rounds; round++)); do
    # Untimed: the disk quiet (the last round's writes done: they would land on whichever
    # contender comes next).
    sync
    sleep 1
    # Every contender reads its files from the page cache: murvelctl the copy it is given, cp
    # the folder, read here (this machine reclaims pages it finds cold).
    cat "$work/src/"* "$work/copy/"* >/dev/null
    [[ -n $other ]] && cat "$work/other/"* >/dev/null
    # Each round starts with a different contender.
    for ((k = 0; k < n; k++)); do
      c=${contenders[$(((round + k) % n))]}
      t=$(timed "$c")
      ((round == 0)) || echo "$t" >>"$work/$c"
    done
    for out in small_out $([[ -n $other ]] && echo small_other_out); do
      [[ $(grep -c '^coded: ' "$work/$out") == "$small" ]] || {
        echo "inplace.sh: murvelctl did not code all $small files" >&2
        exit 1
      }
    done
    printf '%s\n' "$password" | "$ctl" --password-stdin decode "$work/copy/"* >"$work/small_out"
    [[ -n $other ]] &&
      printf '%s\n' "$password" | "$ctl" --password-stdin decode "$work/other/"* >>"$work/small_out"
    [[ $(grep -c '^decoded: ' "$work/small_out") == "$((small * (n - 1)))" ]] || {
      echo "inplace.sh: murvelctl did not decode all $small files" >&2
      exit 1
    }
  done
  cmp <(cat "$work/src/"*) <(cat "$work/copy/"*) || {
    echo "inplace.sh: the small files' bytes changed over the runs" >&2
    exit 1
  }
  small_ctl_us=$(median <"$work/small_ctl")
  small_cp_us=$(median <"$work/small_cp")
  awk -v c="$small_ctl_us" -v p="$small_cp_us" -v f="$small" 'BEGIN {
    printf "%d files of 4 KiB (medians):\n", f
    printf "  murvelctl code, one call          %8.3f s\n", c / 1e6
    printf "  cp -a of the folder, then sync    %8.3f s\n", p / 1e6
    printf "  ratio murvelctl / cp -a + sync    %8.2fx\n", c / p
  }'
  if [[ -n $other ]]; then
    awk -v c="$small_ctl_us" -v o="$(median <"$work/small_other")" -v p="$small_cp_us" 'BEGIN {
      printf "  the other murvelctl, one call     %8.3f s\n", o / 1e6
      printf "  ratio other / cp -a + sync        %8.2fx\n", o / p
      printf "  ratio murvelctl / other           %8.2fx\n", c / o
    }'
  fi
  rm -rf "$work/src" "$work/dst"* "$work/copy"* "$work/other"*
  sync
  sleep 2
}



now() { echo "${EPOCHREALTIME/[.,]/}"; }  # microseconds

# One murvelctl call; its peak resident memory (KiB) is appended to $work/rss.
ctl_call() {
  printf '%s\n' "$password" |
    /usr/bin/time -f '%M' -a -o "$work/rss" "$ctl" --password-stdin "$1" "$file" >/dev/null
}

pair_ctl() { ctl_call code && ctl_call decode; }
pair_dd() {
  dd if="$file" of="$file" conv=notrunc bs=1M status=none
  dd if="$file" of="$file" conv=notrunc bs=1M status=none
}
pair_dd_sync() {
  dd if="$file" of="$file" conv=notrunc,fdatasync bs=1M status=none
  dd if="$file" of="$file" conv=notrunc,fdatasync bs=1M status=none
}

# Runs one contender and prints its time in microseconds. The file's bytes are on disk before
# each (an untimed sync): otherwise a contender would pay for flushing what the one before it
# left unflushed (plain dd leaves the whole file so).
timed() {
  local t0 t1
  sync
  t0=$(now)
  "$1"
  t1=$(now)
  echo $((t1 - t0))
}

median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

((small > 0)) && small_part
((size_mib > 0)) || exit 0

echo "Making a ${size_mib} MiB file in $work ..."
head -c "$((size_mib * 1024 * 1024))" /dev/urandom >"$file"
before=$(cksum <"$file")

: >"$work/rss"
contenders=(pair_ctl pair_dd pair_dd_sync)
for ((round = 0; round <= rounds; round++)); do
  # Each round starts with a different contender.
  for ((k = 0; k < 3; k++)); do
    c=${contenders[$(((round + k) % 3))]}
    t=$(timed "$c")
    ((round == 0)) || echo "$t" >>"$work/$c"
  done
done

after=$(cksum <"$file")
if [[ $before != "$after" ]]; then
  echo "inplace.sh: the file's bytes changed over the runs: murvelctl did not give them back" >&2
  exit 1
fi

ctl_us=$(median <"$work/pair_ctl")
dd_us=$(median <"$work/pair_dd")
dds_us=$(median <"$work/pair_dd_sync")
rss_kib=$(sort -n "$work/rss" | tail -1)

awk -v c="$ctl_us" -v d="$dd_us" -v s="$dds_us" -v r="$rss_kib" -v m="$size_mib" -v n="$rounds" 'BEGIN {
  printf "%d MiB, %d rounds (medians):\n", m, n
  printf "  murvelctl code + decode          %8.3f s\n", c / 1e6
  printf "  two dd conv=notrunc rewrites     %8.3f s\n", d / 1e6
  printf "  two dd conv=notrunc,fdatasync    %8.3f s\n", s / 1e6
  printf "  ratio murvelctl / dd             %8.2fx\n", c / d
  printf "  ratio murvelctl / dd + fdatasync %8.2fx\n", c / s
  printf "  murvelctl peak resident memory   %8.1f MiB\n", r / 1024
}'
