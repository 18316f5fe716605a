"""Classic Quorbel survey descriptions (.vqz): converted into Quorbel XML 1.1, and read as data."""
from ._native import Diagnostic, Result, __version__, convert
from .data import DataMeta, count_records, read_data, read_data_chunks
from .survey import Survey, read_survey

__all__ = ["DataMeta", "Diagnostic", "Result", "Survey", "convert", "count_records", "read_data",
           "read_data_chunks", "read_survey", "__version__"]
