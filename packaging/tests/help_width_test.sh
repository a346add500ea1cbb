#!/usr/bin/env bash
# Every program's --help, and every command's and nested command's, fits 80 columns (a Chinese
# character takes two): terminals and the manual pages made from the help are that wide.
# Usage: help_width_test.sh PROGRAM...
set -uo pipefail
export LC_ALL=C.UTF-8
failed=0 checked=0

# The commands a --help lists under "Subcommands:".
commands() { awk '/^Subcommands:/ { on = 1; next } on && /^$/ { on = 0 } on && /^  [a-z]/ { print $1 }'; }

check() {
  local help wide
  # By its name, as a user runs it: a usage line shows the name it was started by.
  help=$( (exec -a "$(basename "$1")" "$@" --help) 2>&1) ||
    { echo "FAIL  $* --help exits with $?"; failed=1; return; }
  checked=$((checked + 1))
  wide=$(perl -CSD -ne 'chomp; my $w = length; $w++ while /[\p{Ea=W}\p{Ea=F}]/g;
    print "  $w: $_\n" if $w > 80' <<<"$help")
  if [ -n "$wide" ]; then
    echo "FAIL  $* --help has lines over 80 columns:"
    echo "$wide"
    failed=1
  fi
  local command
  for command in $(commands <<<"$help"); do check "$@" "$command"; done
}

for program in "$@"; do check "$program"; done
echo "$checked --help texts checked"
exit $failed
