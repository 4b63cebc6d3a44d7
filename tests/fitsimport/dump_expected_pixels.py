"""Writes the 16-bit pixels the program should show for a FITS file's
primary image, as little-endian uint16 in file order: physical values above
65535 clamp, negative ones wrap by 65536 and clamp at 0, then truncate."""
import sys

import numpy as np
from astropy.io import fits

with fits.open(sys.argv[1], do_not_scale_image_data=True) as hdul:
    header = hdul[0].header
    raw = hdul[0].data.astype(np.float64)
    value = raw * header.get("BSCALE", 1.0) + header.get("BZERO", 0.0)
value = np.where(value > 65535, 65535, value)
value = np.where(value < 0, value + 65536, value)
value = np.where(value < 0, 0, value)
np.trunc(value).astype("<u2").tofile(sys.argv[2])
