"""Writes the wide-value FITS files of the conversion tests into a folder:
stacked.fits  float32 like a stacked frame: background-subtracted sky with
              negative values, stars, one very hot pixel, NaN border rows and
              one +inf and one -inf;
int32.fits    32-bit integers with a BLANK value;
float64.fits  64-bit reals with BZERO/BSCALE.
Beside each, NAME.raw holds the values astropy reads as float64 little-endian."""
import sys

import numpy as np
from astropy.io import fits

folder = sys.argv[1]
rng = np.random.default_rng(7)

rows, cols = 120, 150
y, x = np.mgrid[0:rows, 0:cols]
sky = rng.normal(0.0, 5.0, (rows, cols))
for (sx, sy, peak) in [(40, 30, 50000.0), (100, 70, 8000.0), (75, 95, 1200.0)]:
    sky += peak * np.exp(-((x - sx) ** 2 + (y - sy) ** 2) / (2 * 1.8 ** 2))
sky[60, 20] = 1.0e7
sky[0:2, :] = np.nan
sky[5, 5] = np.inf
sky[6, 6] = -np.inf
stacked = sky.astype(np.float32)
hdu = fits.PrimaryHDU(stacked)
hdu.header["EXPOSURE"] = 1800.0
hdu.header["XPIXSZ"] = 3.76
hdu.header["DATAMAX"] = 1.0e7
hdu.writeto(f"{folder}/stacked.fits", overwrite=True)
stacked.astype("<f8").tofile(f"{folder}/stacked.raw")

ints = (np.arange(rows * cols, dtype=np.int64).reshape(rows, cols) * 37 - 200000).astype(np.int32)
ints[3, 4] = -2147483648
hdu = fits.PrimaryHDU(ints)
hdu.header["BLANK"] = -2147483648
hdu.writeto(f"{folder}/int32.fits", overwrite=True)
values = ints.astype("<f8")
values[3, 4] = np.nan
values.tofile(f"{folder}/int32.raw")

doubles = np.linspace(-1.0, 1.0, rows * cols).reshape(rows, cols)
hdu = fits.PrimaryHDU(doubles)
hdu.header["BZERO"] = 100.0
hdu.header["BSCALE"] = 2.0
hdu.writeto(f"{folder}/float64.fits", overwrite=True)
fits.getdata(f"{folder}/float64.fits").astype("<f8").tofile(f"{folder}/float64.raw")
