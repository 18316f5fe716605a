#!/usr/bin/env bash
# Builds the libFuzzer target with clang in build-fuzz and fuzzes the converter for a bounded
# time: fuzz/run.sh [seconds] (default 60), starting from the kept corpus (fuzz/corpus/), the
# golden inputs and the examples. Exits non-zero on any crash, leak, timeout, sanitizer report or
# broken promise; the reproducer is then saved under fuzz/crashes/.
set -euo pipefail

seconds="${1:-60}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-fuzz"
crashes="$root/fuzz/crashes"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DVQZ2XML_FUZZ=ON -DVQZ2XML_TESTS=OFF >/dev/null
cmake --build "$build" --target convert_fuzzer -j2

corpus="$(mktemp -d)"
trap 'rm -rf "$corpus"' EXIT
shopt -s nullglob
for seed in "$root"/fuzz/corpus/* "$root"/tests/golden/*.vqz "$root"/examples/*.vqz; do
  cp "$seed" "$corpus/"
done
# A minimal complete document, so the run has a seed even where the folders hold none.
printf 'VQZ VERSION 1.1 SURVEY RECORD A VARIABLE 1 NAME "a" LABEL "b" TYPE logical POSITION 1\r\nEND VARIABLE END RECORD END SURVEY END VQZ\r\n' \
  >"$corpus/minimal.vqz"
echo "fuzzing for $seconds s from $(ls "$corpus" | wc -l) seeds"

mkdir -p "$crashes"
status=0
"$build/convert_fuzzer" "$corpus" -dict="$root/fuzz/vqz.dict" -max_len=4096 -timeout=10 \
  -max_total_time="$seconds" -artifact_prefix="$crashes/" -print_final_stats=1 || status=$?
if [ "$status" -ne 0 ]; then
  echo "fuzz/run.sh: the fuzzer reported a problem (exit $status); reproducer in $crashes/" >&2
  exit 1
fi
rmdir "$crashes" 2>/dev/null || true
echo "fuzz/run.sh: no finding in $seconds s"
