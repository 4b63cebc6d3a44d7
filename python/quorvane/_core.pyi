import os
from typing import Any, Callable, Iterable, Literal, Optional, Sequence, TypedDict, Union

import numpy as np
import numpy.typing as npt

from ._errors import Aborted as Aborted, FileError as FileError, FileMissingError as FileMissingError

_Path = Union[str, bytes, os.PathLike[str], os.PathLike[bytes]]
_Pixels = npt.ArrayLike
_Star = Sequence[int]
_Record = dict[str, Any]

class Measurement(TypedDict):
    position: tuple[int, int]
    value: int
    average: int
    noise: float
    peak: tuple[int, int]
    fwhm: tuple[float, float]
    seeing: tuple[float, float]

class Profile(TypedDict):
    distance: npt.NDArray[np.float64]
    value: npt.NDArray[np.uint16]
    extent: float
    unit: Literal["arcsec", "pixel"]
    peak: tuple[int, int]
    peak_value: int
    box: tuple[int, int, int, int]
    background: int
    centroid: tuple[float, float]

def read(path: _Path) -> tuple[npt.NDArray[np.uint16], _Record]: ...
def write(path: _Path, pixels: _Pixels, record: Optional[_Record] = None,
          format: Optional[Literal["native", "fits"]] = None) -> None: ...
def deconvolve(pixels: _Pixels, stars: Iterable[_Star], iterations: int = 5,
               area: Optional[tuple[int, int, int, int]] = None, protect: bool = False,
               progress: Optional[Callable[[float, str], Optional[bool]]] = None,
               threads: Optional[int] = None) -> npt.NDArray[np.uint16]: ...
def psf(pixels: _Pixels, stars: Iterable[_Star]) -> npt.NDArray[np.float32]: ...
def measure(pixels: _Pixels, x: int, y: int, box: int = 5, record: Optional[_Record] = None) -> Measurement: ...
def profile(pixels: _Pixels, x: int, y: int, box: int = 11, record: Optional[_Record] = None) -> Profile: ...
def _pick_stars(pixels: _Pixels, count: int, saturation: Optional[int]) -> tuple[list[tuple[int, int]], list[tuple[int, int, str]], int]: ...
