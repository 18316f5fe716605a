#require posix
The classic form: `vqz2xml infile[.vqz] [outfile[.xml]]`, used when no argument is an option.
It prints a banner and its messages on standard output, asks before it overwrites, and always
exits with status 0.

  $ . "$TESTDIR/lib.sh"
  $ cp "$DATA/complete.vqz" survey.vqz
  $ vqz2xml survey
  Quorbel Conversion program v1.0f
  =================================
  Copyright (c) 2026 the vqz2xml authors
  Documentation: man vqz2xml, or README.md of the sources
  =================================
  
  Program converts a 'classic' Quorbel 1.0 or 1.1
  file into a corresponding Quorbel XML 1.1 file.
  
  Converting from file survey.vqz to survey.xml...\r (esc)
  Conversion from survey.vqz to survey.xml completed succesfully.
  $ cmp survey.xml "$TESTDIR/data/complete.xml"

From here on `classic` (of lib.sh) runs the program, checks that banner and leaves it out.

The names: ".vqz" is added to an input named without a "." in its last component, and the
output takes the input's name up to that "." with ".xml" added, unless it is named.

  $ rm survey.xml && cp survey.vqz in.vqz && mkdir sub.dir && cp survey.vqz sub.dir/survey.vqz
  $ classic in out.txt
  Converting from file in.vqz to out.txt...\r (esc)
  Conversion from in.vqz to out.txt completed succesfully.
  $ classic sub.dir/survey
  Converting from file sub.dir/survey.vqz to sub.dir/survey.xml...\r (esc)
  Conversion from sub.dir/survey.vqz to sub.dir/survey.xml completed succesfully.
  $ find . | sort
  .
  ./in.vqz
  ./out.txt
  ./sub.dir
  ./sub.dir/survey.vqz
  ./sub.dir/survey.xml
  ./survey.vqz
  $ cmp out.txt "$TESTDIR/data/complete.xml" && cmp sub.dir/survey.xml out.txt

Runs that end with the usage text leave every file as it was. Standard input says "y", so a
question that should not be asked would let the run go on and show.

  $ rm -r * && cp "$TESTDIR/data/complete.vqz" a.vqz && mkdir folder.vqz && ln a.vqz link.xml
  $ snapshot() { find . | sort; cksum a.vqz; }
  $ snapshot >../before
  $ echo y | classic
  ERROR: No input nor output file names given,
  
  USE: vqz2xml infile[.vqz] [outfile[.xml]]
  
  $ echo y | classic a b c
  ERROR: Too many arguments supplied,
  
  USE: vqz2xml infile[.vqz] [outfile[.xml]]
  
  $ echo y | classic /?
  
  USE: vqz2xml infile[.vqz] [outfile[.xml]]
  
  $ echo y | classic /? a
  
  USE: vqz2xml infile[.vqz] [outfile[.xml]]
  
  $ echo y | classic missing
  ERROR: Can't find input file missing.vqz
  
  USE: vqz2xml infile[.vqz] [outfile[.xml]]
  
  $ echo y | classic missing.txt a.vqz
  ERROR: Can't find input file missing.txt
  
  USE: vqz2xml infile[.vqz] [outfile[.xml]]
  
  $ echo y | classic folder
  ERROR: Can't find input file folder.vqz
  
  USE: vqz2xml infile[.vqz] [outfile[.xml]]
  
  $ echo y | classic a.vqz a.vqz
  ERROR: Input and output are the same file a.vqz
  
  USE: vqz2xml infile[.vqz] [outfile[.xml]]
  
  $ echo y | classic a ./a.vqz
  ERROR: Input and output are the same file ./a.vqz
  
  USE: vqz2xml infile[.vqz] [outfile[.xml]]
  
  $ echo y | classic a link.xml
  ERROR: Input and output are the same file link.xml
  
  USE: vqz2xml infile[.vqz] [outfile[.xml]]
  
  $ echo y | classic a none/a.xml
  ERROR: Can't create output file none/a.xml
  
  USE: vqz2xml infile[.vqz] [outfile[.xml]]
  
  $ echo y | classic a folder.vqz
  Output file folder.vqz exists - overwrite (Y/N)? ERROR: Can't create output file folder.vqz
  
  USE: vqz2xml infile[.vqz] [outfile[.xml]]
  
  $ snapshot | diff ../before -

