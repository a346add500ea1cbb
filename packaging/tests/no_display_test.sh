#!/usr/bin/env bash
# The window programs without a display: one line of their own on standard error and status 1,
# no abort, none of Qt's warnings before it and no advice to reinstall.
# Usage: no_display_test.sh "PROGRAM [ARGUMENTS]" ...
set -uo pipefail
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
failed=0
for run in "$@"; do
  read -r -a words <<<"$run"
  errors=$("${words[@]}" 2>&1 >/dev/null)
  status=$?
  lines=$(printf '%s\n' "$errors" | wc -l)
  name=$(basename "${words[0]}")
  name=${name%-screen}
  if [ $status -ne 1 ] || [ "$lines" -ne 1 ] || [[ $errors != "$name: "*"no display could be reached"* ]]; then
    echo "FAIL  $(basename "${words[0]}") ${words[*]:1}: status $status, said:"
    printf '%s\n' "$errors"
    failed=1
  else
    echo "ok    $(basename "${words[0]}") ${words[*]:1}: $errors"
  fi
done
exit $failed
