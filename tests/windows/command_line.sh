#!/usr/bin/env bash
# The Windows program's command line, run under Wine: bytes, exit statuses and messages.
# Usage: tests/windows/command_line.sh WINDOWS_PROGRAM LINUX_PROGRAM
# Where both systems must give the same bytes, the Linux program's are the expected ones: the
# same arguments run in two copies of one folder, and standard output, standard error, the exit
# status and every file must agree. Where Windows differs (the system's error texts, the
# program's own name), the expected text is written out here. An input changed while it is read,
# and an interruption, cannot be brought about from here (Wine sends no Ctrl-C without a console):
# the unit tests in tests/platform/ make them happen under Wine.
set -euo pipefail

windows_program="$(realpath "$1")"
linux_program="$(realpath "$2")"
golden="$(cd "$(dirname "${BASH_SOURCE[0]}")/../golden" && pwd)"
wine="${WINE:-wine}"

passed=0
failed=0
scratch=""
trap 'rm -rf "$scratch"' EXIT

# A fresh scratch folder for each group of cases; the runs take its "run" folder as their
# working folder and find their standard input in $scratch/stdin (empty unless a case says).
fresh() {
  rm -rf "$scratch"
  scratch="$(mktemp -d)"
  mkdir "$scratch/run"
  cd "$scratch/run"
  : >"$scratch/stdin"
  printf 'VQZ\r\nVERSION 1.1\r\nSURVEY\r\nTITLE "CR LF\r\nand Ctrl-Z \x1a kept"\r\nRECORD A\r\n' >crlf.vqz
  printf 'VARIABLE 1 NAME "n" LABEL "l\x1a" TYPE logical POSITION 1 END VARIABLE\r\n' >>crlf.vqz
  printf 'END RECORD\r\nEND SURVEY\r\nEND VQZ\r\n' >>crlf.vqz
  cp "$golden/values_example.vqz" good.vqz
  printf 'VQZ\r\nVERSION 1.1\r\nSURVEY\r\n  BOGUS "x"\r\n' >bad.vqz
}

# The Windows program in the working folder: sets `status`, leaves $scratch/out and $scratch/err.
# Wine's own loader at times fails an assertion as the process ends, after the program has done
# its work (status 127, "Inconsistency detected by ld.so"): the folder is then put back as it was
# and the run made again, three runs at the most.
win() {
  rm -rf "$scratch/before-run" && cp -a --sparse=always . "$scratch/before-run"
  for run in 1 2 3; do
    status=0
    "$wine" "$windows_program" "$@" <"$scratch/stdin" >"$scratch/out" 2>"$scratch/err" || status=$?
    [ "$status" -eq 127 ] && grep -q '^Inconsistency detected by ld.so' "$scratch/err" &&
      [ "$run" -lt 3 ] || return 0
    echo "(Wine's loader failed as the program ended; running it again)"
    find . -mindepth 1 -delete && cp -a --sparse=always "$scratch/before-run/." .
  done
}

pass() { passed=$((passed + 1)); }
fail() {
  failed=$((failed + 1))
  echo "FAILED: $1"
}

check() { # NAME EXPECTED-FILE ACTUAL-FILE: the same bytes
  if cmp -s "$2" "$3"; then
    pass
  else
    fail "$1"
    echo "  expected: $(od -c "$2" 2>&1 | head -n 3)"
    echo "  actual:   $(od -c "$3" 2>&1 | head -n 3)"
  fi
}

check_status() { # NAME EXPECTED ACTUAL
  if [ "$2" = "$3" ]; then pass; else fail "$1: exit status $3, expected $2"; fi
}

check_text() { # NAME EXPECTED-TEXT ACTUAL-FILE
  printf '%s' "$2" >"$scratch/expected"
  check "$1" "$scratch/expected" "$3"
}

# Runs the arguments through the Linux program in a copy of the working folder, then through
# the Windows program in the folder itself, and compares everything either wrote.
same_as_linux() { # NAME ARGS...
  local name="$1" linux_status=0
  shift
  rm -rf "$scratch/linux"
  cp -a --sparse=always . "$scratch/linux"
  pushd "$scratch/linux" >/dev/null
  "$linux_program" "$@" <"$scratch/stdin" >"$scratch/linux.out" 2>"$scratch/linux.err" ||
    linux_status=$?
  popd >/dev/null
  win "$@"
  check "$name: standard output" "$scratch/linux.out" "$scratch/out"
  check "$name: standard error" "$scratch/linux.err" "$scratch/err"
  check_status "$name" "$linux_status" "$status"
  if diff -r "$scratch/linux" . >"$scratch/diff"; then pass; else fail "$name: files" && cat "$scratch/diff"; fi
}

