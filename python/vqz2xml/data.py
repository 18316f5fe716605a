"""A survey's data file read into pandas DataFrames: read_data and read_data_chunks."""
import os

from . import _native
from .survey import read_survey

__all__ = ["DataMeta", "count_records", "read_data", "read_data_chunks"]


class DataMeta:
    """What the survey says about the columns of the frame, as the readers of statistics files
    tell it: names and labels of the columns, the codes' labels of each variable, the SPECIAL
    codes of each quantity and where they were found, and the survey model (read_survey's)."""

    def __init__(self, reader, metadata, encoding):
        self.survey = read_survey(metadata, encoding)
        self._variables = {v.name: v for v in self.survey.variables}
        variables = self._variables
        columns = reader.columns
        self.column_names = [c["name"] for c in columns]
        self.column_labels = [_column_label(variables[c["variable"]], c) for c in columns]
        self.column_names_to_labels = dict(zip(self.column_names, self.column_labels))
        self.variable_value_labels = {}
        self.missing_user_values = {}
        for column in columns:
            variable = variables[column["variable"]]
            if column["kind"] in ("code", "number"):
                labels = {_whole(v.number): v.label for v in variable.values
                          if v.number is not None}
                if labels:
                    self.variable_value_labels[column["name"]] = labels
                special = [_whole(v.number) for v in variable.values
                           if v.special and v.number is not None]
                if special and column["kind"] == "number":
                    self.missing_user_values[column["name"]] = special
        self.column_kinds = {c["name"]: c["kind"] for c in columns}
        # The SPECIAL codes found in quantities, by column: {row: code}, the value itself being
        # missing in the frame.
        self.special_values = {}
        self.data_errors = []
        self.data_warnings = []
        self.records = 0

    def __repr__(self):
        return "<vqz2xml.DataMeta %d columns, %d records, %d data errors>" % (
            len(self.column_names), self.records, len(self.data_errors))


def _whole(number):
    return int(number) if float(number).is_integer() else number


def _column_label(variable, column):
    if variable.type == "multiple" and column["name"] != variable.name:
        return variable.label + ": " + column["name"][len(variable.name) + 1:]
    return variable.label


def _bytes_of(source):
    """The bytes of a path or of bytes-like data."""
    if isinstance(source, (str, os.PathLike)):
        with open(source, "rb") as f:
            return f.read()
    return bytes(source)


def _open(metadata, data, encoding, usecols):
    """The native reader over the data, and the meta of its columns."""
    is_path = isinstance(data, (str, os.PathLike))
    name = os.fsdecode(data) if is_path else "<data>"
    source = os.fsdecode(data) if is_path else data
    description = _bytes_of(metadata)
    reader = _native.DataReader(description, source, is_path, encoding,
                                None if usecols is None else list(usecols), name)
    return reader, DataMeta(reader, description, encoding)


def _categories(variable):
    """The labels of a single's codes, once each, and for each entry its label's place."""
    places = {}
    of_entry = []
    for entry in variable.values:
        of_entry.append(places.setdefault(entry.label, len(places)))
    return list(places), of_entry


def _frame(reader, chunk, meta, labels, first_row):
    import numpy as np
    import pandas as pd

    variables = meta._variables
    series = {}
    for info, column in zip(reader.columns, chunk["columns"]):
        name = info["name"]
        values, mask = column["values"], column["mask"]
        kind = info["kind"]
        if kind == "code" and labels:
            categories, of_entry = _categories(variables[info["variable"]])
            index = column["value_index"]
            table = np.asarray(of_entry + [-1], dtype=np.int32)  # -1 stays -1
            codes = table[np.where(index >= 0, index, len(of_entry))]
            series[name] = pd.Categorical.from_codes(codes, categories=categories)
        elif kind == "code" and column["whole"]:
            series[name] = pd.arrays.IntegerArray(values, mask, copy=False)
        elif kind == "code":
            values[mask] = np.nan
            series[name] = values
        elif kind == "boolean":
            series[name] = pd.arrays.BooleanArray(values, mask, copy=False)
        else:
            series[name] = values
        if len(column["special_rows"]):
            found = pd.Series(column["special_values"], index=column["special_rows"] + first_row)
            previous = meta.special_values.get(name)
            meta.special_values[name] = found if previous is None else pd.concat([previous, found])
    # The dict keeps the columns' order; naming them again would make pandas copy every one.
    frame = pd.DataFrame(series, index=pd.RangeIndex(first_row, first_row + chunk["records"]),
                         copy=False)
    meta.data_errors.extend(chunk["errors"])
    meta.records = first_row + chunk["records"]
    return frame


def count_records(data):
    """The number of records in a data file (a path, or bytes), counted without reading them."""
    if isinstance(data, (str, os.PathLike)):
        return _native.count_records(os.fsdecode(data), True)
    return _native.count_records(bytes(data), False)


def read_data(metadata, data, encoding="latin1", labels=False, usecols=None, strict=False,
              skiprows=0, nrows=None):
    """read_data(metadata, data, encoding="latin1", labels=False, usecols=None, strict=False,
    skiprows=0, nrows=None) -> (DataFrame, DataMeta)

    Reads the data file `data` (a path, or bytes) whose records the classic survey description
    `metadata` (a path, or bytes) describes. Singles are nullable Int64 codes (float64 when a
    code or value is not whole), or categoricals of their labels with labels=True; quantities
    float64, their SPECIAL codes missing (kept in meta.special_values); characters str; logicals
    nullable boolean; each code of a multiple a boolean column NAME_CODE. usecols names the
    variables to read. skiprows and nrows choose a run of records (the frame's index counts from
    the file's first record). Data errors read as missing and are listed in meta.data_errors
    (strict=True raises ValueError at the first); warnings are in meta.data_warnings."""
    reader, meta = _open(metadata, data, encoding, usecols)
    first = reader.skip(skiprows) if skiprows else 0
    chunk = reader.read(-1 if nrows is None else nrows, labels, strict)
    frame = _frame(reader, chunk, meta, labels, first)
    meta.data_warnings = reader.warnings
    return frame, meta


def read_data_chunks(metadata, data, records=100000, encoding="latin1", labels=False,
                     usecols=None, strict=False):
    """Yields DataFrames of `records` records each (the last may hold fewer), for data bigger
    than memory; their indexes run on from one frame to the next. Takes the same arguments as
    read_data."""
    if records < 1:
        raise ValueError("records must be at least 1")
    reader, meta = _open(metadata, data, encoding, usecols)
    first = 0
    while True:
        chunk = reader.read(records, labels, strict)
        if chunk["records"] == 0 and first > 0:
            return
        yield _frame(reader, chunk, meta, labels, first)
        first += chunk["records"]
        if chunk["records"] < records:
            return
