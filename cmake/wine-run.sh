#!/usr/bin/env bash
# Runs a Windows program under Wine: CMake's emulator for the cross-built tests.
# Wine's own loader at times fails an assertion as the process ends ("Inconsistency detected by
# ld.so: dl-fini.c"), after the program has done its work, and the run ends with status 127. Such
# a run is made again, three runs at the most; the programs run this way (test programs, whose
# scratch folders start empty) give the same result each time. Standard output and error are
# held back until the run that counts has ended.
set -uo pipefail
out="$(mktemp)"
err="$(mktemp)"
trap 'rm -f "$out" "$err"' EXIT
for run in 1 2 3; do
  status=0
  "${WINE:-wine}" "$@" >"$out" 2>"$err" || status=$?
  [ "$status" -eq 127 ] && grep -q '^Inconsistency detected by ld.so' "$err" && [ "$run" -lt 3 ] ||
    break
  echo "wine-run.sh: Wine's loader failed as the program ended; running it again" >&2
done
cat "$out"
cat "$err" >&2
exit "$status"
