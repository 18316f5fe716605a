# The environment ctest gives the Python tests, defaulted for pytest run from a checkout against
# an installed package (.ci/python).
import os
import pathlib
import re

ROOT = pathlib.Path(__file__).resolve().parents[2]
VERSION = re.search(r"project\(vqz2xml VERSION ([0-9.]+)",
                    (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")).group(1)
for name, value in (("GOLDEN_DIR", ROOT / "tests" / "golden"), ("SCHEMA_DIR", ROOT / "docs"),
                    ("EXAMPLES_DIR", ROOT / "examples"), ("VQZ2XML_VERSION", VERSION)):
    os.environ.setdefault(name, str(value))
