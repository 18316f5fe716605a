#require posix
Memory: a big file converts in bounded memory, written as it is read, and a file too big for
the memory the program may have is reported, never a crash. The limit is on the address
space; a sanitizer's build cannot run under it, and then this is skipped.

  $ . "$TESTDIR/lib.sh"
  $ limit() { ulimit -v 150000; }
  $ cp "$DATA/complete.vqz" small.vqz && (limit && classic small small.xml >/dev/null) && cmp -s small.xml "$DATA/complete.xml" || exit 80

A survey of 800,000 variables, 50 MB: far more than a chain of every statement (an element of
40 to 60 bytes each) could hold under the limit, so it converts only when written as read. It
is converted in full, and cut short.

  $ { survey 800000; } >big.vqz
  $ classic big free.xml
  Converting from file big.vqz to free.xml...\r (esc)
  Conversion from big.vqz to free.xml completed succesfully.
  $ (limit && classic big bounded.xml)
  Converting from file big.vqz to bounded.xml...\r (esc)
  Conversion from big.vqz to bounded.xml completed succesfully.
  $ cmp free.xml bounded.xml && test $(wc -c <free.xml) -gt 100000000 && rm free.xml bounded.xml
  $ survey 800000 | head -n 800001 >big.vqz && echo 'END RECORD END' >>big.vqz
  $ classic big free.xml
  Converting from file big.vqz to free.xml...\r (esc)
  ERROR: Faulty input file, see 'free.xml' for details.
  $ (limit && classic big bounded.xml)
  Converting from file big.vqz to bounded.xml...\r (esc)
  ERROR: Faulty input file, see 'bounded.xml' for details.
  $ cmp free.xml bounded.xml && test $(wc -c <free.xml) -gt 100000000 && rm free.xml bounded.xml

One variable with three million codes, all held until the variable ends.

  $ { echo 'VQZ VERSION 1.1 SURVEY RECORD A VARIABLE 1 NAME "n" LABEL "l" TYPE SINGLE POSITION 1 VALUES'; yes '1 "a"' | head -n 3000000; echo 'END VALUES END VARIABLE END RECORD END SURVEY END VQZ'; } >big.vqz
  $ (limit && classic big)
  Converting from file big.vqz to big.xml...\r (esc)
  ERROR: Not enough memory to convert big.vqz
  $ ls
  big.vqz
  small.vqz
  small.xml

In the option form, a job that runs out of memory while others run is tried again alone once
they are done; one that still does not fit is reported in its place, the others converted.

  $ (limit && vqz2xml -j 2 -q -d out big.vqz small.vqz)
  ! vqz2xml: not enough memory to convert 'big.vqz'
  [2]
  $ ls out
  small.xml

Under an address-space limit that leaves room for some threads only, those that start do the
work; the process never aborts.

  $ limits() { ulimit -s 8192 && ulimit -v 1000000; }
  $ rm -rf ./* && for i in $(seq 0 199); do cp "$DATA/complete.vqz" in$i.vqz; done
  $ (limits && vqz2xml -j 200 -q -d out in*.vqz)
  $ files | sed 's/.* = //' | sort | uniq -c
      200 complete.vqz
      200 complete.xml
