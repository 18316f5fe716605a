Beside a diagnostic, the option form adds one note when the likely cause is clear, in the form
compilers use: a found word within two letters of a keyword that may stand there, a VERSION
other than 1.0 or 1.1, a TYPE or a record identifier that is none, and a RECORD without its
identifier, which takes the first letter of the next keyword as one. The inputs are the
household example with one mistake each (its lines end in CR LF).

  $ fault() { sed "$2" "$EXAMPLES/household.vqz" > "$1.vqz"; }
  $ fault survx 's/^SURVEY/SURVX/'
  $ fault varaible '0,/^VARIABLE 1/s//VARAIBLE 1/'
  $ fault variabel '0,/^END VARIABLE/s//END VARIABEL/'
  $ fault singel '0,/TYPE single/s//TYPE singel/'
  $ fault version '2s/1.1/1.2/'
  $ fault record 's/^RECORD H/RECORD/'
  $ fault bogus 's/^SURVEY/BOGUS/'
  $ vqz2xml --check survx varaible variabel singel version record bogus
  ! survx.vqz:10:1: error: expected 'Survey', found "SURVX"
  ! survx.vqz:10:1: note: did you mean 'SURVEY'?
  ! varaible.vqz:15:1: error: expected 'VARIABLE var_id', found "VARAIBLE 1"
  ! varaible.vqz:15:1: note: did you mean 'VARIABLE'?
  ! variabel.vqz:21:1: error: expected 'End Variable', found "END VARIABEL"
  ! variabel.vqz:21:1: note: did you mean 'END VARIABLE'?
  ! singel.vqz:26:5: error: expected TYPE var_type, found "TYPE singel"
  ! singel.vqz:26:5: note: the types are single, multiple, quantity, character and logical
  ! version.vqz:2:1: error: expected 'Version', found "VERSION 1.2"
  ! version.vqz:2:1: note: only versions 1.0 and 1.1 exist
  ! record.vqz:15:2: error: expected 'VARIABLE var_id', found "ARIABLE 1"
  ! record.vqz:15:1: note: RECORD took the 'V' of 'VARIABLE' as its one-letter identifier
  ! bogus.vqz:10:1: error: expected 'Survey', found "BOGUS"
  ! vqz2xml: 7 files: 0 converted, 7 faulty, 0 skipped, 0 not converted
  [1]

A converting run gives the same notes; --quiet keeps them, as it keeps the diagnostics.

  $ vqz2xml -q -d xml survx.vqz
  ! survx.vqz:10:1: error: expected 'Survey', found "SURVX"
  ! survx.vqz:10:1: note: did you mean 'SURVEY'?
  [1]

The classic form, the error report inside the output and the report's fields stay as they were.

  $ vqz2xml survx.vqz | tail -n 1
  ERROR: Faulty input file, see 'survx.xml' for details.
  $ grep -c note survx.xml xml/survx.xml
  survx.xml:0
  xml/survx.xml:0
  [1]
  $ cmp survx.xml xml/survx.xml
  $ vqz2xml --check --report=- survx.vqz 2>/dev/null
  {"input":"survx.vqz","output":null,"status":"faulty","encoding":"latin1","bytes_in":3043,"bytes_out":0,"line":10,"column":1,"expected":"'Survey'","found":"SURVX"}
  [1]

Inputs read as Latin-1 by default that are valid UTF-8 with characters of several bytes get one
note at the end of the run. Naming an encoding, or --quiet, leaves it out.

  $ sed 's/Spring wave/Frühling/' "$EXAMPLES/household.vqz" > utf8.vqz
  $ sed 's/Spring wave/Printemps/' "$EXAMPLES/household.vqz" > plain.vqz
  $ cp utf8.vqz utf8b.vqz
  $ vqz2xml --check utf8.vqz
  ! vqz2xml: note: 1 input looks like UTF-8; --encoding=utf-8 or --encoding=auto reads it so
  $ vqz2xml --check utf8.vqz plain.vqz utf8b.vqz
  ! vqz2xml: 3 files: 3 converted, 0 faulty, 0 skipped, 0 not converted
  ! vqz2xml: note: 2 inputs look like UTF-8; --encoding=utf-8 or --encoding=auto reads them so
  $ vqz2xml --check --encoding=latin1 utf8.vqz utf8b.vqz
  ! vqz2xml: 2 files: 2 converted, 0 faulty, 0 skipped, 0 not converted
  $ vqz2xml --check --encoding=auto utf8.vqz
  $ vqz2xml --check -q utf8.vqz
