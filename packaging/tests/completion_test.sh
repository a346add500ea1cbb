#!/usr/bin/env bash
# bash completion of zotpx against the real program: commands, nested commands, options,
# option values skipped while finding the command, choices from the help, "--opt=value".
# Usage: completion_test.sh COMPLETION_FILE ZOTPX
set -uo pipefail
# shellcheck disable=SC1090
source "$1"
zotpx=$2
failed=0

# Each case: the words after "zotpx" (the last one is completed), then the expected replies
# ("~" before a word: at least that word, not exactly).
check() {
  local words=$1 expected=$2
  read -r -a COMP_WORDS <<<"$words"
  [[ $words == *' ' ]] && COMP_WORDS+=("")
  COMP_WORDS=("$zotpx" "${COMP_WORDS[@]}")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _zotpx 2>/dev/null
  local got=" ${COMPREPLY[*]} " word ok=1
  if [[ $expected == '~'* ]]; then
    for word in ${expected#\~}; do [[ $got == *" $word "* ]] || ok=0; done
  else
    [[ $(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs) == $(printf '%s\n' $expected | sort | xargs) ]] || ok=0
  fi
  if ((ok)); then
    echo "ok    zotpx $words -> $expected"
  else
    echo "FAIL  zotpx $words -> expected \"$expected\", got \"${COMPREPLY[*]}\""
    failed=1
  fi
}

check ' ' '~ports connect params text download cross-file send'
check 'download ' 'font static cross'
check 'bitmap ' 'flashing oversized single'
check '--po' '--port'
check '-p COM1 --json con' 'connect'
check '--log text -b 9600 dow' 'download'
check '-p ' '~COM1 COM16 all'
check 'text --font ' 'small large'
check 'text --colour fg-b' 'fg-bg-edge'
check 'text --colour = fg-b' 'fg-bg-edge'
check 'bitmap flashing --fl' '--flash'
check 'download font ' ''
check 'rect --js' '--json'
check 'rect --left 5 -p ' '~COM1 COM16 all'
check 'rect -p COM1 --fil' '--filled'
exit $failed