Before an existing output is overwritten the program asks; Y or N, in either case, decides. Any
other reply asks again, and after 100 replies that are neither (standard input may never say
yes or no: /dev/zero, `yes ''`) the question is given up, as if answered no. No answer at all
is no.

  $ rm -r * && cp "$TESTDIR/data/complete.vqz" a.vqz && printf 'old contents\r\n' >old.xml
  $ asked() { cp old.xml a.xml; classic a | sed 's|(Y/N)? |&\n|g'; if cmp -s a.xml "$TESTDIR/data/complete.xml"; then echo replaced; elif cmp -s a.xml old.xml; then echo kept; fi; }
  $ echo y | asked
  Output file a.xml exists - overwrite (Y/N)?  (esc)
  Converting from file a.vqz to a.xml...\r (esc)
  Conversion from a.vqz to a.xml completed succesfully.
  replaced
  $ echo Y | asked
  Output file a.xml exists - overwrite (Y/N)?  (esc)
  Converting from file a.vqz to a.xml...\r (esc)
  Conversion from a.vqz to a.xml completed succesfully.
  replaced
  $ echo yes | asked
  Output file a.xml exists - overwrite (Y/N)?  (esc)
  Converting from file a.vqz to a.xml...\r (esc)
  Conversion from a.vqz to a.xml completed succesfully.
  replaced
  $ printf y | asked
  Output file a.xml exists - overwrite (Y/N)?  (esc)
  Converting from file a.vqz to a.xml...\r (esc)
  Conversion from a.vqz to a.xml completed succesfully.
  replaced
  $ echo N | asked
  Output file a.xml exists - overwrite (Y/N)?  (esc)
  
  USE: vqz2xml infile[.vqz] [outfile[.xml]]
  
  kept
  $ echo n | asked
  Output file a.xml exists - overwrite (Y/N)?  (esc)
  
  USE: vqz2xml infile[.vqz] [outfile[.xml]]
  
  kept
  $ printf 'x\ny\n' | asked
  Output file a.xml exists - overwrite (Y/N)?  (esc)
  Output file a.xml exists - overwrite (Y/N)?  (esc)
  Converting from file a.vqz to a.xml...\r (esc)
  Conversion from a.vqz to a.xml completed succesfully.
  replaced
  $ printf '\ny\n' | asked
  Output file a.xml exists - overwrite (Y/N)?  (esc)
  Output file a.xml exists - overwrite (Y/N)?  (esc)
  Converting from file a.vqz to a.xml...\r (esc)
  Conversion from a.vqz to a.xml completed succesfully.
  replaced
  $ echo x | asked
  Output file a.xml exists - overwrite (Y/N)?  (esc)
  Output file a.xml exists - overwrite (Y/N)?  (esc)
  
  USE: vqz2xml infile[.vqz] [outfile[.xml]]
  
  kept
  $ asked
  Output file a.xml exists - overwrite (Y/N)?  (esc)
  
  USE: vqz2xml infile[.vqz] [outfile[.xml]]
  
  kept
  $ printf 'x\nN\n' | asked
  Output file a.xml exists - overwrite (Y/N)?  (esc)
  Output file a.xml exists - overwrite (Y/N)?  (esc)
  
  USE: vqz2xml infile[.vqz] [outfile[.xml]]
  
  kept
  $ yes x | head -n 99 >../ninety-nine
  $ { cat ../ninety-nine; echo y; } | asked | uniq -c
      100 Output file a.xml exists - overwrite (Y/N)?  (esc)
        1 Converting from file a.vqz to a.xml...\r (esc)
        1 Conversion from a.vqz to a.xml completed succesfully.
        1 replaced
  $ { cat ../ninety-nine; printf 'x\ny\n'; } | asked | uniq -c
      100 Output file a.xml exists - overwrite (Y/N)?  (esc)
        1  (esc)
        1 ERROR: No Y or N in 100 answers, taken as N
        1  (esc)
        1 USE: vqz2xml infile[.vqz] [outfile[.xml]]
        1  (esc)
        1 kept
  $ yes '' | head -n 1000000 | asked | uniq -c
      100 Output file a.xml exists - overwrite (Y/N)?  (esc)
        1  (esc)
        1 ERROR: No Y or N in 100 answers, taken as N
        1  (esc)
        1 USE: vqz2xml infile[.vqz] [outfile[.xml]]
        1  (esc)
        1 kept
  $ asked </dev/zero | uniq -c
      100 Output file a.xml exists - overwrite (Y/N)?  (esc)
        1  (esc)
        1 ERROR: No Y or N in 100 answers, taken as N
        1  (esc)
        1 USE: vqz2xml infile[.vqz] [outfile[.xml]]
        1  (esc)
        1 kept

The outcome is told before the output is written; a write that fails is told after it. The
output name always ends up with a "." in its last component, so a device that refuses every
write is reached through a link named like an XML file.

  $ test -e /dev/full || exit 80
  $ ln -s /dev/full full.xml
  $ echo y | classic a full.xml
  Output file full.xml exists - overwrite (Y/N)? Converting from file a.vqz to full.xml...\r (esc)
  Conversion from a.vqz to full.xml completed succesfully.
  ERROR: Can't write output file full.xml

A faulty input is converted up to its fault, and the output ends with a report of it.

  $ printf 'QVZ is not how a classic file begins, so it stops here\r\nVERSION 1.1\r\n' >bad.vqz
  $ classic bad
  Converting from file bad.vqz to bad.xml...\r (esc)
  ERROR: Faulty input file, see 'bad.xml' for details.
  $ cat bad.xml
  \r (esc)
  *** Error: at corresponding point in source file:\r (esc)
             'VQZ' was expected but found:\r (esc)
             QVZ is not how a classic file begins, so\r (esc)

A file whose bytes do not match its size is one that changed while it was read: a file of
/proc, whose size is given as 0, serves as one on every run. It is not converted.

  $ test -e /proc/self/status || exit 80
  $ rm -r * && ln -s /proc/self/status status.vqz
  $ classic status out.xml
  ERROR: Input file status.vqz changed while it was read
  
  USE: vqz2xml infile[.vqz] [outfile[.xml]]
  
  $ vqz2xml -o out.xml status
  ! vqz2xml: 'status.vqz' changed while it was read
  [2]
  $ ls
  status.vqz
