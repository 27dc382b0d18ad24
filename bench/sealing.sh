#!/usr/bin/env bash
# Times murvelctl's sealing against what it is measured by, each contender alternating with the
# others in every round so that drift of the machine hits all alike, and prints the medians and
# their ratios:
#   - the key derivation: a seal of a 100-byte file less a coding of it (the process, the
#     journal and its flushes cancel out, and what is left is the derivation);
#   - a seal and an unseal (which checks the whole file's MAC before it writes a byte) of a large
#     file, less the derivation, against two in-place rewrites of it with dd
#     conv=notrunc,fdatasync (the same flush murvelctl's change ends with);
#   - for reference, a code + decode round trip of the large file against the same (what
#     bench/inplace.sh measures), which tells how far this machine's load skews the ratios;
#   - FILES files of 4 KiB sealed by one murvelctl call against the same coded by one call, and
#     that plus one derivation;
#   - the peak resident memory of each call, against the seal of the small file, whose peak is
#     the derivation's.
# The changes are crash-safe (docs/crash-safety.md): these are the figures with the journal, the
# markers and every flush they take.
#
# Usage: bench/sealing.sh [MURVELCTL] [SIZE_MIB] [ROUNDS] [FILES]
#   MURVELCTL  the program (default: build/bin/murvelctl beside this script's folder)
#   SIZE_MIB   the large file's size in MiB (default 1024; 0 leaves that part out)
#   ROUNDS     counted rounds after one warm-up round (default 5)
#   FILES      the number of small files (default 512; 0 leaves that part out)
# The files are made in $MURVEL_BENCH_DIR (default /var/tmp), which must keep extended attributes.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
ctl=${1:-$here/../build/bin/murvelctl}
size_mib=${2:-1024}
rounds=${3:-5}
small=${4:-512}
dir=${MURVEL_BENCH_DIR:-/var/tmp}

[[ -x $ctl ]] || { echo "sealing.sh: no murvelctl at '$ctl'" >&2; exit 2; }
[[ -x /usr/bin/time ]] || { echo "sealing.sh: /usr/bin/time is missing (Debian package 'time')" >&2; exit 2; }

work=$(mktemp -d "$dir/murvel-sealing.XXXXXX")
trap 'rm -rf "$work"' EXIT
file=$work/data.bin
tiny=$work/tiny.bin
# Strong enough to draw no warning; the same for every call.
password='a bench pass phrase, long enough'

now() { echo "${EPOCHREALTIME/[.,]/}"; }  # microseconds
median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

# One murvelctl call: COMMAND FILE...; its peak resident memory (KiB) goes to $work/rss_$tag.
# Every file must be done.
ctl_call() {
  local tag=$1 command=$2
  shift 2
  local pw=$password
  [[ $command == code || $command == decode ]] && pw=pw
  printf '%s\n' "$pw" |
    /usr/bin/time -f '%M' -a -o "$work/rss_$tag" "$ctl" --password-stdin "$command" "$@" \
      >"$work/out" 2>"$work/err" || { echo "sealing.sh: $command failed: $(cat "$work/err")" >&2; exit 1; }
}

# Runs one contender after an untimed sync and prints its time in microseconds; the contender's
# untimed second half (putting the file back) follows.
timed() {
  local t0 t1
  sync
  t0=$(now)
  "$1"
  t1=$(now)
  echo $((t1 - t0))
}

# The contenders. Each leaves its files as it found them (the second half untimed).
derive() { ctl_call tiny seal "$tiny"; }
derive_undo() { ctl_call undo unseal "$tiny"; }
code_tiny() { ctl_call code_tiny code "$tiny"; }
code_tiny_undo() { ctl_call undo decode "$tiny"; }
seal_big() { ctl_call seal seal "$file"; }
unseal_big() { ctl_call unseal unseal "$file"; }
code_pair() {
  ctl_call code code "$file"
  ctl_call code decode "$file"
}
dd_pair() {
  dd if="$file" of="$file" conv=notrunc,fdatasync bs=1M status=none
  dd if="$file" of="$file" conv=notrunc,fdatasync bs=1M status=none
}
seal_small() { ctl_call seal_small seal "$work/small/"*; }
seal_small_undo() { ctl_call undo unseal "$work/small/"*; }
code_small() { ctl_call code_small code "$work/small/"*; }
code_small_undo() { ctl_call undo decode "$work/small/"*; }

head -c 100 /dev/urandom >"$tiny"
contenders=(derive code_tiny)
if ((small > 0)); then
  echo "Making $small files of 4 KiB ..."
  mkdir "$work/small"
  for ((i = 0; i < small; i++)); do head -c 4096 /dev/urandom >"$work/small/f$i"; done
  contenders+=(seal_small code_small)
fi
if ((size_mib > 0)); then
  echo "Making a ${size_mib} MiB file in $work ..."
  head -c "$((size_mib * 1024 * 1024))" /dev/urandom >"$file"
  # A seal and the unseal after it are one contender: each timed on its own.
  contenders+=(big dd_pair code_pair)