echo "== CR LF and Ctrl-Z bytes kept, XML to standard output and from standard input"
fresh
same_as_linux "a file to standard output" -o - crlf.vqz
same_as_linux "a file to a file" -o crlf.xml crlf.vqz
cp crlf.vqz "$scratch/stdin"
same_as_linux "standard input to standard output" -o - -
same_as_linux "standard input to a file" -o piped.xml -
"$linux_program" -o - - <crlf.vqz >"$scratch/linux.out"
cat crlf.vqz | "$wine" "$windows_program" -o - - >"$scratch/out"
check "a pipe to standard input" "$scratch/linux.out" "$scratch/out"

echo "== an existing output: refused, skipped, replaced; the classic form asks"
fresh
echo old >good.xml
win -- good
check_status "existing output refused" 2 "$status"
check_text "existing output refused: message" \
  "vqz2xml: output 'good.xml' exists (-f replaces it, -n skips its input)"$'\n' "$scratch/err"
check_text "existing output refused: file kept" "old"$'\n' good.xml
win -n good
check_status "existing output skipped" 0 "$status"
check_text "existing output skipped: file kept" "old"$'\n' good.xml
win -f good
check_status "existing output replaced" 0 "$status"
check "existing output replaced: file" "$golden/values_example.xml" good.xml
echo old >good.xml
printf 'N\r\n' >"$scratch/stdin"
win good
check_text "classic form, answer N: file kept" "old"$'\n' good.xml
printf 'x\nY\n' >"$scratch/stdin"
same_as_linux "classic form, answers x and Y" good
# Answers typed at a Windows console end in CR LF, which standard input in text mode reads as
# LF: the same questions are asked as for the answers above.
cp "$scratch/out" "$scratch/lf.out"
printf 'x\r\nY\r\n' >"$scratch/stdin"
win good
check "classic form, answers x and Y ending in CR LF" "$scratch/lf.out" "$scratch/out"
if [ -z "$(find . -name '.good.xml.*')" ]; then pass; else fail "temporary files left"; fi

echo "== folders named with \\ and with a drive"
fresh
mkdir 'sub dir'
cp good.vqz 'sub dir/in.vqz'
win -d 'out\deep' 'sub dir\in' good
check_status "-d with \\" 0 "$status"
check "-d with \\: first output" "$golden/values_example.xml" out/deep/in.xml
check "-d with \\: second output" "$golden/values_example.xml" out/deep/good.xml
drive="Z:$(pwd | tr / '\\')"
win -d "$drive\\drive out" "$drive\\sub dir\\in.vqz"
check_status "-d with a drive path" 0 "$status"
check "-d with a drive path: output" "$golden/values_example.xml" 'drive out/in.xml'
win "$drive\\sub dir\\in" "$drive\\classic"
check "classic form with drive paths" "$golden/values_example.xml" classic.xml
# A name from the root of the working folder's drive starts with / (here, with Z: the root of
# the Linux file system, the folder's Linux name), and is no option.
win -o rooted.xml "$(pwd)/good.vqz"
check_status "an input named from the drive's root" 0 "$status"
check "an input named from the drive's root: output" "$golden/values_example.xml" rooted.xml

echo "== names outside ASCII"
fresh
cp good.vqz 調査.vqz
cp bad.vqz 不良.vqz
same_as_linux "option form" -v -- 調査
same_as_linux "classic form" 調査 結果
same_as_linux "diagnostic line" --check 不良.vqz 調査

echo "== wildcards, which Windows programs expand themselves"
fresh
mkdir sub
cp good.vqz sub/w1.vqz
cp good.vqz sub/w2.vqz
cp bad.vqz sub/w3.vqz
win --check 'sub/w*.vqz' 'sub/w?.vqz'
check_status "wildcards" 1 "$status"
"$linux_program" --check sub/w*.vqz sub/w?.vqz 2>"$scratch/linux.err" || true
check "wildcards: the files matched, in order" "$scratch/linux.err" "$scratch/err"
win --check 'sub\none*.vqz'
check_text "wildcards matching nothing" "vqz2xml: cannot read 'sub\\none*.vqz': Invalid name"$'\n' "$scratch/err"
win '/?'
if grep -q '^USE: .* infile\[.vqz\] \[outfile\[.xml\]\]$' "$scratch/out"; then pass; else
  fail "classic form, /? is no pattern"
