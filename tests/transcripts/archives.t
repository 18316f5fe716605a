#require posix
Whole archives in the option form: folder trees, runs again over what changed, the JSON report
and encodings. `archive` makes a tree with one name in two folders, blanks in names, an
upper-case ending, a file that is no input, a deep folder and a link to a folder, which the walk
does not follow.

  $ . "$TESTDIR/lib.sh"
  $ archive() {
  >   rm -rf ./* && mkdir -p 'arch/wave 1' arch/wave3 arch/a/b/c/d elsewhere
  >   for f in 'arch/wave 1/household' arch/wave3/household arch/a arch/a/b/c/d/deep arch/B arch/v.2 elsewhere/linked; do cp "$DATA/complete.vqz" "$f.vqz"; done
  >   cp "$DATA/complete.vqz" arch/wave3/Persons.VQZ && echo 'not an input' >arch/wave3/notes.txt && ln -s ../elsewhere arch/link
  > }

A folder tree is walked depth first in byte order of names, and mirrored under -d or beside
its inputs.

  $ archive && vqz2xml -r -d xml --report=report.jsonl arch
  ! vqz2xml: 7 files: 7 converted, 0 faulty, 0 skipped, 0 not converted
  $ cat report.jsonl
  {"input":"arch/B.vqz","output":"xml/B.xml","status":"converted","encoding":"latin1","bytes_in":196,"bytes_out":518}
  {"input":"arch/a/b/c/d/deep.vqz","output":"xml/a/b/c/d/deep.xml","status":"converted","encoding":"latin1","bytes_in":196,"bytes_out":518}
  {"input":"arch/a.vqz","output":"xml/a.xml","status":"converted","encoding":"latin1","bytes_in":196,"bytes_out":518}
  {"input":"arch/v.2.vqz","output":"xml/v.2.xml","status":"converted","encoding":"latin1","bytes_in":196,"bytes_out":518}
  {"input":"arch/wave 1/household.vqz","output":"xml/wave 1/household.xml","status":"converted","encoding":"latin1","bytes_in":196,"bytes_out":518}
  {"input":"arch/wave3/Persons.VQZ","output":"xml/wave3/Persons.xml","status":"converted","encoding":"latin1","bytes_in":196,"bytes_out":518}
  {"input":"arch/wave3/household.vqz","output":"xml/wave3/household.xml","status":"converted","encoding":"latin1","bytes_in":196,"bytes_out":518}
  $ find xml | sort
  xml
  xml/B.xml
  xml/a
  xml/a.xml
  xml/a/b
  xml/a/b/c
  xml/a/b/c/d
  xml/a/b/c/d/deep.xml
  xml/v.2.xml
  xml/wave 1
  xml/wave 1/household.xml
  xml/wave3
  xml/wave3/Persons.xml
  xml/wave3/household.xml
  $ files | grep -c '\.xml = complete.xml$'
  7
  $ archive && vqz2xml -r --report=report.jsonl -j3 arch/
  ! vqz2xml: 7 files: 7 converted, 0 faulty, 0 skipped, 0 not converted
  $ sed 's/^{"input":"\([^"]*\)".*/\1/' report.jsonl
  arch/B.vqz
  arch/a/b/c/d/deep.vqz
  arch/a.vqz
  arch/v.2.vqz
  arch/wave 1/household.vqz
  arch/wave3/Persons.VQZ
  arch/wave3/household.vqz
  $ find arch -name '*.xml' | sort
  arch/B.xml
  arch/a.xml
  arch/a/b/c/d/deep.xml
  arch/v.2.xml
  arch/wave 1/household.xml
  arch/wave3/Persons.xml
  arch/wave3/household.xml
  $ files | grep -c '\.xml = complete.xml$'
  7
  $ archive && vqz2xml --recursive --output-dir=xml/ --report=report.jsonl ./arch
  ! vqz2xml: 7 files: 7 converted, 0 faulty, 0 skipped, 0 not converted
  $ sed 's/^{"input":"\([^"]*\)","output":"\([^"]*\)".*/\1 \2/' report.jsonl
  ./arch/B.vqz xml/B.xml
  ./arch/a/b/c/d/deep.vqz xml/a/b/c/d/deep.xml
  ./arch/a.vqz xml/a.xml
  ./arch/v.2.vqz xml/v.2.xml
  ./arch/wave 1/household.vqz xml/wave 1/household.xml
  ./arch/wave3/Persons.VQZ xml/wave3/Persons.xml
  ./arch/wave3/household.vqz xml/wave3/household.xml
  $ files | grep -c '\.xml = complete.xml$'
  7

A folder needs -r, and two inputs (or an input and the report) written to one file stop the run
before any file is written, -r or not; "linked/B.xml" is a link to "linked/a.xml".

  $ archive && mkdir linked && echo old >linked/a.xml && ln -s a.xml linked/B.xml
  $ { files; find . -type l | sort; } >../before
  $ vqz2xml -d xml arch
  ! vqz2xml: cannot read 'arch': Is a directory (-r converts the files below a folder)
  [2]
  $ vqz2xml -r -d xml arch/wave3 'arch/wave 1'
  ! vqz2xml: 'arch/wave3/household.vqz' and 'arch/wave 1/household.vqz' would both be written to 'xml/household.xml'
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml -r -o one.xml arch/wave3
  ! vqz2xml: --output names the output of a single input, but 2 inputs are found
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml -f -d linked arch/a.vqz arch/B.vqz
  ! vqz2xml: 'arch/a.vqz' and 'arch/B.vqz' would both be written to 'linked/B.xml'
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml -r -d xml --report=xml/v.2.xml arch
  ! vqz2xml: the report and 'arch/v.2.vqz' would both be written to 'xml/v.2.xml'
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml --check --report=arch/./a.vqz arch/a
  ! vqz2xml: the report would be written over the input 'arch/a.vqz'
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ { files; find . -type l | sort; } | diff ../before -

--update converts only what is missing or older than its input; equal times count as older.
A faulty input's output takes its input's time, so it is diagnosed again each time.

  $ rm -rf ./* && mkdir in && for f in changed same kept new; do cp "$DATA/complete.vqz" in/$f.vqz; done && cp "$DATA/faulty.vqz" in/bad.vqz
  $ vqz2xml -q -r -d xml in
  ! in/bad.vqz:4:1: error: expected 'Title', found "BOGUS"
  [1]
  $ echo 'older than its input' >xml/changed.xml && touch -r in/changed.vqz -d '-60 seconds' xml/changed.xml
  $ echo 'as old as its input' >xml/same.xml && touch -r in/same.vqz xml/same.xml
  $ echo 'newer than its input' >xml/kept.xml && touch -r in/kept.vqz -d '+60 seconds' xml/kept.xml
  $ rm xml/new.xml
  $ vqz2xml -u -v -r -d xml in
  ! in/bad.vqz:4:1: error: expected 'Title', found "BOGUS"
  ! in/bad.vqz -> xml/bad.xml: faulty
  ! in/changed.vqz -> xml/changed.xml: converted
  ! in/kept.vqz: up to date, xml/kept.xml
  ! in/new.vqz -> xml/new.xml: converted
  ! in/same.vqz -> xml/same.xml: converted
  ! vqz2xml: 5 files: 3 converted, 1 faulty, 0 skipped, 1 up to date, 0 not converted
  [1]
  $ files | grep xml/
  ./xml/bad.xml 183 bytes: <?xml version="1.0"?>||<vqz version="1.1
  ./xml/changed.xml = complete.xml
  ./xml/kept.xml 21 bytes: newer than its input|
  ./xml/new.xml = complete.xml
  ./xml/same.xml = complete.xml
  $ for f in changed same new; do touch -r in/$f.vqz -d '+60 seconds' xml/$f.xml; done
  $ vqz2xml -u --report=- -r -d xml in
  {"input":"in/bad.vqz","output":"xml/bad.xml","status":"faulty","encoding":"latin1","bytes_in":29,"bytes_out":183,"line":4,"column":1,"expected":"'Title'","found":"BOGUS"}
  {"input":"in/changed.vqz","output":"xml/changed.xml","status":"up-to-date","encoding":null,"bytes_in":0,"bytes_out":0}
  {"input":"in/kept.vqz","output":"xml/kept.xml","status":"up-to-date","encoding":null,"bytes_in":0,"bytes_out":0}
  {"input":"in/new.vqz","output":"xml/new.xml","status":"up-to-date","encoding":null,"bytes_in":0,"bytes_out":0}
  {"input":"in/same.vqz","output":"xml/same.xml","status":"up-to-date","encoding":null,"bytes_in":0,"bytes_out":0}
  ! in/bad.vqz:4:1: error: expected 'Title', found "BOGUS"
  ! vqz2xml: 5 files: 0 converted, 1 faulty, 0 skipped, 4 up to date, 0 not converted
  [1]

The report holds one object per input, in input order, whatever the jobs. A name that is no
UTF-8 is replaced in the text and exact in hexadecimal beside it.

  $ rm -rf ./* && cp "$DATA/complete.vqz" good.vqz && cp "$DATA/faulty.vqz" bad.vqz && labelled 'caf\351' >"$(printf 'latin\351.vqz')" && cp good.vqz kept.vqz && mkdir out && echo old >out/kept.xml
  $ vqz2xml -n -j4 -d out --report=r.jsonl good bad missing "$(printf 'latin\351')" kept
  ! bad.vqz:4:1: error: expected 'Title', found "BOGUS"
  ! vqz2xml: cannot read 'missing.vqz': No such file or directory
  ! vqz2xml: 5 files: 2 converted, 1 faulty, 1 skipped, 1 not converted
  [2]
  $ cat r.jsonl
  {"input":"good.vqz","output":"out/good.xml","status":"converted","encoding":"latin1","bytes_in":196,"bytes_out":518}
  {"input":"bad.vqz","output":"out/bad.xml","status":"faulty","encoding":"latin1","bytes_in":29,"bytes_out":183,"line":4,"column":1,"expected":"'Title'","found":"BOGUS"}
  {"input":"missing.vqz","output":null,"status":"failed","encoding":null,"bytes_in":0,"bytes_out":0,"error":"cannot read 'missing.vqz': No such file or directory"}
  {"input":"latin�.vqz","input_hex":"6c6174696ee92e76717a","output":"out/latin�.xml","output_hex":"6f75742f6c6174696ee92e786d6c","status":"converted","encoding":"latin1","bytes_in":132,"bytes_out":315}
  {"input":"kept.vqz","output":"out/kept.xml","status":"skipped","encoding":null,"bytes_in":0,"bytes_out":0}
  $ wc -c <out/bad.xml
  183

So is found text that is no UTF-8; --check writes no output.

  $ printf 'VQZ VERSION 1.1 SURVEY TITLE "x" BOGUS\351\377\n' >t.vqz
  $ vqz2xml --check --report=- t
  {"input":"t.vqz","output":null,"status":"faulty","encoding":"latin1","bytes_in":41,"bytes_out":0,"line":1,"column":34,"expected":"RECORD record_id","found":"BOGUS��","found_hex":"424f475553e9ff"}
  ! t.vqz:1:34: error: expected RECORD record_id, found "BOGUS\xe9\xff"
  [1]

The report and the XML cannot both go to standard output.

  $ vqz2xml --report=- -o - good
  ! vqz2xml: --report=- and the XML cannot both go to standard output
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml --report=- - <good.vqz
  ! vqz2xml: --report=- and the XML cannot both go to standard output
  ! Try 'vqz2xml --help' for more information.
  [2]

--no-faulty-output: a faulty input writes no output, and an old one stays as it was.

  $ nofaulty() { rm -rf ./* && cp "$DATA/faulty.vqz" bad.vqz && cp "$DATA/complete.vqz" good.vqz && echo old >bad.xml; }
  $ nofaulty && vqz2xml --no-faulty-output -f -v bad good
  ! bad.vqz:4:1: error: expected 'Title', found "BOGUS"
  ! bad.vqz: faulty, no output written
  ! good.vqz -> good.xml: converted
  ! vqz2xml: 2 files: 1 converted, 1 faulty, 0 skipped, 0 not converted
  [1]
  $ files
  ./bad.vqz = faulty.vqz
  ./bad.xml 4 bytes: old|
  ./good.vqz = complete.vqz
  ./good.xml = complete.xml
  $ nofaulty && vqz2xml --no-faulty-output -v -d new bad good
  ! bad.vqz:4:1: error: expected 'Title', found "BOGUS"
  ! bad.vqz: faulty, no output written
  ! good.vqz -> new/good.xml: converted
  ! vqz2xml: 2 files: 1 converted, 1 faulty, 0 skipped, 0 not converted
  [1]
  $ files
  ./bad.vqz = faulty.vqz
  ./bad.xml 4 bytes: old|
  ./good.vqz = complete.vqz
  ./new/good.xml = complete.xml
  $ nofaulty && vqz2xml --no-faulty-output -v -o - bad
  ! bad.vqz:4:1: error: expected 'Title', found "BOGUS"
  ! bad.vqz: faulty, no output written
  [1]
  $ files
  ./bad.vqz = faulty.vqz
  ./bad.xml 4 bytes: old|
  ./good.vqz = complete.vqz

The encoding is guessed for each file under --encoding=auto, and a UTF-8 byte-order mark is
skipped; the verbose line tells the guess.

  $ guessed() { rm -rf ./* && { printf "$3"; labelled "$2"; } >t.vqz && vqz2xml -v --encoding=$1 --report=r.jsonl t && grep -o '<label>.*</label>' t.xml && cat r.jsonl && wc -c <t.vqz; }
  $ guessed auto 'caf\303\251'
  <label>caf&#xe9;</label>
  {"input":"t.vqz","output":"t.xml","status":"converted","encoding":"utf-8","bytes_in":133,"bytes_out":315}
  133
  ! t.vqz -> t.xml: converted (utf-8)
  $ guessed auto 'caf\303\251' '\357\273\277'
  <label>caf&#xe9;</label>
  {"input":"t.vqz","output":"t.xml","status":"converted","encoding":"utf-8","bytes_in":136,"bytes_out":315}
  136
  ! t.vqz -> t.xml: converted (utf-8)
  $ guessed auto '\223quoted\224 caf\351'
  <label>&#x201c;quoted&#x201d; caf&#xe9;</label>
  {"input":"t.vqz","output":"t.xml","status":"converted","encoding":"cp1252","bytes_in":141,"bytes_out":338}
  141
  ! t.vqz -> t.xml: converted (cp1252)
  $ guessed auto 'caf\351'
  <label>caf&#xe9;</label>
  {"input":"t.vqz","output":"t.xml","status":"converted","encoding":"latin1","bytes_in":132,"bytes_out":315}
  132
  ! t.vqz -> t.xml: converted (latin1)
  $ guessed auto plain
  <label>plain</label>
  {"input":"t.vqz","output":"t.xml","status":"converted","encoding":"latin1","bytes_in":133,"bytes_out":311}
  133
  ! t.vqz -> t.xml: converted (latin1)
  $ guessed windows-1252 '\200'
  <label>&#x20ac;</label>
  {"input":"t.vqz","output":"t.xml","status":"converted","encoding":"cp1252","bytes_in":129,"bytes_out":314}
  129
  ! t.vqz -> t.xml: converted

A byte-order mark at the start is a fault unless the file is read as UTF-8.

  $ { printf '\357\273\277'; cat "$DATA/complete.vqz"; } >t.vqz
  $ vqz2xml --check t
  ! t.vqz:1:1: error: expected 'VQZ', found "\xef\xbb\xbfVQZ"
  ! vqz2xml: note: 1 input looks like UTF-8; --encoding=utf-8 or --encoding=auto reads it so
  [1]
  $ vqz2xml --encoding=utf-8 -o - t >../out && cmp ../out "$DATA/complete.xml"

An argument that names an existing file is taken as given: no ".vqz" is added. A named pipe,
as a shell's <(...) gives, is read as it is named.

  $ rm -rf ./* && cp "$DATA/complete.vqz" survey && cp "$DATA/faulty.vqz" survey.vqz
  $ vqz2xml -o - /dev/stdin <survey >../out && cmp ../out "$DATA/complete.xml"
  $ vqz2xml -o - /dev/fd/0 <survey >../out && cmp ../out "$DATA/complete.xml"
  $ vqz2xml -o - survey >../out && cmp ../out "$DATA/complete.xml"
  $ vqz2xml -o - survey.vqz >/dev/null
  ! survey.vqz:4:1: error: expected 'Title', found "BOGUS"
  [1]
  $ mkfifo pipe && { cat survey >pipe & } && vqz2xml -o - pipe | cmp - "$DATA/complete.xml"
