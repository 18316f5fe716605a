"""Classic Quorbel survey descriptions (.vqz): converted into Quorbel XML 1.1, and read as data."""
from ._native import Diagnostic, Result, __version__, convert

__all__ = ["Diagnostic", "Result", "convert", "__version__"]
