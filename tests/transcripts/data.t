Reading a survey's answers: --format=csv writes each input's data file as NAME.csv, placed as
the XML would be. The data file lies beside its input, with the same name and the extension
.dat; the example's has a few faults, which are reported while reading goes on (status 1).

  $ cp "$EXAMPLES/household.vqz" "$EXAMPLES/household.dat" .
  $ vqz2xml --format=csv household.vqz
  ! household.dat:4:57: error: LANG (single): expected a code, found "x"
  ! household.dat:4:9: warning: REGION (single): 1 value not in the code list, first " 7"
  ! household.dat:4:16: warning: AMENITY (multiple): 1 value not in the code list, first "6"
  ! household.dat:4:58: warning: CHILDAGE (quantity): 1 value out of range, first "19"
  [1]
  $ tr -d '\r' < household.csv
  HHID,REGION,HHSIZE,TENURE,AMENITY_1,AMENITY_2,AMENITY_3,AMENITY_4,AMENITY_5,INCOME,CAR,RESPNAME,LANG,CHILDAGE_1,CHILDAGE_2,CHILDAGE_3,CHILDAGE_4,CHILDAGE_5,SATISF,EARNER,VISITOK
  H0000001,1,4,2,1,1,1,1,0,2350,1,Renée,2,5,7,,,,8,1,1
  H0000002,10,1,3,1,1,0,0,0,980,0,Tom,1,,,,,,6,1,0
  H0000003,2,98,1,1,1,1,1,1,12500,1,"Ana, ""Nina""",3,12,3,,1,,99,2,
  H0000004,7,3,4,0,1,0,0,0,-150,0,Li,,19,,,,,10,3,1
  H0000005,3,2,2,0,0,0,0,0,1500.5,,Jean-Pierre,4,0,,,,,5,,0
  H0000006,4,2,,0,0,0,0,0,,,,,,,,,,,,

Rows end in CR LF, as RFC 4180 has them.

  $ head -c 5 household.csv | od -An -c | tr -s ' '
   H H I D ,
  $ head -n 1 household.csv | tail -c 2 | od -An -c | tr -s ' '
   \r \n

With --labels, singles and labelled quantity values are written as their labels.

  $ vqz2xml --format=csv --labels -f -o - household.vqz 2>/dev/null | tr -d '\r' | cut -d, -f2,3,13 | head -n 3
  REGION,HHSIZE,LANG
  North,4,Français
  Islands & coast,1,English
  $ vqz2xml --format=csv --labels -f -o - household.vqz 2>/dev/null | tr -d '\r' | cut -d, -f3 | sed -n 4p
  Don't know

The version 1.0 example's columns are counted from its types, sizes and codes; its data file
ends its lines in CR LF and its last line has none.

  $ cp "$EXAMPLES/panel_v10.vqz" .
  $ cp "$EXAMPLES/panel_v10.dat" PANEL_V10.DAT
  $ vqz2xml --format=csv -q panel_v10.vqz --data=PANEL_V10.DAT
  ! PANEL_V10.DAT:4:13: error: BRANDS (multiple): expected 1, 0 or blank, found "1x0000"
  ! PANEL_V10.DAT:3:10: warning: AGE (quantity): 1 value out of range, first "125"
  ! PANEL_V10.DAT:3:42: warning: CHANNELS (multiple): 1 value not in the code list, first "1"
  ! PANEL_V10.DAT:4:7: warning: WAVE (quantity): 1 value out of range, first "13"
  ! PANEL_V10.DAT:4:9: warning: SEX (single): 1 value not in the code list, first "3"
  ! PANEL_V10.DAT:4:45: warning: SCORE (quantity): 1 value out of range, first "-51"
  [1]
  $ tr -d '\r' < panel_v10.csv
  PANELID,WAVE,SEX,AGE,BRANDS_1,BRANDS_2,BRANDS_3,BRANDS_4,BRANDS_5,BRANDS_6,SPEND,STORE,LOYAL,POSTCODE,CHANNELS_1,CHANNELS_2,CHANNELS_4,CHANNELS_8,RATING,SCORE
  P00101,7,1,34,1,0,0,1,0,1,125,1,1,AB1 2CD,1,1,0,0,8,-12
  P00102,7,2,61,0,0,0,0,0,0,40,12,0,ZZ9 9ZZ,0,0,1,1,99,45
  P00103,7,9,125,0,1,0,0,0,0,300,5,1,,1,0,0,0,10,0
  P00104,13,3,16,,,,,,,,2,1,N1 1AA,0,0,0,0,3,-51

