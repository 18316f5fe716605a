# Tests of vqz2xml.read_data: the frame's values and dtypes, both versions' columns, chunks,
# Dask partitions, and the program's CSV read back with the csv module.
import csv
import io
import math
import os
import pathlib
import subprocess
import tempfile
import unittest

import vqz2xml

try:
    import numpy as np
    import pandas as pd
except ImportError:  # the frame's tests need both
    pd = None

try:
    import dask.dataframe as dd
except ImportError:
    dd = None

EXAMPLES = pathlib.Path(os.environ.get("EXAMPLES_DIR", "examples"))

# Every type in one record layout: columns 1-2 a single, 3-5 a quantity with a SPECIAL code,
# 6-9 a character, 10 a logical, 11-13 a multiple, 14-16 a single with a code 1.5.
METADATA = b"""VQZ VERSION 1.1 SURVEY RECORD A
VARIABLE 1 NAME "S" LABEL "single" TYPE single POSITION 1 TO 2
  VALUES 1 "One" 2 "Two" 9 "Refused" SPECIAL END VALUES END VARIABLE
VARIABLE 2 NAME "Q" LABEL "quantity" TYPE quantity POSITION 3 TO 5
  VALUES 0 TO 100 WITH 999 "Don't know" SPECIAL END VALUES END VARIABLE
VARIABLE 3 NAME "C" LABEL "character" TYPE character POSITION 6 TO 9 SIZE 4 END VARIABLE
VARIABLE 4 NAME "L" LABEL "logical" TYPE logical POSITION 10 END VARIABLE
VARIABLE 5 NAME "M" LABEL "multiple" TYPE multiple POSITION 11 TO 13
  VALUES "a" "b" "c" END VALUES END VARIABLE
VARIABLE 6 NAME "F" LABEL "fraction" TYPE single POSITION 14 TO 16
  VALUES 1 "One" 1.5 "One and a half" END VALUES END VARIABLE
END RECORD END SURVEY END VQZ
"""
# CR LF, a short line, a data error (the logical's "x") and a last line without its end.
DATA = (b" 1 12Ab  1101 1\r\n"
        b" 9999    0000\r\n"
        b" 2\r\n"
        b"17  5caf\xe9x0011.5")


