"""The survey a classic file describes: its head, variables, codes and notes as Python objects."""
from __future__ import annotations

import json
import os
from dataclasses import asdict, dataclass, field
from typing import Any, Dict, List, Optional, Union

from . import _native

Source = Union[bytes, bytearray, memoryview, str, "os.PathLike[str]"]


@dataclass(frozen=True)
class Code:
    """One entry of a code list; ``number`` is the code's value (None for a code that is no number)."""
    code: Optional[str]
    number: Optional[float]
    label: str
    special: bool


@dataclass(frozen=True)
class Spread:
    subfields: int
    width: Optional[int]


@dataclass(frozen=True)
class Range:
    from_: str
    to: str


@dataclass(frozen=True)
class Variable:
    """A variable: where its answer lies in a record (start, finish, width) and its codes."""
    ident: str
    name: str
    label: str
    type: str
    start: Optional[int]
    finish: Optional[int]
    width: int
    spread: Optional[Spread]
    size: Optional[int]
    range: Optional[Range]
    values: List[Code] = field(default_factory=list)


@dataclass(frozen=True)
class Note:
    text: str
    before: int


@dataclass(frozen=True)
class SurveyDiagnostic:
    line: int
    column: int
    expected: str
    found: str


@dataclass(frozen=True)
class Survey:
    """What read_survey returns: the head's fields, the variables, the notes and the outcome."""
    version: Optional[str]
    standard_names: bool
    date: Optional[str]
    time: Optional[str]
    origin: Optional[str]
    user: Optional[str]
    title: Optional[str]
    record: Optional[str]
    variables: List[Variable]
    notes: List[Note]
    complete: bool
    encoding: str
    diagnostic: Optional[SurveyDiagnostic]

    def to_dict(self) -> Dict[str, Any]:
        """The survey as the JSON document of ``vqz2xml --format=json`` holds it."""
        document = asdict(self)
        for variable in document["variables"]:
            if variable["range"] is not None:
                variable["range"] = {"from": variable["range"]["from_"],
                                     "to": variable["range"]["to"]}
        return document

    def variables_frame(self):
        """A pandas DataFrame, one row per variable (pandas must be installed)."""
        import pandas

        rows = [{"ident": v.ident, "name": v.name, "label": v.label, "type": v.type,
                 "start": v.start, "finish": v.finish, "width": v.width,
                 "subfields": v.spread.subfields if v.spread else None,
                 "subfield_width": v.spread.width if v.spread else None,
                 "size": v.size, "codes": len(v.values)} for v in self.variables]
        frame = pandas.DataFrame(rows, columns=["ident", "name", "label", "type", "start",
                                                "finish", "width", "subfields",
                                                "subfield_width", "size", "codes"])
        for column in ("start", "finish", "subfields", "subfield_width", "size"):
            frame[column] = frame[column].astype("Int64")
        return frame


def _variable(d: Dict[str, Any]) -> Variable:
    return Variable(
        ident=d["ident"], name=d["name"], label=d["label"], type=d["type"], start=d["start"],
        finish=d["finish"], width=d["width"],
        spread=Spread(**d["spread"]) if d["spread"] else None, size=d["size"],
        range=Range(d["range"]["from"], d["range"]["to"]) if d["range"] else None,
        values=[Code(**code) for code in d["values"]])


def _input_bytes(source: Source) -> Union[bytes, bytearray, memoryview]:
    if isinstance(source, (bytes, bytearray, memoryview)):
        return source
    if isinstance(source, (str, os.PathLike)):
        with open(source, "rb") as file:
            return file.read()
    raise TypeError("source must be bytes or a path (str or os.PathLike), not "
                    + type(source).__name__)


def read_survey(source: Source, encoding: str = "latin1") -> Survey:
    """Reads the survey of a classic file given as bytes or as a path.

    encoding tells how bytes 0x80 to 0xFF of texts are read: "latin1", "cp1252", "utf-8" or
    "auto"; the result's ``encoding`` says which was used. A faulty input gives what was read
    before the fault, ``complete`` False and a ``diagnostic``.
    """
    d = json.loads(_native._read_survey_json(_input_bytes(source), encoding))
    return Survey(
        version=d["version"], standard_names=d["standard_names"], date=d["date"],
        time=d["time"], origin=d["origin"], user=d["user"], title=d["title"],
        record=d["record"], variables=[_variable(v) for v in d["variables"]],
        notes=[Note(**n) for n in d["notes"]], complete=d["complete"], encoding=d["encoding"],
        diagnostic=SurveyDiagnostic(**d["diagnostic"]) if d["diagnostic"] else None)
