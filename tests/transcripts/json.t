#require posix
--format=json writes each input's survey as one JSON document on one line, named and placed as
its XML would be, with the outcome at its end; the options that choose and skip outputs work
alike.

  $ . "$TESTDIR/lib.sh"
  $ cp "$DATA/complete.vqz" good.vqz && cp "$DATA/faulty.vqz" bad.vqz
  $ vqz2xml --format=json -o - good
  {"version":"1.1","standard_names":false,"date":"12 May","time":null,"origin":null,"user":null,"title":"Test","record":"A","variables":[{"ident":"1","name":"Q1","label":"Sex","type":"single","start":1,"finish":null,"width":1,"spread":null,"size":null,"range":null,"values":[{"code":"1","number":1,"label":"Male","special":false},{"code":"2","number":2,"label":"Female","special":false}]}],"notes":[],"complete":true,"encoding":"latin1","diagnostic":null}
  $ vqz2xml --format=json good bad
  ! bad.vqz:4:1: error: expected 'Title', found "BOGUS"
  ! vqz2xml: 2 files: 1 converted, 1 faulty, 0 skipped, 0 not converted
  [1]
  $ ls
  bad.json
  bad.vqz
  good.json
  good.vqz
  $ grep -o '"diagnostic":.*' bad.json
  "diagnostic":{"line":4,"column":1,"expected":"'Title'","found":"BOGUS"}}

Under -r a found file keeps its name up to ".vqz"; -n skips what exists, --check writes
nothing, and the report names the JSON output.

  $ mkdir -p tree/a && cp good.vqz tree/a/wave.1.vqz
  $ vqz2xml -r --format=json -d out tree && find out -type f
  out/a/wave.1.json
  ! vqz2xml: 1 files: 1 converted, 0 faulty, 0 skipped, 0 not converted
  $ vqz2xml -r --format=json -d out tree
  ! vqz2xml: output 'out/a/wave.1.json' exists (-f replaces it, -n skips its input)
  ! vqz2xml: 1 files: 0 converted, 0 faulty, 0 skipped, 1 not converted
  [2]
  $ vqz2xml -r -n --format=json -d out --report=- tree
  {"input":"tree/a/wave.1.vqz","output":"out/a/wave.1.json","status":"skipped","encoding":null,"bytes_in":0,"bytes_out":0}
  ! vqz2xml: 1 files: 0 converted, 0 faulty, 1 skipped, 0 not converted
  $ cp bad.vqz check.vqz && vqz2xml --check --format=json check.vqz
  ! check.vqz:4:1: error: expected 'Title', found "BOGUS"
  [1]
  $ ls check.*
  check.vqz
  $ vqz2xml --format=yaml good
  ! vqz2xml: invalid format: 'yaml' (xml, json or csv)
  ! Try 'vqz2xml --help' for more information.
  [2]
