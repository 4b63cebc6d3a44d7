from typing import Optional

import numpy.typing as npt

from . import orbex as orbex
from ._core import (deconvolve as deconvolve, measure as measure, profile as profile, psf as psf, read as read,
                    write as write)
from ._errors import Aborted as Aborted, FileError as FileError, FileMissingError as FileMissingError

class PickedStars(list[tuple[int, int]]):
    rejected: list[tuple[int, int, str]]
    candidates: int

def pick_stars(pixels: npt.ArrayLike, count: int = 5, saturation: Optional[int] = None) -> PickedStars: ...
