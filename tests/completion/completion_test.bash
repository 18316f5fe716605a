#!/usr/bin/env bash
# Sources the bash completion of vqz2xml and checks what it offers for a few command lines.
# Run as: bash completion_test.bash <completion script>
set -u
source "$1" || exit 1

passed=0
failed=0
# The words of a command line, the last one being completed, then "::" and the offers expected
# (in any order).
check() {
    local words=() expected
    while [[ $1 != "::" ]]; do
        words+=("$1")
        shift
    done
    shift
    COMP_WORDS=(vqz2xml "${words[@]}")
    COMP_CWORD=${#words[@]}
    COMPREPLY=()
    _vqz2xml
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ')
    expected=$(printf '%s\n' "$@" | sort | tr '\n' ' ')
    if [[ $got == "$expected" ]]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "vqz2xml ${words[*]}: offered '$got', expected '$expected'"
    fi
}

registered=$(complete -p vqz2xml)
if [[ $registered == "complete -F _vqz2xml vqz2xml" ]]; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
    echo "not registered as expected: $registered"
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
mkdir -p "arch/wave 1" xml
touch a.vqz B.VQZ notes.txt "arch/wave 1/household.vqz"

check --enc :: --encoding=
check --no- :: --no-clobber --no-faulty-output --no-progress
check --encoding = u :: utf-8 utf8
check --encoding = :: latin1 latin-1 iso-8859-1 cp1252 windows-1252 utf-8 utf8 auto
check --encoding=win :: --encoding=windows-1252
check --encoding wi :: windows-1252
check -d "" :: arch xml
check --output-dir = x :: xml
check -o n :: notes.txt
check "" :: a.vqz B.VQZ arch xml
check arch/ :: "arch/wave 1"
check "arch/wave 1/" :: "arch/wave 1/household.vqz"
check no :: notes.txt
check -- -r :: ""
check -r -u "" :: a.vqz B.VQZ arch xml

echo "$passed passed, $failed failed"
((failed == 0))