@unittest.skipUnless(pd is not None, "needs pandas and numpy")
class ReadDataTest(unittest.TestCase):
    def setUp(self):
        self.frame, self.meta = vqz2xml.read_data(METADATA, DATA)

    def test_values_of_every_type(self):
        f = self.frame
        self.assertEqual(list(f.columns), ["S", "Q", "C", "L", "M_1", "M_2", "M_3", "F"])
        self.assertEqual(f["S"].tolist(), [1, 9, 2, 17])
        self.assertEqual(f["Q"].tolist()[0], 12)
        self.assertTrue(math.isnan(f["Q"][1]))  # 999 is SPECIAL: missing, its code kept beside
        self.assertEqual(self.meta.special_values["Q"].to_dict(), {1: 999})
        self.assertEqual(f["C"].tolist(), ["Ab", "", "", "caf\u00e9"])
        self.assertEqual(f["L"].tolist(), [True, False, pd.NA, pd.NA])
        self.assertEqual(f["M_1"].tolist(), [True, False, False, False])
        self.assertEqual(f["M_3"].tolist(), [True, False, False, True])
        self.assertEqual(f["F"].tolist()[3], 1.5)

    def test_dtypes(self):
        self.assertEqual(
            {name: str(t) for name, t in self.frame.dtypes.items()},
            {"S": "Int64", "Q": "float64", "C": "object", "L": "boolean", "M_1": "boolean",
             "M_2": "boolean", "M_3": "boolean", "F": "float64"})
        labelled, _ = vqz2xml.read_data(METADATA, DATA, labels=True)
        self.assertEqual(str(labelled["S"].dtype), "category")
        self.assertEqual(labelled["S"].tolist()[:3], ["One", "Refused", "Two"])
        self.assertTrue(pd.isna(labelled["S"][3]))  # 17 is no code: no label

    def test_errors_and_warnings(self):
        [error] = self.meta.data_errors
        self.assertEqual((error["line"], error["column"], error["variable"], error["found"]),
                         (4, 10, "L", b"x"))
        warnings = {(w["variable"], w["problem"]): (w["count"], w["line"])
                    for w in self.meta.data_warnings}
        self.assertEqual(warnings, {("S", "undeclared"): (1, 4)})
        with self.assertRaisesRegex(ValueError, r"<data>:4:10: error: L \(logical\)"):
            vqz2xml.read_data(METADATA, DATA, strict=True)

    def test_meta_labels(self):
        self.assertEqual(self.meta.variable_value_labels["S"], {1: "One", 2: "Two", 9: "Refused"})
        self.assertEqual(self.meta.missing_user_values, {"Q": [999]})
        self.assertEqual(self.meta.column_names_to_labels["M_2"], "multiple: 2")
        self.assertEqual(self.meta.survey["variables"][0]["name"], "S")

    def test_usecols_reads_only_those_fields(self):
        frame, meta = vqz2xml.read_data(METADATA, DATA, usecols=["M", "S"])
        self.assertEqual(list(frame.columns), ["S", "M_1", "M_2", "M_3"])
        self.assertEqual(meta.data_errors, [])  # the faulty logical was never read
        with self.assertRaisesRegex(ValueError, "no variable named 'X'"):
            vqz2xml.read_data(METADATA, DATA, usecols=["X"])

    def test_paths_and_bytes_agree(self):
        with tempfile.TemporaryDirectory() as folder:
            meta_path = pathlib.Path(folder, "s.vqz")
            data_path = pathlib.Path(folder, "s.dat")
            meta_path.write_bytes(METADATA)
            data_path.write_bytes(DATA)
            frame, _ = vqz2xml.read_data(meta_path, str(data_path))
        pd.testing.assert_frame_equal(frame, self.frame)

    def test_both_versions_computed_columns(self):
        household, _ = vqz2xml.read_data(EXAMPLES / "household.vqz", EXAMPLES / "household.dat")
        self.assertEqual(household["RESPNAME"][0], "Ren\u00e9e")
        # A quantity with SPREAD gives a column per subfield.
        self.assertEqual(household["CHILDAGE_2"].iloc[[0, 2]].tolist(), [7, 3])
        self.assertTrue(math.isnan(household["CHILDAGE_2"][1]))
        panel, meta = vqz2xml.read_data(EXAMPLES / "panel_v10.vqz", EXAMPLES / "panel_v10.dat")
        # Version 1.0 columns are counted on from the types, sizes and codes.
        self.assertEqual(panel["STORE"].tolist(), [1, 12, 5, 2])
        self.assertEqual(panel["POSTCODE"].tolist(), ["AB1 2CD", "ZZ9 9ZZ", "", "N1 1AA"])
        self.assertEqual(panel["SCORE"].tolist(), [-12, 45, 0, -51])
        self.assertEqual(panel["CHANNELS_8"].tolist(), [False, True, False, False])
        self.assertEqual(len(meta.data_errors), 1)

    def test_chunks_make_the_whole_frame(self):
        for records in (1, 3, 4, 10):
            with self.subTest(records=records):
                chunks = list(vqz2xml.read_data_chunks(METADATA, DATA, records=records))
                self.assertEqual([len(c) for c in chunks][:1], [min(records, 4)])
                pd.testing.assert_frame_equal(pd.concat(chunks), self.frame)

    @unittest.skipUnless(dd is not None, "needs dask")
    def test_dask_partitions_make_the_whole_frame(self):
        total = vqz2xml.count_records(DATA)
        ranges = [(start, min(start + 3, total)) for start in range(0, total, 3)]
        parts = dd.from_map(
            lambda r: vqz2xml.read_data(METADATA, DATA, skiprows=r[0], nrows=r[1] - r[0])[0],
            ranges, meta=self.frame.iloc[:0])
        self.assertEqual(parts.npartitions, 2)
        pd.testing.assert_frame_equal(parts.compute(scheduler="sync"), self.frame)


@unittest.skipUnless("VQZ2XML_PROGRAM" in os.environ, "needs the program")
class CsvTest(unittest.TestCase):
    def csv_rows(self, *options):
        with tempfile.TemporaryDirectory() as folder:
            pathlib.Path(folder, "s.vqz").write_bytes(METADATA)
            pathlib.Path(folder, "s.DAT").write_bytes(DATA)  # found in any letter case
            run = subprocess.run([os.environ["VQZ2XML_PROGRAM"], "--format=csv", "-q", *options,
                                  "s.vqz"], cwd=folder, capture_output=True)
            self.assertEqual(run.returncode, 1, run.stderr)  # the logical's data error
            text = pathlib.Path(folder, "s.csv").read_bytes().decode("utf-8")
        return list(csv.reader(io.StringIO(text, newline="")))

    def test_csv_read_back(self):
        rows = self.csv_rows()
        self.assertEqual(rows[0], ["S", "Q", "C", "L", "M_1", "M_2", "M_3", "F"])
        self.assertEqual(rows[1:], [["1", "12", "Ab", "1", "1", "0", "1", "1"],
                                    ["9", "999", "", "0", "0", "0", "0", ""],
                                    ["2", "", "", "", "0", "0", "0", ""],
                                    ["17", "5", "caf\u00e9", "", "0", "0", "1", "1.5"]])

    def test_csv_labels(self):
        rows = self.csv_rows("--labels")
        self.assertEqual([row[0] for row in rows[1:]], ["One", "Refused", "Two", "17"])
        self.assertEqual(rows[2][1], "Don't know")
        self.assertEqual(rows[4][7], "One and a half")


if __name__ == "__main__":
    unittest.main()
