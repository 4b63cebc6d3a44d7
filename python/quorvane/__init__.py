"""Quorvane from Python: image files, deconvolution and measurements on numpy arrays.

    pixels, record = quorvane.read("m13.fits")
    sharp = quorvane.deconvolve(pixels, [(412, 230), (95, 388)], iterations=5)
    quorvane.write("m13-sharp.fits", sharp, record)

Everything runs the program's own C++ code; results equal quorvane-cli's.
"""

from ._core import (  # noqa: F401
    Aborted,
    FileError,
    FileMissingError,
    deconvolve,
    measure,
    profile,
    psf,
    read,
    write,
)

from . import orbex  # noqa: E402

__all__ = [
    "Aborted",
    "FileError",
    "FileMissingError",
    "deconvolve",
    "measure",
    "orbex",
    "profile",
    "psf",
    "read",
    "write",
]
