#require windows
What only the Windows program does, run under Wine: answers typed at a console, names with "\"
and with a drive, wildcards the program expands itself, the devices NUL and CON, and an input
past 2 GiB. An input changed while it is read, and an interruption, cannot be brought about
from here (Wine sends no Ctrl-C without a console): the unit tests in tests/platform/ make them
happen under Wine.

  $ . "$TESTDIR/lib.sh"
  $ cp "$DATA/complete.vqz" good.vqz && cp "$DATA/faulty_crlf.vqz" bad.vqz

Answers typed at a Windows console end in CR LF, which standard input in text mode reads as LF:
the same questions are asked as for answers ending in LF.

  $ echo old >good.xml
  $ printf 'N\r\n' | classic good
  Output file good.xml exists - overwrite (Y/N)?  (esc)
  USE: * infile[.vqz] [outfile[.xml]] (glob)
  
  $ cat good.xml
  old
  $ printf 'x\nY\n' | classic good | sed 's|(Y/N)? |&\n|g'
  Output file good.xml exists - overwrite (Y/N)?  (esc)
  Output file good.xml exists - overwrite (Y/N)?  (esc)
  Converting from file good.vqz to good.xml...\r (esc)
  Conversion from good.vqz to good.xml completed succesfully.
  $ echo old >good.xml
  $ printf 'x\r\nY\r\n' | classic good | sed 's|(Y/N)? |&\n|g'
  Output file good.xml exists - overwrite (Y/N)?  (esc)
  Output file good.xml exists - overwrite (Y/N)?  (esc)
  Converting from file good.vqz to good.xml...\r (esc)
  Conversion from good.vqz to good.xml completed succesfully.
  $ files && find . -name '.good.xml.*'
  ./bad.vqz = faulty_crlf.vqz
  ./good.vqz = complete.vqz
  ./good.xml = complete.xml
  $ rm good.xml

Folders named with "\" and with a drive. A name from the root of the working folder's drive
starts with "/" (here, with Z: the root of the Linux file system, the folder's Linux name), and
is no option.

  $ mkdir 'sub dir' && cp good.vqz 'sub dir/in.vqz'
  $ vqz2xml -d 'out\deep' 'sub dir\in' good
  ! vqz2xml: 2 files: 2 converted, 0 faulty, 0 skipped, 0 not converted
  $ drive="Z:$(pwd | tr / '\\')"
  $ vqz2xml -d "$drive\\drive out" "$drive\\sub dir\\in.vqz"
  $ classic "$drive\\sub dir\\in" "$drive\\classic"
  Converting from file Z:\\.*\\work\\sub dir\\in\.vqz to Z:\\.*\\work\\classic\.xml\.\.\.\r (re)
  Conversion from Z:\\.*\\work\\sub dir\\in\.vqz to Z:\\.*\\work\\classic\.xml completed succesfully\. (re)
  $ vqz2xml -o rooted.xml "$(pwd)/good.vqz"
  $ files
  ./bad.vqz = faulty_crlf.vqz
  ./classic.xml = complete.xml
  ./drive out/in.xml = complete.xml
  ./good.vqz = complete.vqz
  ./out/deep/good.xml = complete.xml
  ./out/deep/in.xml = complete.xml
  ./rooted.xml = complete.xml
  ./sub dir/in.vqz = complete.vqz
  $ rm -r out 'drive out' classic.xml rooted.xml 'sub dir'

Wildcards, which Windows programs expand themselves, in the order of their names; "/?" is no
pattern.

  $ mkdir sub && cp good.vqz sub/w1.vqz && cp good.vqz sub/w2.vqz && cp bad.vqz sub/w3.vqz
  $ vqz2xml --check 'sub/w*.vqz' 'sub/w?.vqz'
  ! sub/w3.vqz:4:3: error: expected 'Title', found "BOGUS \"x\""
  ! sub/w3.vqz:4:3: error: expected 'Title', found "BOGUS \"x\""
  ! vqz2xml: 6 files: 4 converted, 2 faulty, 0 skipped, 0 not converted
  [1]
  $ vqz2xml --check 'sub\none*.vqz'
  ! vqz2xml: cannot read 'sub\none*.vqz': Invalid name
  [2]
  $ classic '/?'
  
  USE: * infile[.vqz] [outfile[.xml]] (glob)
  
  $ rm -r sub

Devices: NUL, and CON where a terminal gives Wine a console. Messages reach a console as
characters, whatever its code page; the terminal behind Wine's console shows them in UTF-8 (its
blanks at times as cursor moves).

  $ ls -A >../before
  $ vqz2xml -o NUL good
  $ vqz2xml -v -n -o NUL good
  ! good.vqz -> NUL: converted
  $ ls -A | diff ../before -
#if script
  $ script -qec "${WINE:-wine} $PROGRAM -o CON good" /dev/null >../console && grep -c '<vqz version="1.1">' ../console
  1
  $ ls -A | diff ../before -
  $ cp good.vqz 調査.vqz
  $ LC_ALL=C.UTF-8 script -qec "${WINE:-wine} $PROGRAM -v -o NUL 調査" /dev/null >../console; sed 's/\x1b\[[?0-9;]*[A-Za-z]//g' ../console | tr -d ' ' | grep -c '^調査\.vqz->NUL:converted'
  1
  $ rm 調査.vqz
#endif

An input of 3 GiB: sizes in 64 bits.

  $ printf 'VQZ\r\nVERSION 1.1\r\nSURVEY\r\n' >huge.vqz && truncate -s 3G huge.vqz
  $ vqz2xml -- huge
  ! huge.vqz:4:1: error: expected 'Title', found end of input
  [1]
  $ wc -c <huge.xml
  178
