"""Compares a file the program saved with the file it came from: the same
pixels, and every card of the original still present (the structural cards
the program writes itself excepted). Exit status 0 when all holds."""
import sys

import numpy as np
from astropy.io import fits

OWN = {"SIMPLE", "BITPIX", "NAXIS", "NAXIS1", "NAXIS2", "BZERO", "BSCALE", "DATE",
       "BACKGRND", "RANGE", "KESLHIST"}

original_path, saved_path = sys.argv[1], sys.argv[2]
with fits.open(original_path) as a, fits.open(saved_path) as b:
    first, second = a[0], b[0]
    failures = []
    if first.data.shape != second.data.shape:
        failures.append("shape %s != %s" % (first.data.shape, second.data.shape))
    elif not np.array_equal(first.data.astype(np.int64), second.data.astype(np.int64)):
        where = np.argwhere(first.data.astype(np.int64) != second.data.astype(np.int64))[0]
        failures.append("pixel (row %d, column %d) differs" % tuple(where))
    saved = [(c.keyword, str(c.value)) for c in second.header.cards]
    for card in first.header.cards:
        if card.keyword in OWN:
            continue
        if (card.keyword, str(card.value)) not in saved:
            failures.append("card missing: %s = %r" % (card.keyword, card.value))
for failure in failures:
    print(failure)
sys.exit(1 if failures else 0)