fi

echo "== devices: NUL, and CON where a terminal gives Wine a console"
fresh
ls -A >"$scratch/before"
win -o NUL good
check_status "-o NUL" 0 "$status"
check_text "-o NUL: nothing printed" "" "$scratch/err"
win -v -n -o NUL good
check_text "-o NUL is no existing output to skip" "good.vqz -> NUL: converted"$'\n' "$scratch/err"
ls -A >"$scratch/after"
check "-o NUL: no file made" "$scratch/before" "$scratch/after"
if script -qec true /dev/null >/dev/null 2>&1; then
  status=0
  script -qec "$(printf '%q ' "$wine" "$windows_program" -o CON good)" /dev/null \
    <"$scratch/stdin" >"$scratch/out" 2>&1 || status=$?
  check_status "-o CON" 0 "$status"
  if grep -q '<vqz version="1.1">' "$scratch/out"; then pass; else fail "-o CON: XML on the console"; fi
  ls -A >"$scratch/after"
  check "-o CON: no file made" "$scratch/before" "$scratch/after"
  # Messages reach a console as characters, whatever its code page; the terminal behind Wine's
  # console shows them in UTF-8 (its blanks at times as cursor moves).
  cp good.vqz 調査.vqz
  LANG=C.UTF-8 script -qec "$(printf '%q ' "$wine" "$windows_program" -v -o NUL 調査)" /dev/null \
    <"$scratch/stdin" >"$scratch/out" 2>&1 || true
  if sed 's/\x1b\[[?0-9;]*[A-Za-z]//g' "$scratch/out" | tr -d ' ' |
    grep -q '^調査\.vqz->NUL:converted'; then
    pass
  else
    fail "a name outside ASCII on the console: $(cat -v "$scratch/out")"
  fi
else
  echo "(no script(1) here: -o CON and the console's characters not run)"
fi

echo "== option values: an empty one is a usage error, a flag takes none"
fresh
same_as_linux "-o with an empty value" -o '' good
same_as_linux "--output= with an empty value" --output= good
same_as_linux "-d with an empty value" -d '' good
same_as_linux "--jobs= with an empty value" --jobs= good
same_as_linux "--encoding= with an empty value" --encoding= good
same_as_linux "--fsync with a value" --fsync=yes good

echo "== --fsync: the same bytes, for a new output and a replaced one"
fresh
same_as_linux "--fsync, a new output" --fsync good
same_as_linux "--fsync, replacing an output" -f --fsync -- good crlf

echo "== a hard-linked output: replaced under its own name, the other name keeps the old bytes"
fresh
echo old >good.xml
ln good.xml other.xml
win -f good
check_status "hard-linked output" 0 "$status"
check "hard-linked output: replaced" "$golden/values_example.xml" good.xml
check_text "hard-linked output: the other name" "old"$'\n' other.xml

echo "== exit statuses, diagnostics and errors"
fresh
same_as_linux "a faulty input" -- bad good
same_as_linux "a usage error" -o a.xml good bad
same_as_linux "--check" --check good bad crlf
fresh
win -- missing good
check_status "a missing input" 2 "$status"
check_text "a missing input: message" "vqz2xml: cannot read 'missing.vqz': File not found
vqz2xml: 2 files: 1 converted, 0 faulty, 1 failed
" "$scratch/err"
win missing
check_status "classic form, a missing input" 0 "$status"
if grep -q "^ERROR: Can't find input file missing.vqz$" "$scratch/out"; then pass; else
  fail "classic form, a missing input: message"
fi

echo "== many inputs on four threads, each thread ending after its share"
fresh
for i in $(seq 1 24); do cp good.vqz "many$i.vqz"; done
same_as_linux "-j 4" -j 4 many*.vqz

echo "== an input of 3 GiB: sizes in 64 bits"
fresh
printf 'VQZ\r\nVERSION 1.1\r\nSURVEY\r\n' >huge.vqz
truncate -s 3G huge.vqz
same_as_linux "a 3 GiB input" -- huge

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
