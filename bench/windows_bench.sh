#!/usr/bin/env bash
# The Windows program under Wine beside the Linux program, on the 100 MB version 1.1 survey:
# interleaved runs, to a file and to the null device, and the median of each.
# Usage: bench/windows_bench.sh LINUX_BUILD WINDOWS_BUILD [RUNS]
# (LINUX_BUILD holds vqz2xml and vqz_generate, WINDOWS_BUILD vqz2xml.exe; 7 runs by default)
set -euo pipefail

linux_build="$(realpath "$1")"
windows_build="$(realpath "$2")"
runs="${3:-7}"
export WINEDEBUG=-all
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
"$linux_build/vqz_generate" v11 100 survey.vqz >/dev/null

# Seconds of wall time the command takes.
seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  awk -v start="$start" -v end="$end" 'BEGIN { printf "%.3f\n", end - start }'
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

wine "$windows_build/vqz2xml.exe" --version >/dev/null 2>&1 # Wine's start-up, once
md5=() linux_file=() wine_file=() linux_null=() wine_null=()
for _ in $(seq "$runs"); do
  md5+=("$(seconds md5sum survey.vqz)")
  linux_file+=("$(seconds "$linux_build/vqz2xml" -f -o out.xml survey.vqz)")
  wine_file+=("$(seconds wine "$windows_build/vqz2xml.exe" -f -o out.xml survey.vqz)")
  linux_null+=("$(seconds "$linux_build/vqz2xml" -o /dev/null survey.vqz)")
  wine_null+=("$(seconds wine "$windows_build/vqz2xml.exe" -o NUL survey.vqz)")
done

report() { # NAME TIMES...
  local name="$1"
  shift
  printf '%-28s median %6.3f s   range %6.3f to %6.3f s\n' "$name" \
    "$(printf '%s\n' "$@" | median)" "$(printf '%s\n' "$@" | sort -n | head -n 1)" \
    "$(printf '%s\n' "$@" | sort -n | tail -n 1)"
}
echo "100 MB version 1.1 survey, $runs interleaved runs, load average $(cut -d' ' -f1 /proc/loadavg)"
report "md5sum" "${md5[@]}"
report "Linux, -f -o out.xml" "${linux_file[@]}"
report "Wine, -f -o out.xml" "${wine_file[@]}"
report "Linux, -o /dev/null" "${linux_null[@]}"
report "Wine, -o NUL" "${wine_null[@]}"
