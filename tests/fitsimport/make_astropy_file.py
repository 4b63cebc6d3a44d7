"""Writes a small 16-bit image the way astropy stores unsigned data
(BZERO 32768), with the observation cards a camera program would add."""
import sys

import numpy as np
from astropy.io import fits

data = (np.arange(35, dtype=np.uint32).reshape(5, 7) * 1931 + 17) % 65536
data[0, 0] = 0
data[4, 6] = 65535
hdu = fits.PrimaryHDU(data.astype(np.uint16))
header = hdu.header
header["DATE-OBS"] = "2005-03-09T21:04:05"
header["EXPTIME"] = (12.5, "seconds")
header["INSTRUME"] = "KESL QV-4 camera"
header["OBJECT"] = "M13"
header["OBSERVER"] = "A. Observer"
header["HISTORY"] = "dark frame subtracted"
header["HISTORY"] = "flat field applied"
header["COMMENT"] = "a test field near the cluster"
hdu.writeto(sys.argv[1], overwrite=True)
