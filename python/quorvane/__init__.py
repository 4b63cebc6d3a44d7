"""Quorvane from Python: image files, deconvolution and measurements on numpy arrays.

    pixels, record = quorvane.read("m13.fits")
    sharp = quorvane.deconvolve(pixels, quorvane.pick_stars(pixels), iterations=5)
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

from . import _core, orbex  # noqa: E402

__all__ = [
    "Aborted",
    "FileError",
    "FileMissingError",
    "deconvolve",
    "measure",
    "orbex",
    "pick_stars",
    "PickedStars",
    "profile",
    "psf",
    "read",
    "write",
]


class PickedStars(list):
    """The stars pick_stars chose, as (x, y) pairs brightest first (a list, so
    it goes straight to deconvolve), with why the other candidates were not.

    rejected: (x, y, reason) for every candidate looked at and turned down.
    candidates: how many peaks stood clearly above the sky."""

    def __init__(self, stars, rejected, candidates):
        super().__init__(stars)
        self.rejected = rejected
        self.candidates = candidates


def pick_stars(pixels, count=5, saturation=None):
    """Chooses up to count isolated, unsaturated, bright stars away from the
    edges as PSF samples, each one accepted by the engine's own check of a
    pick. saturation: the image's saturation level (record["Sat_level"];
    default 65535). Returns a PickedStars list; it may hold fewer than count
    stars (none when the image has no suitable star), and its rejected
    attribute says why each other candidate was turned down."""
    stars, rejected, candidates = _core._pick_stars(pixels, count, saturation)
    return PickedStars(stars, rejected, candidates)
