#!/usr/bin/env bash
# Times a code + decode round trip of a large file with murvelctl against two in-place rewrites
# of the same file with dd (pure I/O: the limit for a pass that rewrites a file where it lies),
# alternating the two in every round so that drift of the machine hits both alike. Prints the
# median of each, their ratio and murvelctl's peak resident memory.
#
# murvelctl flushes the file's data to disk at the end of each pass, as the window does; a third
# contender, dd with conv=fdatasync, shows that same flush for comparison.
#
# Usage: bench/inplace.sh [MURVELCTL] [SIZE_MIB] [ROUNDS]
#   MURVELCTL  the program (default: build/bin/murvelctl beside this script's folder)
#   SIZE_MIB   the file's size in MiB (default 1024)
#   ROUNDS     counted rounds after one warm-up round (default 5)
# The file is made in $MURVEL_BENCH_DIR (default /var/tmp), which must keep extended attributes.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
ctl=${1:-$here/../build/bin/murvelctl}
size_mib=${2:-1024}
rounds=${3:-5}
dir=${MURVEL_BENCH_DIR:-/var/tmp}

[[ -x $ctl ]] || { echo "inplace.sh: no murvelctl at '$ctl'" >&2; exit 2; }
[[ -x /usr/bin/time ]] || { echo "inplace.sh: /usr/bin/time is missing (Debian package 'time')" >&2; exit 2; }

work=$(mktemp -d "$dir/murvel-inplace.XXXXXX")
trap 'rm -rf "$work"' EXIT
file=$work/data.bin
password=bench-password

echo "Making a ${size_mib} MiB file in $work ..."
head -c "$((size_mib * 1024 * 1024))" /dev/urandom >"$file"
before=$(cksum <"$file")

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
