What must come out the same on every system, byte for byte: CR LF line ends and Ctrl-Z bytes
kept, names outside ASCII, hard links, --fsync, threads, and the messages and exit statuses.
This file runs on Linux and, against the Windows program, under Wine.

  $ . "$TESTDIR/lib.sh"
  $ printf 'VQZ\r\nVERSION 1.1\r\nSURVEY\r\nTITLE "CR LF\r\nand Ctrl-Z \032 kept"\r\nRECORD A\r\n' >crlf.vqz
  $ printf 'VARIABLE 1 NAME "n" LABEL "l\032" TYPE logical POSITION 1 END VARIABLE\r\n' >>crlf.vqz
  $ printf 'END RECORD\r\nEND SURVEY\r\nEND VQZ\r\n' >>crlf.vqz
  $ cp "$DATA/complete.vqz" good.vqz && cp "$DATA/faulty_crlf.vqz" bad.vqz

The XML, to standard output and to a file, from a file, standard input and a pipe.

  $ vqz2xml -o - crlf.vqz >../expected && cat ../expected
  <?xml version="1.0"?>\r (esc)
  <vqz version="1.1">\r (esc)
      <survey>\r (esc)
          <title>CR LF&#x0d;&#x0a;and Ctrl-Z {1a} kept</title>\r (esc)
          <record ident="A">\r (esc)
              <variable ident="1" type="logical">\r (esc)
                  <name>n</name>\r (esc)
                  <label>l{1a}</label>\r (esc)
                  <position start="1"/>\r (esc)
              </variable>\r (esc)
          </record>\r (esc)
      </survey>\r (esc)
  </vqz>\r (esc)
  $ vqz2xml -o crlf.xml crlf.vqz && cmp crlf.xml ../expected
  $ vqz2xml -o - - <crlf.vqz >../out && cmp ../out ../expected
  $ vqz2xml -o piped.xml - <crlf.vqz && cmp piped.xml ../expected
  $ cat crlf.vqz | vqz2xml -o - - >../out && cmp ../out ../expected
  $ rm crlf.xml piped.xml

Names outside ASCII, in both forms and in a diagnostic.

  $ cp good.vqz 調査.vqz && cp bad.vqz 不良.vqz
  $ vqz2xml -v -- 調査
  ! 調査.vqz -> 調査.xml: converted
  $ classic 調査 結果
  Converting from file 調査.vqz to 結果.xml...\r (esc)
  Conversion from 調査.vqz to 結果.xml completed succesfully.
  $ vqz2xml --check 不良.vqz 調査
  ! 不良.vqz:4:3: error: expected 'Title', found "BOGUS \"x\""
  ! vqz2xml: 2 files: 1 converted, 1 faulty, 0 skipped, 0 not converted
  [1]
  $ files && rm 調査.* 結果.xml 不良.vqz
  ./bad.vqz = faulty_crlf.vqz
  ./crlf.vqz 172 bytes: VQZ||VERSION 1.1||SURVEY||TITLE "CR LF||
  ./good.vqz = complete.vqz
  ./不良.vqz = faulty_crlf.vqz
  ./結果.xml = complete.xml
  ./調査.vqz = complete.vqz
  ./調査.xml = complete.xml

Exit statuses, diagnostics and errors; an input that is missing is told in the system's words.

  $ vqz2xml -- bad good
  ! bad.vqz:4:3: error: expected 'Title', found "BOGUS \"x\""
  ! vqz2xml: 2 files: 1 converted, 1 faulty, 0 skipped, 0 not converted
  [1]
  $ vqz2xml -o a.xml good bad
  ! vqz2xml: --output names the output of a single input, but 2 inputs are given
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml --check good bad crlf
  ! bad.vqz:4:3: error: expected 'Title', found "BOGUS \"x\""
  ! vqz2xml: 3 files: 2 converted, 1 faulty, 0 skipped, 0 not converted
  [1]
  $ rm bad.xml good.xml
#if posix
  $ vqz2xml -- missing good
  ! vqz2xml: cannot read 'missing.vqz': No such file or directory
  ! vqz2xml: 2 files: 1 converted, 0 faulty, 0 skipped, 1 not converted
  [2]
#endif
#if windows
  $ vqz2xml -- missing good
  ! vqz2xml: cannot read 'missing.vqz': File not found
  ! vqz2xml: 2 files: 1 converted, 0 faulty, 0 skipped, 1 not converted
  [2]
#endif
  $ classic missing
  ERROR: Can't find input file missing.vqz
  
  USE: * infile[.vqz] [outfile[.xml]] (glob)
  
  $ vqz2xml --fsync=yes good
  ! vqz2xml: --fsync takes no value
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ files && rm good.xml
  ./bad.vqz = faulty_crlf.vqz
  ./crlf.vqz 172 bytes: VQZ||VERSION 1.1||SURVEY||TITLE "CR LF||
  ./good.vqz = complete.vqz
  ./good.xml = complete.xml

--fsync gives the same bytes, for a new output and a replaced one.

  $ vqz2xml --fsync good && vqz2xml -f --fsync -- good crlf
  ! vqz2xml: 2 files: 2 converted, 0 faulty, 0 skipped, 0 not converted
  $ cmp crlf.xml ../expected && files && rm good.xml crlf.xml
  ./bad.vqz = faulty_crlf.vqz
  ./crlf.vqz 172 bytes: VQZ||VERSION 1.1||SURVEY||TITLE "CR LF||
  ./crlf.xml 373 bytes: <?xml version="1.0"?>||<vqz version="1.1
  ./good.vqz = complete.vqz
  ./good.xml = complete.xml

A hard-linked output is replaced under its own name; the other name keeps the old bytes.

  $ echo old >good.xml && ln good.xml other.xml
  $ vqz2xml -f good
  $ files && rm good.xml other.xml
  ./bad.vqz = faulty_crlf.vqz
  ./crlf.vqz 172 bytes: VQZ||VERSION 1.1||SURVEY||TITLE "CR LF||
  ./good.vqz = complete.vqz
  ./good.xml = complete.xml
  ./other.xml 4 bytes: old|

Many inputs on four threads, each thread ending after its share.

  $ for i in $(seq 1 24); do cp good.vqz many$i.vqz; done
  $ vqz2xml -j 4 many*.vqz
  ! vqz2xml: 24 files: 24 converted, 0 faulty, 0 skipped, 0 not converted
  $ files | sed 's/.* = //' | sort | uniq -c
        1 ./crlf.vqz 172 bytes: VQZ||VERSION 1.1||SURVEY||TITLE "CR LF||
       25 complete.vqz
       24 complete.xml
        1 faulty_crlf.vqz
