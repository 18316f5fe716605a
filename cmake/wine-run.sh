#!/usr/bin/env bash
# Runs a Windows program under Wine: CMake's emulator for the cross-built tests, and the program
# the command-line transcripts run there.
# Wine's own loader at times fails an assertion as the process ends ("Inconsistency detected by
# ld.so: dl-fini.c"), after the program has done its work, and the run ends with status 127. Such
# a run is made again, three runs at the most; the programs run this way (test programs, whose
# scratch folders start empty) give the same result each time. Standard output and error are
# held back until the run that counts has ended.
# With --restore-folder first, a run made again starts from the working folder and standard input
# as they were before the first (the program converts files there, and reads its input once); a
# pipe on standard input is a pipe again, and nothing tells that the run was made again.
set -uo pipefail
kept="$(mktemp -d)"
trap 'rm -rf "$kept"' EXIT
restore=""
if [ "${1:-}" = --restore-folder ]; then
  shift
  restore=yes
  cp -a --sparse=always . "$kept/folder"
  [ -p /dev/stdin ] && piped=yes || piped=""
  cat >"$kept/stdin"
fi
for run in 1 2 3; do
  status=0
  if [ -z "$restore" ]; then
    "${WINE:-wine}" "$@" >"$kept/out" 2>"$kept/err" || status=$?
  elif [ -n "$piped" ]; then
    cat "$kept/stdin" | "${WINE:-wine}" "$@" >"$kept/out" 2>"$kept/err" || status=$?
  else
    "${WINE:-wine}" "$@" <"$kept/stdin" >"$kept/out" 2>"$kept/err" || status=$?
  fi
  [ "$status" -eq 127 ] && grep -q '^Inconsistency detected by ld.so' "$kept/err" && [ "$run" -lt 3 ] ||
    break
  if [ -n "$restore" ]; then # silent: what the program prints is compared
    find . -mindepth 1 -delete && cp -a --sparse=always "$kept/folder/." .
  else
    echo "wine-run.sh: Wine's loader failed as the program ended; running it again" >&2
  fi
done
cat "$kept/out"
cat "$kept/err" >&2
exit "$status"
