# Tests of vqz2xml.read_survey: sources, errors for bad arguments, the JSON document (schema and
# the program's own), the variables' frame.
import json
import os
import pathlib
import subprocess
import unittest

import vqz2xml

GOLDEN = pathlib.Path(os.environ["GOLDEN_DIR"])
SCHEMA = pathlib.Path(os.environ["SCHEMA_DIR"]) / "survey.schema.json"
SURVEY = (b'VQZ VERSION 1.1 SURVEY RECORD A VARIABLE 1 NAME "Q1" LABEL "caf\xc3\xa9" '
          b'TYPE single POSITION 3 TO 4 VALUES 1 "yes" 9 "Refused" SPECIAL END VALUES '
          b'END VARIABLE END RECORD END SURVEY END VQZ')


def encoding_of(case):
    return ("utf-8" if case.name.startswith("enc_utf8_") else
            "cp1252" if case.name.startswith("enc_cp1252_") else "latin1")


class ReadSurveyTest(unittest.TestCase):
    def test_sources_are_bytes_or_paths(self):
        path = GOLDEN / "values_example.vqz"
        expected = vqz2xml.read_survey(path.read_bytes())
        for source in (str(path), path, bytearray(path.read_bytes()),
                       memoryview(path.read_bytes())):
            with self.subTest(source=type(source).__name__):
                self.assertEqual(expected, vqz2xml.read_survey(source))
        with self.assertRaises(TypeError):
            vqz2xml.read_survey(42)
        with self.assertRaises(FileNotFoundError):
            vqz2xml.read_survey(GOLDEN / "no such file.vqz")
        with self.assertRaisesRegex(ValueError, "auto"):
            vqz2xml.read_survey(SURVEY, encoding="ebcdic")

    def test_model_attributes(self):
        survey = vqz2xml.read_survey(SURVEY, encoding="auto")
        self.assertEqual(("1.1", True, "utf-8"), (survey.version, survey.complete, survey.encoding))
        q1 = survey.variables[0]
        self.assertEqual(("Q1", "caf\u00e9", "single", 3, 4, 2),
                         (q1.name, q1.label, q1.type, q1.start, q1.finish, q1.width))
        self.assertEqual([(1, False), (9, True)], [(c.number, c.special) for c in q1.values])
        faulty = vqz2xml.read_survey(b"VQZ VERSION 1.1 SURVEY BOGUS \xe9")
        self.assertFalse(faulty.complete)
        self.assertEqual(("'Title'", "BOGUS \u00e9"),
                         (faulty.diagnostic.expected, faulty.diagnostic.found))
        self.assertEqual("utf-8", vqz2xml.convert(SURVEY, encoding="auto").encoding)

    def test_every_golden_case_matches_the_program_and_the_schema(self):
        try:
            import jsonschema
        except ImportError:
            jsonschema = None
        program = os.environ.get("VQZ2XML_PROGRAM")
        validator = jsonschema.Draft202012Validator(json.loads(SCHEMA.read_text())) \
            if jsonschema else None
        for case in sorted(GOLDEN.glob("*.vqz")):
            with self.subTest(case=case.name):
                document = vqz2xml.read_survey(case, encoding=encoding_of(case)).to_dict()
                if validator:
                    validator.validate(document)
                if program:
                    written = subprocess.run(
                        [program, "--format=json", "--encoding=" + encoding_of(case), "-o", "-",
                         str(case)], stdout=subprocess.PIPE, check=False).stdout
                    self.assertEqual(json.loads(written), document)
        if not validator:
            self.skipTest("python3-jsonschema is not installed: the schema was not checked")

    def test_variables_frame(self):
        try:
            import pandas  # noqa: F401
        except ImportError:
            self.skipTest("python3-pandas is not installed")
        frame = vqz2xml.read_survey(GOLDEN / "values_example.vqz").variables_frame()
        self.assertEqual(["ident", "name", "label", "type", "start", "finish", "width"],
                         list(frame.columns[:7]))
        self.assertEqual("Int64", str(frame["finish"].dtype))
        self.assertGreater(len(frame), 0)


if __name__ == "__main__":
    unittest.main()
