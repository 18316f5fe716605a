#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and fuzzes the converter, then the data
# reader, each for a bounded time: fuzz/run.sh [seconds] (default 60 each). The converter starts
# from the kept corpus (fuzz/corpus/), the golden inputs and the examples; the data reader from
# the examples' descriptions joined to their data files. Exits non-zero on any crash, leak, timeout, sanitizer report or
# broken promise; the reproducer is then saved under fuzz/crashes/.
set -euo pipefail

seconds="${1:-60}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-fuzz"
crashes="$root/fuzz/crashes"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DVQZ2XML_FUZZ=ON -DVQZ2XML_TESTS=OFF >/dev/null
cmake --build "$build" --target convert_fuzzer data_fuzzer -j2

corpus="$(mktemp -d)"
data_corpus="$(mktemp -d)"
trap 'rm -rf "$corpus" "$data_corpus"' EXIT
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

# The data reader's seeds: each example's description, the separator, its data file; and the
# data alone, read with the target's own small survey.
for example in "$root"/examples/*.vqz; do
  name="$(basename "$example" .vqz)"
  { cat "$example"; printf '\n%%%%DATA%%%%\n'; cat "${example%.vqz}.dat"; } >"$data_corpus/$name"
  cp "${example%.vqz}.dat" "$data_corpus/$name.dat"
done
printf ' 1  1 207  1   1  12abc 1\r\n 9999      99\r\n 2' >"$data_corpus/fallback"
echo "fuzzing the data reader for $seconds s from $(ls "$data_corpus" | wc -l) seeds"
"$build/data_fuzzer" "$data_corpus" -max_len=4096 -timeout=10 -max_total_time="$seconds" \
  -artifact_prefix="$crashes/" -print_final_stats=1 || status=$?
if [ "$status" -ne 0 ]; then
  echo "fuzz/run.sh: the data fuzzer reported a problem (exit $status); reproducer in $crashes/" >&2
  exit 1
fi
rmdir "$crashes" 2>/dev/null || true
echo "fuzz/run.sh: no finding in $seconds s for each target"
