"""The exception hierarchy: korvex.Error and its subclasses, with the library's messages."""
from ._korvex import (ColorArrayError, ConvertError, CpuIdError, DataStructureError, Error,
                      FileOpenError, FileSystemError, InOutError, KRVError, OutOfResources,
                      PrinterError, ReadError, StringError, VariantError, WriteError)

__all__ = ["Error", "ConvertError", "VariantError", "InOutError", "FileOpenError", "ReadError",
           "WriteError", "OutOfResources", "PrinterError", "KRVError", "ColorArrayError",
           "StringError", "DataStructureError", "CpuIdError", "FileSystemError"]
