#require posix
Faults during a run: inputs changed by others, interruptions, limits, closed streams, odd
names and folders.

  $ . "$TESTDIR/lib.sh"

An input that another program truncates or rewrites while it is converted: the XML is that of
the input as it was read, and the run goes on to its end. The program writes into a named pipe
whose reader takes one byte (so the conversion is under way), changes the input, then takes the
rest; the input is big enough that its reading could not have ended by then, were it read as
the conversion went.

  $ survey 60000 n >big.vqz && cp big.vqz ../original && survey 60000 m >../rewritten && mkfifo pipe.xml
  $ vqz2xml -o ../expected.xml big
  $ { exec 3<pipe.xml; dd bs=1 count=1 <&3 >../piped 2>/dev/null; truncate -s 0 big.vqz; cat <&3 >>../piped; } & vqz2xml -o pipe.xml big && wait $!
  $ cmp ../expected.xml ../piped
  $ cp ../original big.vqz
  $ { exec 3<pipe.xml; dd bs=1 count=1 <&3 >../piped 2>/dev/null; dd if=../rewritten of=big.vqz conv=notrunc status=none; cat <&3 >>../piped; } & vqz2xml -o pipe.xml big && wait $!
  $ cmp ../expected.xml ../piped

The program waits on standard input with its output open when it is interrupted: the old output
stays, and nothing else is left, not even after a kill that no program can handle. The program
meets the signals at their default (a shell ignores some for commands in the background), and
the loop waits until it holds a file open in the working folder, which can only be the output.

  $ rm -rf ./* && echo old >out.xml && mkfifo ../input
  $ for signal in INT TERM HUP PIPE KILL; do
  >   exec 4<>../input
  >   env --default-signal=INT,TERM,HUP,PIPE vqz2xml -f -o out.xml - <../input & program=$!
  >   tries=0; until ls -l /proc/$program/fd 2>/dev/null | grep -q " $PWD/"; do tries=$((tries + 1)); [ $tries -lt 3000 ] || break; sleep 0.01; done
  >   kill -$signal $program; { wait $program; } 2>/dev/null; echo "$signal: $?, $(ls -A | tr '\n' ' ')$(cat out.xml)"
  >   exec 4<&-
  > done
  INT: 130, out.xml old
  TERM: 143, out.xml old
  HUP: 129, out.xml old
  PIPE: 141, out.xml old
  KILL: 137, out.xml old

Closed standard streams are opened on the null device, so no output takes their place and the
console text goes nowhere rather than into an XML file. In the classic form, names long enough
to fill the console's buffer make it write while the output is open.

  $ rm -rf ./* && deep=$(for i in 1 2 3 4 5 6 7 8; do printf '%0250d/' 0; done) && mkdir -p $deep && cp "$DATA/complete.vqz" ${deep}in.vqz
  $ for i in $(seq 0 39); do cp "$DATA/complete.vqz" in$i.vqz; done
  $ vqz2xml -j2 -v --progress -d out in*.vqz 2>&-
  $ vqz2xml ${deep}in ${deep}classic.xml >&-
  $ files | sed 's/.* = //' | sort | uniq -c && ls out | wc -l && ls $deep
       41 complete.vqz
       41 complete.xml
  40
  classic.xml
  in.vqz

A working folder that was removed has no name; names from the root still work.

  $ rm -rf ./* && cp "$DATA/complete.vqz" a.vqz && here=$PWD
  $ (mkdir gone && cd gone && rmdir ../gone && vqz2xml -- a b)
  ! vqz2xml: cannot read 'a.vqz': No such file or directory
  ! vqz2xml: cannot read 'b.vqz': No such file or directory
  ! vqz2xml: 2 files: 0 converted, 0 faulty, 0 skipped, 2 not converted
  [2]
  $ (mkdir gone && cd gone && rmdir ../gone && vqz2xml -o "$here/b.xml" "$here/a.vqz")
  $ (mkdir gone && cd gone && rmdir ../gone && vqz2xml "$here/a.vqz" "$here/c.xml" | grep -c 'completed succesfully')
  1
  $ files
  ./a.vqz = complete.vqz
  ./b.xml = complete.xml
  ./c.xml = complete.xml

A name of a descriptor is written to directly, whatever it leads to: a pipe or a file the shell
opened, which is no old output to keep.

  $ vqz2xml -o /dev/stdout a >../out && cmp ../out "$DATA/complete.xml"
  $ vqz2xml -o /dev/stdout a | cat >../out && cmp ../out "$DATA/complete.xml"
  $ vqz2xml -o /dev/fd/1 a | cat >../out && cmp ../out "$DATA/complete.xml"
  $ vqz2xml -o /dev/stderr a 2>../out && cmp ../out "$DATA/complete.xml"

Control bytes in names are escaped in messages.

  $ echo BOGUS >"$(printf 'a\nb.vqz')"
  $ vqz2xml -v -d out "$(printf 'a\nb.vqz')" "$(printf 'c\033')"
  ! a\x0ab.vqz:1:1: error: expected 'VQZ', found "BOGUS"
  ! a\x0ab.vqz -> out/a\x0ab.xml: faulty
  ! vqz2xml: cannot read 'c\x1b.vqz': No such file or directory
  ! vqz2xml: 2 files: 0 converted, 1 faulty, 0 skipped, 1 not converted
  [2]

Without --progress or --no-progress, the progress line is drawn when standard error is a
terminal (and never otherwise, as option_form.t shows).

#if script
  $ rm -rf ./* && for f in a b c; do cp "$DATA/complete.vqz" $f.vqz; done
  $ script -qec 'vqz2xml -d out a b c' /dev/null >../terminal
  $ grep -c "$(printf '\r')vqz2xml: 3/3 files, 0 faulty" ../terminal
  1
#endif

An output with other hard links is replaced under its own name only: the link is broken, and
the other names keep the old contents. Without -f it is refused like any existing output.

  $ rm -rf ./* && cp "$DATA/complete.vqz" a.vqz && echo old >out.xml && ln out.xml other.xml
  $ vqz2xml -o out.xml a
  ! vqz2xml: output 'out.xml' exists (-f replaces it, -n skips its input)
  [2]
  $ vqz2xml -f -o out.xml a
  $ files && stat -c %h other.xml
  ./a.vqz = complete.vqz
  ./other.xml 4 bytes: old|
  ./out.xml = complete.xml
  1