The data file beside an input is found in any letter case of its extension.

  $ rm panel_v10.csv
  $ mv PANEL_V10.DAT panel_v10.DaT
  $ vqz2xml --format=csv -q panel_v10.vqz 2>/dev/null
  [1]
  $ test -e panel_v10.csv

--check reads the data as well when there is a data file, and the report counts the records,
data errors and warnings; --strict-data stops at the first data error.

  $ vqz2xml --check --report=- household.vqz 2>/dev/null
  {"input":"household.vqz","output":null,"status":"faulty","encoding":"latin1","bytes_in":3416,"bytes_out":0,"records":6,"data_errors":1,"data_warnings":3}
  [1]
  $ vqz2xml --check --strict-data --report=- household.vqz 2>/dev/null
  {"input":"household.vqz","output":null,"status":"faulty","encoding":"latin1","bytes_in":3416,"bytes_out":0,"records":4,"data_errors":1,"data_warnings":3}
  [1]

A clean data file converts with status 0; a record a field does not reach reads as blank.

  $ printf 'VQZ VERSION 1.1 SURVEY RECORD A VARIABLE 1 NAME "A" LABEL "a" TYPE logical POSITION 3 END VARIABLE END RECORD END SURVEY END VQZ' > s.vqz
  $ printf '  1\n\n  0' > s.dat
  $ vqz2xml --format=csv -o - s.vqz | od -An -c | tr -s ' '
   A \r \n 1 \r \n \r \n 0 \r \n

Without a data file there is nothing to write; --data names one input's file only, and --labels
belongs to CSV.

  $ rm s.dat
  $ vqz2xml --format=csv s.vqz
  ! vqz2xml: no data file for 's.vqz' (--data names it, or NAME.dat beside the input)
  [2]
  $ vqz2xml --format=csv --data=x.dat s.vqz household.vqz
  ! vqz2xml: --data names the data file of a single input, but 2 inputs are given
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml --labels s.vqz
  ! vqz2xml: --labels needs --format=csv
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml --format=tsv s.vqz
  ! vqz2xml: invalid format: 'tsv' (xml, json or csv)
  ! Try 'vqz2xml --help' for more information.
  [2]
  $ vqz2xml --format=csv --data=missing.dat s.vqz
  ! vqz2xml: cannot read data 'missing.dat': No such file or directory
  [2]
  $ mkdir folder.dat
  $ vqz2xml --format=csv --data=folder.dat -o - s.vqz
  ! vqz2xml: cannot read data 'folder.dat': Is a directory
  [2]

Under --update a CSV is written again when its data file changed after it, even if the survey
did not.

  $ printf '  1\n' > s.dat
  $ touch -d '2001-01-01' s.vqz
  $ vqz2xml --format=csv -u -v s.vqz
  ! s.vqz: 1 records, 0 data errors -> s.csv
  $ touch -d '2001-01-02' s.dat
  $ vqz2xml --format=csv -u -v s.vqz
  ! s.vqz: up to date, s.csv
  $ touch -d '2001-01-02' s.csv
  $ touch -d '2001-01-03' s.dat
  $ vqz2xml --format=csv -u -v s.vqz
  ! s.vqz: 1 records, 0 data errors -> s.csv
