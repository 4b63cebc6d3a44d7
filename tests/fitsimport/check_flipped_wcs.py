"""Checks a saved copy of an image mirrored left-right and top-bottom: every
pixel of the copy has the sky position of the original pixel it came from
(within 0.01 pixel), and every HDU after the primary one is unchanged."""
import sys

import numpy as np
from astropy.io import fits
from astropy.wcs import WCS

original_path, saved_path = sys.argv[1], sys.argv[2]
with fits.open(original_path) as original, fits.open(saved_path) as saved:
    rows, columns = original[0].data.shape
    before = WCS(original[0].header)
    after = WCS(saved[0].header)
    y, x = np.mgrid[0:rows, 0:columns]
    sky = before.all_pix2world(x.ravel(), y.ravel(), 0)
    # Mirrored both ways, original pixel (x, y) is now at (columns-1-x, rows-1-y).
    back_x, back_y = after.all_world2pix(sky[0], sky[1], 0)
    error = max(np.max(np.abs(back_x - (columns - 1 - x.ravel()))),
                np.max(np.abs(back_y - (rows - 1 - y.ravel()))))
    if not error < 0.01:
        print(f"{saved_path}: pixels moved on the sky by up to {error} pixel")
        sys.exit(1)
    if not np.array_equal(saved[0].data[::-1, ::-1], original[0].data):
        print(f"{saved_path}: the pixels are not the mirrored original")
        sys.exit(1)
    if len(saved) != len(original):
        print(f"{saved_path}: {len(saved)} HDUs, the original has {len(original)}")
        sys.exit(1)
    for index in range(1, len(original)):
        if saved[index].header != original[index].header or \
                saved[index].data.tobytes() != original[index].data.tobytes():
            print(f"{saved_path}: HDU {index} differs from the original")
            sys.exit(1)
    tail = 0
    if len(original) > 1:
        tail = -original.fileinfo(1)["hdrLoc"]
with open(original_path, "rb") as first, open(saved_path, "rb") as second:
    a, b = first.read(), second.read()
tail = len(a) + tail if tail else 0
if tail and a[-tail:] != b[-tail:]:
    print(f"{saved_path}: the extension bytes differ")
    sys.exit(1)
