# Tests of the Python module vqz2xml: results, diagnostics, arguments, encodings and version.
import os
import pathlib
import unittest

import vqz2xml

COMPLETE = (b'VQZ VERSION 1.1 SURVEY RECORD A VARIABLE 1 NAME "a" LABEL "caf\xe9" '
            b'TYPE logical POSITION 1 END VARIABLE END RECORD END SURVEY END VQZ')


class ConvertTest(unittest.TestCase):
    def test_golden_cases_give_the_programs_bytes(self):
        cases = sorted(pathlib.Path(os.environ["GOLDEN_DIR"]).glob("*.vqz"))
        self.assertTrue(cases)
        for case in cases:
            with self.subTest(case=case.name):
                encoding = ("utf-8" if case.name.startswith("enc_utf8_") else
                            "cp1252" if case.name.startswith("enc_cp1252_") else "latin1")
                result = vqz2xml.convert(case.read_bytes(), encoding=encoding)
                self.assertEqual(case.with_suffix(".xml").read_bytes(), result.xml)
                self.assertIs(b"*** Error:" not in result.xml, result.complete)
                self.assertEqual(result.complete, result.diagnostic is None)

    def test_faulty_input_tells_where(self):
        cases = [
            (b"", 1, 1, "'VQZ'", b"", "<input>:1:1: error: expected 'VQZ', found end of input"),
            (b'VQZ\r\nVERSION 1.1\r\nSURVEY\r\n  BOGUS "\xe9\\ here\r\nmore', 4, 3, "'Title'",
             b'BOGUS "\xe9\\ here',
             "<input>:4:3: error: expected 'Title', found \"BOGUS \\\"\\xe9\\\\ here\""),
        ]
        for data, line, column, expected, found, text in cases:
            with self.subTest(data=data):
                d = vqz2xml.convert(data).diagnostic
                self.assertEqual((line, column, expected, found),
                                 (d.line, d.column, d.expected, d.found))
                self.assertEqual(text, str(d))

    def test_takes_bytes_like_input_but_no_text(self):
        expected = vqz2xml.convert(COMPLETE).xml
        self.assertIn(b"<label>caf&#xe9;</label>", expected)
        for data in (bytearray(COMPLETE), memoryview(COMPLETE)):
            with self.subTest(kind=type(data).__name__):
                self.assertEqual(expected, vqz2xml.convert(data).xml)
        with self.assertRaises(TypeError):
            vqz2xml.convert(COMPLETE.decode("latin1"))

    def test_encoding_names(self):
        for name in ("latin1", "Latin-1", "cp1252", "windows-1252", "utf-8", "utf8", "UTF-8"):
            with self.subTest(encoding=name):
                self.assertTrue(vqz2xml.convert(COMPLETE, encoding=name).complete)
        for name in ("ascii", "utf-16", "bogus", ""):
            with self.subTest(encoding=name):
                with self.assertRaises(ValueError):
                    vqz2xml.convert(COMPLETE, name)

    def test_version_is_the_projects(self):
        self.assertEqual(os.environ["VQZ2XML_VERSION"], vqz2xml.__version__)


if __name__ == "__main__":
    unittest.main()
