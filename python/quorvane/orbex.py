"""The Orbex FITS library: header listing and packed FITS files."""

from ._core import orbex as _orbex

header = _orbex.header
pack = _orbex.pack
unpack = _orbex.unpack

__all__ = ["header", "pack", "unpack"]
