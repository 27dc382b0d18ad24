#!/usr/bin/env bash
# murvelctl's bash completion offers the commands first, options on a dash, and leaves files to
# the shell after the command (and after "--"). Usage: completion-test.sh COMPLETION-FILE
set -u
source "$1"
failed=0
expect() {  # expected-reply, words... (the last word is the one being completed)
  local want=$1; shift
  COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMPREPLY=()
  _murvelctl
  if [[ "${COMPREPLY[*]}" != "$want" ]]; then
    echo "FAIL: '$*' gave '${COMPREPLY[*]}', want '$want'"; failed=$((failed + 1))
  fi
}
expect "code decode seal unseal status recover rescue" murvelctl ""
expect "seal" murvelctl --strong -r se
expect "decode" murvelctl -v --password-stdin de
expect "recover rescue" murvelctl -r re
expect "rescue" murvelctl --key-date "2024-01-02 03:04:05" res
expect "--verbose --version" murvelctl --ver
expect "--recursive" murvelctl code --rec
expect "--password-stdin" murvelctl --pass
expect "" murvelctl code lett
expect "" murvelctl status -- -
expect "status" murvelctl -- st
expect "" murvelctl rescue --key-date 20
[[ $(complete -p murvelctl) == *"-o default"*"-F _murvelctl"* ]] || { echo "FAIL: not registered"; failed=$((failed + 1)); }
echo "completion: $((13 - failed)) passed, $failed failed"
exit $((failed > 0))