fi
before=$( (cksum <"$tiny"; [[ -f $file ]] && cksum <"$file"; cat "$work/small/"* 2>/dev/null | cksum) )

n=${#contenders[@]}
for ((round = 0; round <= rounds; round++)); do
  # Each round starts with a different contender.
  for ((k = 0; k < n; k++)); do
    c=${contenders[$(((round + k) % n))]}
    if [[ $c == big ]]; then
      t=$(timed seal_big)
      u=$(timed unseal_big)
      ((round == 0)) || { echo "$t" >>"$work/t_seal"; echo "$u" >>"$work/t_unseal"; }
      continue
    fi
    t=$(timed "$c")
    ((round == 0)) || echo "$t" >>"$work/t_$c"
    declare -F "${c}_undo" >/dev/null && "${c}_undo"
  done
done

after=$( (cksum <"$tiny"; [[ -f $file ]] && cksum <"$file"; cat "$work/small/"* 2>/dev/null | cksum) )
if [[ $before != "$after" ]]; then
  echo "sealing.sh: the files' bytes changed over the runs: they did not come back" >&2
  exit 1
fi

peak() { sort -n "$work/rss_$1" | tail -1; }
derive_us=$(($(median <"$work/t_derive") - $(median <"$work/t_code_tiny")))
# The ratios are taken in each round, with that round's derivation, and their median printed:
# a derivation costs about as much as the small files' whole seal, and the difference of two
# medians taken apart can swing by more than what it measures.
per_round() { paste "$@" | awk "{ print $ratio }" | median; }
awk -v d="$derive_us" -v r="$(peak tiny)" -v n="$rounds" 'BEGIN {
  printf "%d rounds (medians):\n", n
  printf "  key derivation (seal less code of 100 bytes)     %8.3f s, peak %6.1f MiB\n", d / 1e6, r / 1024
}'
if ((small > 0)); then
  # Columns: derive, code_tiny, seal_small, code_small.
  ratio='($3 - ($1 - $2)) / $4'
  small_ratio=$(per_round "$work/t_derive" "$work/t_code_tiny" "$work/t_seal_small" "$work/t_code_small")
  awk -v s="$(median <"$work/t_seal_small")" -v c="$(median <"$work/t_code_small")" -v d="$derive_us" \
    -v f="$small" -v r="$(peak seal_small)" -v t="$(peak tiny)" -v pr="$small_ratio" 'BEGIN {
    printf "%d files of 4 KiB, one call each:\n", f
    printf "  murvelctl seal                                   %8.3f s, peak %6.1f MiB\n", s / 1e6, r / 1024
    printf "  murvelctl code                                   %8.3f s\n", c / 1e6
    printf "  ratio seal / (code + one derivation)             %8.2fx\n", s / (c + d)
    printf "  ratio (seal - derivation) / code                 %8.2fx (at most 2)\n", (s - d) / c
    printf "    the same, median of the rounds'"'"' own ratios      %8.2fx\n", pr
    printf "  peak above the derivation'"'"'s                     %8.1f MiB (at most 8)\n", (r - t) / 1024
  }'
fi
if ((size_mib > 0)); then
  # Columns: derive, code_tiny, seal or unseal, dd_pair.
  ratio='($3 - ($1 - $2)) / $4'
  seal_ratio=$(per_round "$work/t_derive" "$work/t_code_tiny" "$work/t_seal" "$work/t_dd_pair")
  unseal_ratio=$(per_round "$work/t_derive" "$work/t_code_tiny" "$work/t_unseal" "$work/t_dd_pair")
  awk -v s="$(median <"$work/t_seal")" -v u="$(median <"$work/t_unseal")" -v dd="$(median <"$work/t_dd_pair")" \
    -v ps="$seal_ratio" -v pu="$unseal_ratio" \
    -v d="$derive_us" -v m="$size_mib" -v rs="$(peak seal)" -v ru="$(peak unseal)" -v t="$(peak tiny)" \
    -v c="$(median <"$work/t_code_pair")" 'BEGIN {
    printf "%d MiB:\n", m
    printf "  murvelctl seal                                   %8.3f s, peak %6.1f MiB\n", s / 1e6, rs / 1024
    printf "  murvelctl unseal                                 %8.3f s, peak %6.1f MiB\n", u / 1e6, ru / 1024
    printf "  two dd conv=notrunc,fdatasync rewrites           %8.3f s\n", dd / 1e6
    printf "  murvelctl code + decode (reference)              %8.3f s, %.2fx dd\n", c / 1e6, c / dd
    printf "  ratio (seal - derivation) / dd                   %8.2fx (at most 1.15)\n", (s - d) / dd
    printf "    the same, median of the rounds'"'"' own ratios      %8.2fx\n", ps
    printf "  ratio (unseal - derivation) / dd                 %8.2fx (at most 1.7)\n", (u - d) / dd
    printf "    the same, median of the rounds'"'"' own ratios      %8.2fx\n", pu
    printf "  peak above the derivation'"'"'s, seal / unseal        %8.1f / %.1f MiB (at most 8)\n", (rs - t) / 1024, (ru - t) / 1024
  }'
fi
