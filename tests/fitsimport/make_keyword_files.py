"""Writes one small 16-bit FITS file per entry of a JSON table
{"name": {"KEY": value, ...}, ...} into a folder, with astropy choosing the
card layout (integers stay integers, floats get a decimal point)."""
import json
import sys

import numpy as np
from astropy.io import fits

folder, table = sys.argv[1], json.loads(sys.argv[2])
for name, cards in table.items():
    hdu = fits.PrimaryHDU(np.full((4, 6), 1000, dtype=np.uint16))
    for key, value in cards.items():
        hdu.header[key] = value
    hdu.writeto(f"{folder}/{name}.fits", overwrite=True)
