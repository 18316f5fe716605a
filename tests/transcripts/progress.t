The progress line shows files and bytes: for one input as for many, on standard error when it
is a terminal, or with --progress. Each drawing starts with a carriage return, so a terminal
shows one line that changes; `lines` shows each drawing on a line of its own. The first is
drawn before anything is read and the last once every input is done; the ones between, a few a
second while a big input is parsed, depend on the machine's speed, so only the first and the
last are shown here.

  $ lines() { tr '\r' '\n' <err | sed 's/ *$//' | grep . | sed -n '1p;$p'; }
  $ cp "$EXAMPLES/household.vqz" one.vqz
  $ vqz2xml --progress one.vqz 2>err
  $ lines
  vqz2xml: 0/1 files, 0 faulty, 0 B of 3.0 kB
  vqz2xml: 1/1 files, 0 faulty, 3.0 kB of 3.0 kB

The line is taken away before anything else is printed, and drawn again behind it.

  $ cp "$EXAMPLES/panel_v10.vqz" two.vqz
  $ printf 'VQZ\nVERSION 1.1\nSURVX\n' > bad.vqz
  $ vqz2xml --progress -j1 -d xml one.vqz bad.vqz two.vqz 2>err
  [1]
  $ lines
  vqz2xml: 0/3 files, 0 faulty, 0 B of 4.7 kB
  vqz2xml: 3 files: 2 converted, 1 faulty, 0 skipped, 0 not converted
  $ tr '\r' '\n' <err | sed 's/ *$//' | grep . | grep -v '^vqz2xml: [0-9]*/'
  bad.vqz:3:1: error: expected 'User', 'Date', 'Time' or 'Origin', found "SURVX"
  bad.vqz:3:1: note: did you mean 'SURVEY'?
  vqz2xml: 3 files: 2 converted, 1 faulty, 0 skipped, 0 not converted
  $ tr '\r' '\n' <err | sed 's/ *$//' | grep '^vqz2xml: 3/3'
  vqz2xml: 3/3 files, 1 faulty, 4.7 kB of 4.7 kB

A big input shows its bytes going by while it is parsed; standard input's size is not known
beforehand, so its line shows only the bytes done.

  $ i=0; { echo 'VQZ VERSION 1.1 SURVEY RECORD A'; while [ $i -lt 20 ]; do i=$((i+1)); yes 'VARIABLE 1 NAME "n" LABEL "l" TYPE LOGICAL POSITION 1 END VARIABLE' | head -n 10000; done; echo 'END RECORD END SURVEY END VQZ'; } > big.vqz
  $ wc -c <big.vqz
  13400062
  $ vqz2xml --progress -f big.vqz 2>err
  $ lines
  vqz2xml: 0/1 files, 0 faulty, 0 B of 13 MB
  vqz2xml: 1/1 files, 0 faulty, 13 MB of 13 MB
  $ vqz2xml --progress -o - - <big.vqz 2>err | cmp - big.xml
  $ lines
  vqz2xml: 0/1 files, 0 faulty, 0 B
  vqz2xml: 1/1 files, 0 faulty, 13 MB

Without --progress, standard error being a file, and with --no-progress, there is none.

  $ vqz2xml -f one.vqz 2>err
  $ vqz2xml --progress --no-progress -f one.vqz 2>>err
  $ wc -c <err
  0
