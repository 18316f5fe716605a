# Helpers for the transcripts, which source it: . "$TESTDIR/lib.sh"
DATA="$TESTDIR/data"

# Every file below the working folder, by name, and what it holds: "= NAME" when it is a file of
# data/ byte for byte, else its size and its first bytes (line ends shown as "|").
files() {
  find . -type f | LC_ALL=C sort | while IFS= read -r file; do
    what=""
    for known in "$DATA"/*; do
      cmp -s "$file" "$known" && what="= ${known##*/}" && break
    done
    [ -n "$what" ] || what="$(wc -c <"$file" | tr -d ' ') bytes: $(head -c 40 "$file" | tr '\r\n' '||')"
    printf '%s %s\n' "$file" "$what"
  done
}

# The classic form without its banner: the banner is checked, and left out of what is shown.
classic() {
  vqz2xml "$@" >../classic.out
  status=$?
  head -n 9 ../classic.out | cmp -s - "$DATA/banner.txt" || echo "(no banner)"
  tail -n +10 ../classic.out
  return $status
}

# A survey of $1 variables named $2 (about 70 bytes of input each).
survey() {
  echo "VQZ VERSION 1.1 SURVEY RECORD A"
  yes "VARIABLE 1 NAME \"${2:-n}\" LABEL \"l\" TYPE LOGICAL POSITION 1 END VARIABLE" | head -n "$1"
  echo "END RECORD END SURVEY END VQZ"
}

# A complete survey whose one label is $1, given as printf gives it ("caf\351").
labelled() {
  printf "VQZ VERSION 1.1 SURVEY RECORD A VARIABLE 1 NAME \"n\" LABEL \"$1\" TYPE logical POSITION 1 END VARIABLE END RECORD END SURVEY END VQZ\n"
}
