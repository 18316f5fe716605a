The option form, used as soon as an argument starts with "-": any number of inputs, diagnostics
on standard error, nothing on standard output but XML asked for there, and the outcome in the
exit status (0 converted, 1 a faulty input, 2 a usage error or an input not converted at all).
`batch` makes a fresh folder of two complete inputs and a faulty one with CR LF line ends. This
file runs on Linux and, against the Windows program, under Wine.

  $ . "$TESTDIR/lib.sh"
  $ batch() { rm -rf ./* && mkdir sub && cp "$DATA/complete.vqz" good.vqz && cp good.vqz sub/good2.vqz && cp "$DATA/faulty_crlf.vqz" bad.vqz; }

Batches: each output lies beside its input, or in the folder -d names.

  $ batch && vqz2xml -- good
  $ files
  ./bad.vqz = faulty_crlf.vqz
  ./good.vqz = complete.vqz
  ./good.xml = complete.xml
  ./sub/good2.vqz = complete.vqz
  $ batch && vqz2xml -d xml good sub/good2.vqz
  ! vqz2xml: 2 files: 2 converted, 0 faulty, 0 skipped, 0 not converted
  $ files
  ./bad.vqz = faulty_crlf.vqz
  ./good.vqz = complete.vqz
  ./sub/good2.vqz = complete.vqz
  ./xml/good.xml = complete.xml
  ./xml/good2.xml = complete.xml
  $ batch && vqz2xml -- good bad sub/good2
  ! bad.vqz:4:3: error: expected 'Title', found "BOGUS \"x\""
  ! vqz2xml: 3 files: 2 converted, 1 faulty, 0 skipped, 0 not converted
  [1]
  $ files
  ./bad.vqz = faulty_crlf.vqz
  ./bad.xml = faulty_crlf.xml
  ./good.vqz = complete.vqz
  ./good.xml = complete.xml
  ./sub/good2.vqz = complete.vqz
  ./sub/good2.xml = complete.xml
#if posix
  $ batch && vqz2xml -d xml good missing bad
  ! vqz2xml: cannot read 'missing.vqz': No such file or directory
  ! bad.vqz:4:3: error: expected 'Title', found "BOGUS \"x\""
  ! vqz2xml: 3 files: 1 converted, 1 faulty, 0 skipped, 1 not converted
  [2]
#endif
#if windows
  $ batch && vqz2xml -d xml good missing bad
  ! vqz2xml: cannot read 'missing.vqz': File not found
  ! bad.vqz:4:3: error: expected 'Title', found "BOGUS \"x\""
  ! vqz2xml: 3 files: 1 converted, 1 faulty, 0 skipped, 1 not converted
  [2]
#endif
  $ files
  ./bad.vqz = faulty_crlf.vqz
  ./good.vqz = complete.vqz
  ./sub/good2.vqz = complete.vqz
  ./xml/bad.xml = faulty_crlf.xml
  ./xml/good.xml = complete.xml
  $ batch && vqz2xml -q -d xml good bad
  ! bad.vqz:4:3: error: expected 'Title', found "BOGUS \"x\""
  [1]
  $ files
  ./bad.vqz = faulty_crlf.vqz
  ./good.vqz = complete.vqz
  ./sub/good2.vqz = complete.vqz
  ./xml/bad.xml = faulty_crlf.xml
  ./xml/good.xml = complete.xml
#if posix
  $ batch && vqz2xml --verbose --output-dir=xml good bad
  ! good.vqz -> xml/good.xml: converted
  ! bad.vqz:4:3: error: expected 'Title', found "BOGUS \"x\""
  ! bad.vqz -> xml/bad.xml: faulty
  ! vqz2xml: 2 files: 1 converted, 1 faulty, 0 skipped, 0 not converted
  [1]
#endif
#if windows
  $ batch && vqz2xml --verbose --output-dir=xml good bad
  ! good.vqz -> xml\good.xml: converted
  ! bad.vqz:4:3: error: expected 'Title', found "BOGUS \"x\""
  ! bad.vqz -> xml\bad.xml: faulty
  ! vqz2xml: 2 files: 1 converted, 1 faulty, 0 skipped, 0 not converted
  [1]
#endif
  $ files
  ./bad.vqz = faulty_crlf.vqz
  ./good.vqz = complete.vqz
  ./sub/good2.vqz = complete.vqz
  ./xml/bad.xml = faulty_crlf.xml
  ./xml/good.xml = complete.xml
  $ batch && vqz2xml -d deep/er -- good
  $ files
  ./bad.vqz = faulty_crlf.vqz
  ./deep/er/good.xml = complete.xml
  ./good.vqz = complete.vqz
  ./sub/good2.vqz = complete.vqz

A repeated option takes its last value.

  $ batch && vqz2xml -o one.xml -j x --output=two.xml --jobs=1 good
  $ files
  ./bad.vqz = faulty_crlf.vqz
  ./good.vqz = complete.vqz
  ./sub/good2.vqz = complete.vqz
  ./two.xml = complete.xml

--check parses only, and writes nothing.

#if posix
  $ batch && vqz2xml --check good bad missing
  ! bad.vqz:4:3: error: expected 'Title', found "BOGUS \"x\""
  ! vqz2xml: cannot read 'missing.vqz': No such file or directory
  ! vqz2xml: 3 files: 1 converted, 1 faulty, 0 skipped, 1 not converted
  [2]
#endif
#if windows
  $ batch && vqz2xml --check good bad missing
  ! bad.vqz:4:3: error: expected 'Title', found "BOGUS \"x\""
  ! vqz2xml: cannot read 'missing.vqz': File not found
  ! vqz2xml: 3 files: 1 converted, 1 faulty, 0 skipped, 1 not converted
  [2]
#endif
  $ files
  ./bad.vqz = faulty_crlf.vqz
  ./good.vqz = complete.vqz
  ./sub/good2.vqz = complete.vqz

Standard input and output carry the XML alone.

  $ batch && vqz2xml -o - good >../stdout && cmp ../stdout "$DATA/complete.xml"
  $ vqz2xml -- - <good.vqz >../stdout && cmp ../stdout "$DATA/complete.xml"
  $ vqz2xml -d xml - <good.vqz >../stdout && cmp ../stdout "$DATA/complete.xml"
  $ vqz2xml -q - <bad.vqz >../stdout; echo $? && cmp ../stdout "$DATA/faulty_crlf.xml"
  1
  ! <stdin>:4:3: error: expected 'Title', found "BOGUS \"x\""
  $ vqz2xml -o 'from stdin.xml' - <good.vqz
  $ vqz2xml -q - good - <good.vqz
  ! vqz2xml: standard input is given more than once
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ files
  ./bad.vqz = faulty_crlf.vqz
  ./from stdin.xml = complete.xml
  ./good.vqz = complete.vqz
  ./sub/good2.vqz = complete.vqz

An existing output is refused, skipped with -n or replaced with -f; standard input says "y",
which the option form never reads.

  $ old() { batch && printf 'old contents\r\n' >good.xml; }
  $ old && echo y | vqz2xml -q good
  ! vqz2xml: output 'good.xml' exists (-f replaces it, -n skips its input)
  [2]
  $ files | grep good.xml
  ./good.xml 14 bytes: old contents||
  $ old && echo y | vqz2xml -n good
  $ files | grep good.xml
  ./good.xml 14 bytes: old contents||
  $ old && echo y | vqz2xml -n -v good
  ! good.vqz: skipped, good.xml exists
  $ files | grep good.xml
  ./good.xml 14 bytes: old contents||
  $ old && echo y | vqz2xml --no-clobber good sub/good2
  ! vqz2xml: 2 files: 1 converted, 0 faulty, 1 skipped, 0 not converted
  $ files
  ./bad.vqz = faulty_crlf.vqz
  ./good.vqz = complete.vqz
  ./good.xml 14 bytes: old contents||
  ./sub/good2.vqz = complete.vqz
  ./sub/good2.xml = complete.xml
  $ old && echo y | vqz2xml -f -n good
  ! vqz2xml: --force and --no-clobber exclude each other
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ old && echo y | vqz2xml -f -o good.vqz good
  ! vqz2xml: 'good.vqz' would be its own output
  [2]
  $ files
  ./bad.vqz = faulty_crlf.vqz
  ./good.vqz = complete.vqz
  ./good.xml 14 bytes: old contents||
  ./sub/good2.vqz = complete.vqz
  $ old && echo y | vqz2xml -f good
  $ files
  ./bad.vqz = faulty_crlf.vqz
  ./good.vqz = complete.vqz
  ./good.xml = complete.xml
  ./sub/good2.vqz = complete.vqz

Usage errors stop the run before anything is converted or made. An empty value (a script's
empty variable) never lets an option take the next argument.

  $ batch && cp good.vqz sub/good.vqz && cp good.vqz good.txt
  $ { files; find . | sort; } >../before
  $ vqz2xml -v
  ! vqz2xml: no input files
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml --bogus good
  ! vqz2xml: unknown option '--bogus'
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml "$(printf -- '-fx\033')" good
  ! vqz2xml: unknown option '-x\x1b'
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml -f --output= good bad
  ! vqz2xml: --output needs a file name
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml -f -o '' good
  ! vqz2xml: --output needs a file name
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml --output-dir= good bad
  ! vqz2xml: --output-dir needs a folder name
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml -d '' good
  ! vqz2xml: --output-dir needs a folder name
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml --encoding= good
  ! vqz2xml: --encoding needs a name
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml -j '' good
  ! vqz2xml: --jobs needs a number
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml --jobs= good
  ! vqz2xml: --jobs needs a number
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml good -o
  ! vqz2xml: --output needs a file name
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml good -fj
  ! vqz2xml: --jobs needs a number
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml --force=false good
  ! vqz2xml: --force takes no value
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml --progress=yes good bad
  ! vqz2xml: --progress takes no value
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml -j abc good
  ! vqz2xml: invalid number of jobs: 'abc'
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml -j 0 good
  ! vqz2xml: invalid number of jobs: '0'
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml --jobs=4097 good
  ! vqz2xml: invalid number of jobs: '4097'
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml -o one.xml good bad
  ! vqz2xml: --output names the output of a single input, but 2 inputs are given
  ! Try 'vqz2xml --help' for more information.
  [2]
#if posix
  $ vqz2xml -d xml good sub/good
  ! vqz2xml: 'good.vqz' and 'sub/good.vqz' would both be written to 'xml/good.xml'
  ! Try 'vqz2xml --help' for more information.
  [2]
#endif
#if windows
  $ vqz2xml -d xml good sub/good
  ! vqz2xml: 'good.vqz' and 'sub/good.vqz' would both be written to 'xml\good.xml'
  ! Try 'vqz2xml --help' for more information.
  [2]
#endif
#if posix
  $ vqz2xml -d . good ./good.txt
  ! vqz2xml: 'good.vqz' and './good.txt' would both be written to './good.xml'
  ! Try 'vqz2xml --help' for more information.
  [2]
#endif
#if windows
  $ vqz2xml -d . good ./good.txt
  ! vqz2xml: 'good.vqz' and './good.txt' would both be written to '.\good.xml'
  ! Try 'vqz2xml --help' for more information.
  [2]
#endif
  $ vqz2xml -q -v good
  ! vqz2xml: --quiet and --verbose exclude each other
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml -u -f good
  ! vqz2xml: --force and --update exclude each other
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml --check --update good
  ! vqz2xml: --update and --check exclude each other
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml --report '' good
  ! vqz2xml: --report needs a file name
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml --encoding=ebcdic good
  ! vqz2xml: invalid encoding: 'ebcdic' (latin1, latin-1, iso-8859-1, cp1252, windows-1252, utf-8, utf8 or auto)
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ { files; find . | sort; } | diff ../before -

The encoding option reaches the conversion: "é" typed in UTF-8, and a Windows-1252 quote.

  $ printf 'VQZ VERSION 1.1 SURVEY RECORD A VARIABLE 1 NAME "n" LABEL "caf\303\251 \223" TYPE logical POSITION 1 END VARIABLE END RECORD END SURVEY END VQZ' >t.vqz
  $ vqz2xml -o - t | grep '<label>'
                  <label>caf&#xc3;&#xa9; &#x93;</label>\r (esc)
  $ vqz2xml --encoding=latin1 -o - t | grep '<label>'
                  <label>caf&#xc3;&#xa9; &#x93;</label>\r (esc)
  $ vqz2xml --encoding=UTF-8 -o - t | grep '<label>'
                  <label>caf&#xe9; &#x93;</label>\r (esc)
  $ vqz2xml --encoding=cp1252 -o - t | grep '<label>'
                  <label>caf&#xc3;&#xa9; &#x201c;</label>\r (esc)

Help and version go to standard output.

  $ vqz2xml -h >../help && head -n 1 ../help && grep -c '^Exit status:' ../help
  Usage: vqz2xml [OPTIONS] [--] INPUT...
  1
  $ vqz2xml --help >../help && head -n 1 ../help && grep -c '^Exit status:' ../help
  Usage: vqz2xml [OPTIONS] [--] INPUT...
  1
  $ vqz2xml --version
  vqz2xml * (glob)

Many inputs in parallel give what one at a time gives: the same files, the same lines. Some
inputs are cut short, some have a quote, a byte 0xfe and "-->" put in.

  $ mkdir in && i=0 && names="" && size=$(wc -c <"$DATA/complete.vqz")
  $ while [ $i -lt 200 ]; do
  >   at=$((i % size)); f=in/f$i.vqz
  >   if [ $((i % 7)) -eq 3 ]; then head -c $at "$DATA/complete.vqz" >$f; else cp "$DATA/complete.vqz" $f; fi
  >   if [ $((i % 11)) -eq 5 ]; then { head -c $at $f; printf '"\376-->'; tail -c +$((at + 1)) $f; } >../x && mv ../x $f; fi
  >   names="$names $f"; i=$((i + 1))
  > done
  $ vqz2xml -j 1 -d serial $names in/missing 2>../serial.err
  [2]
  $ vqz2xml --jobs=4 -d parallel $names in/missing 2>../parallel.err
  [2]
  $ tail -n 1 ../serial.err && cmp ../serial.err ../parallel.err && diff -r serial parallel && ls serial | wc -l
  vqz2xml: 201 files: 156 converted, 44 faulty, 0 skipped, 1 not converted
  200

Names with blanks, from find and xargs.

  $ rm -rf ./* && mkdir -p 'my data/deeper' && cp "$DATA/complete.vqz" 'my data/a survey.vqz' && cp "$DATA/complete.vqz" "my data/deeper/it's.vqz"
  $ find . -name '*.vqz' -print0 | xargs -0 vqz2xml -q -d 'xml out'
  $ files
  ./my data/a survey.vqz = complete.vqz
  ./my data/deeper/it's.vqz = complete.vqz
  ./xml out/a survey.xml = complete.xml
  ./xml out/it's.xml = complete.xml

The progress line is drawn and taken away again before each message and at the end; it is
not drawn unless asked for when standard error is no terminal.

  $ batch && vqz2xml --progress -j1 -d xml good bad 2>err
  [1]
  $ tr '\r' '\n' <err | grep -v '^ *$' | grep -v '^vqz2xml: [0-9]/2 files, '
  bad.vqz:4:3: error: expected 'Title', found "BOGUS \"x\""
  vqz2xml: 2 files: 1 converted, 1 faulty, 0 skipped, 0 not converted
  $ vqz2xml -f -d xml good bad
  ! bad.vqz:4:3: error: expected 'Title', found "BOGUS \"x\""
  ! vqz2xml: 2 files: 1 converted, 1 faulty, 0 skipped, 0 not converted
  [1]

The rest holds for POSIX systems: limits, modes, links and named pipes.

#if posix
A write that fails half-way, in both forms, leaves the old output and no stray file. Passing
the file-size limit is such a failure, like a full disk, rather than the end of the process.

  $ rm -rf ./* && survey 200 >big.vqz && printf 'old contents\r\n' >big.xml
  $ (ulimit -f 4 && vqz2xml -f big)
  ! vqz2xml: cannot write 'big.xml': File too large
  [2]
  $ (ulimit -f 4 && echo y | classic big >/dev/null) && tail -n 2 ../classic.out
  Conversion from big.vqz to big.xml completed succesfully.
  ERROR: Can't write output file big.xml
  $ files
  ./big.vqz 13462 bytes: VQZ VERSION 1.1 SURVEY RECORD A|VARIABLE
  ./big.xml 14 bytes: old contents||

A replaced file keeps its mode, and a new one follows the creation mask.

  $ rm -rf ./* && cp "$DATA/complete.vqz" a.vqz && echo old >kept.xml && chmod 604 kept.xml
  $ vqz2xml -f -o kept.xml a && stat -c %a kept.xml
  604
  $ (umask 027 && vqz2xml -o new.xml a) && stat -c %a new.xml
  640
  $ (umask 002 && classic a classic.xml >/dev/null) && stat -c %a classic.xml
  664
  $ files
  ./a.vqz = complete.vqz
  ./classic.xml = complete.xml
  ./kept.xml = complete.xml
  ./new.xml = complete.xml

A symbolic link stays a link, and its target is replaced: in both forms.

  $ rm -rf ./* && cp "$DATA/complete.vqz" a.vqz && mkdir real && echo old >real/target.xml && ln -s real/target.xml link.xml
  $ vqz2xml -f -o link.xml a && find . -type l && files
  ./link.xml
  ./a.vqz = complete.vqz
  ./real/target.xml = complete.xml
  $ echo old >real/target.xml && echo y | classic a link.xml >/dev/null && find . -type l && files
  ./link.xml
  ./a.vqz = complete.vqz
  ./real/target.xml = complete.xml

A named pipe is written into directly.

  $ rm -rf ./* && cp "$DATA/complete.vqz" a.vqz && mkfifo pipe.xml
  $ timeout 60 cat pipe.xml >../piped & vqz2xml -o pipe.xml a && wait $!
  $ find . -type p && cmp ../piped "$DATA/complete.xml"
  ./pipe.xml
#endif
