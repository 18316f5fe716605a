#!/usr/bin/env bash
# read_data in R beside readr::read_fwf and vroom::vroom_fwf on a data file of MB megabytes
# (300 by default): the example household survey's records without data errors, each with an
# identifier of its own. Each reader runs in a fresh R process and prints its seconds, its peak
# memory above the process's own before the read, and the frame's size.
# Needs the R package installed (r/build.sh; R CMD INSTALL) and r-cran-readr, r-cran-vroom.
# Run as: bench/r_read_data.sh [MB]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
examples="$here/../examples"
megabytes="${1:-300}"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

awk -v limit="$((megabytes * 1000000))" '
  FNR != 4 { line[n++] = substr($0, 9) }  # line 4 holds data errors
  END {
    for (i = 0; bytes < limit; i++) {
      record = sprintf("H%07d", i % 10000000) line[i % n]
      print record
      bytes += length(record) + 1
    }
  }' "$examples/household.dat" >"$scratch/big.dat"
echo "data file: $(du -m "$scratch/big.dat" | cut -f1) MB, $(wc -l <"$scratch/big.dat") records"
cat "$scratch/big.dat" >/dev/null # in the page cache for every reader alike

for reader in read_data readr vroom read_data readr vroom; do
  Rscript "$here/r_read_data.R" "$reader" "$examples/household.vqz" "$scratch/big.dat"
done
