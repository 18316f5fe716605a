"""Classic Quorbel survey descriptions (.vqz): converted into Quorbel XML 1.1, and read as data."""
from ._native import Diagnostic, Result, __version__, convert
from .survey import Survey, read_survey

__all__ = ["Diagnostic", "Result", "Survey", "convert", "read_survey", "__version__"]
