"""Writes small 16-bit images with a sky projection in each form a header
may state it (CD matrix, PC matrix with CDELT, CDELT with CROTA2), and one
with a table extension after the primary image, as survey files have."""
import sys

import numpy as np
from astropy.io import fits

folder = sys.argv[1]
rows, columns = 9, 12
data = ((np.arange(rows * columns).reshape(rows, columns) * 577 + 11) % 60000).astype(np.uint16)


def image(cards):
    hdu = fits.PrimaryHDU(data)
    header = hdu.header
    header["CTYPE1"] = "RA---TAN"
    header["CTYPE2"] = "DEC--TAN"
    header["CRVAL1"] = 83.8
    header["CRVAL2"] = -5.4
    header["CRPIX1"] = 4.25
    header["CRPIX2"] = 6.5
    for key, value in cards:
        header[key] = value
    return hdu


image([("CD1_1", -2.1e-4), ("CD1_2", 0.6e-4), ("CD2_1", 0.5e-4), ("CD2_2", 2.0e-4)]).writeto(
    folder + "/cd.fits", overwrite=True)
image([("CDELT1", -2.0e-4), ("CDELT2", 2.2e-4), ("PC1_2", 0.3), ("PC2_1", -0.25)]).writeto(
    folder + "/pc.fits", overwrite=True)
image([("CDELT1", -2.0e-4), ("CDELT2", 2.0e-4), ("CROTA2", 23.0)]).writeto(
    folder + "/crota.fits", overwrite=True)

primary = image([("CDELT1", -2.0e-4), ("CDELT2", 2.0e-4)])
primary.header["EXTEND"] = True
table = fits.BinTableHDU.from_columns([
    fits.Column(name="STAR", format="10A", array=np.array(["alpha", "beta", "gamma"])),
    fits.Column(name="FLUX", format="E", array=np.array([1.5, 2.25, 3.125], dtype=np.float32)),
])
table.header["EXTNAME"] = "STARS"
fits.HDUList([primary, table]).writeto(folder + "/with_table.fits", overwrite=True)
