#!/usr/bin/python3
"""Round trips between the library and independent FITS software.

Files written by the library must read back in astropy with the same header
values and pixels and pass fitsverify without errors; files written by
astropy must read through the library with the pixels astropy reads.

usage: interop.py ORBEX_INTEROP_TOOL SHARED_DATA_DIR
"""

import json
import os
import re
import subprocess
import sys
import tempfile
import warnings

import numpy as np
from astropy.io import fits

RAW_TYPES = {8: np.uint8, 16: np.int16, 32: np.int32, -32: np.float32}
BLANK_VALUE = -1.0  # what the helper asks fits_read to store for undefined pixels


def fitsverify_errors(path):
    out = subprocess.run(["fitsverify", path], capture_output=True, text=True).stdout
    found = re.search(r"Verification found (\d+) warning\(s\) and (\d+) error\(s\)", out)
    if not found:
        return "no fitsverify summary:\n" + out
    return None if found.group(2) == "0" else out


def same_value(expected, got):
    if isinstance(expected, float):
        return isinstance(got, (int, float)) and np.isclose(got, expected, rtol=1e-15, atol=0)
    return expected == got


def check_library_files(tool, work):
    failures = []
    subprocess.run([tool, "write", work], check=True)
    with open(os.path.join(work, "manifest.json")) as f:
        manifest = json.load(f)
    for name, info in manifest.items():
        path = os.path.join(work, name)
        with fits.open(path) as hdul:
            header = hdul[0].header.copy()  # scaling the data removes BSCALE and BLANK
            data = hdul[0].data
            for key, expected in info["header"].items():
                if not same_value(expected, header.get(key)):
                    failures.append(f"{name}: {key} reads {header.get(key)!r}, wrote {expected!r}")
            raw = np.fromfile(path + ".raw", dtype=RAW_TYPES[info["bitpix"]]).reshape(data.shape)
            expected = raw.astype(np.float64) * info["bscale"] + info["bzero"]
            if not np.array_equal(data.astype(np.float64), expected):
                bad = np.argwhere(data.astype(np.float64) != expected)[0]
                failures.append(f"{name}: pixel {tuple(bad)} reads {data[tuple(bad)]}, wrote {expected[tuple(bad)]}")
        problem = fitsverify_errors(path)
        if problem:
            failures.append(f"{name}: fitsverify reports errors:\n{problem}")
    return failures


def astropy_samples():
    ramp = np.arange(2 * 3 * 4 * 5)
    return {
        "a_u8.fits": (ramp[:60] * 4 % 256).astype(np.uint8).reshape(6, 10),
        "a_i16.fits": (ramp[:60] * 1111 - 33000).clip(-32768, 32767).astype(np.int16).reshape(6, 10),
        "a_u16.fits": (ramp[:60] * 1111).astype(np.uint16).reshape(6, 10),
        "a_i16_1d.fits": (ramp[:13] * -7).astype(np.int16),
        "a_i32.fits": ((ramp - 60) * 35791394).astype(np.int32).reshape(2, 3, 20),
        "a_f32.fits": np.array([1.5, -2.25, np.nan, 3e38, 1e-30, -0.0, np.inf], dtype=np.float32),
        "a_f32_3d.fits": (ramp.astype(np.float32) / 7).reshape(4, 5, 6),
    }


def expected_floats(data):
    values = np.asarray(data, dtype=np.float64)
    values = np.where(np.isfinite(values), values, BLANK_VALUE)
    return values.astype(np.float32).ravel()


def check_read(tool, path, work, label):
    out = os.path.join(work, os.path.basename(path) + ".f32")
    result = subprocess.run([tool, "read", path, out], capture_output=True, text=True)
    if result.returncode != 0:
        return [f"{label}: the library could not read it: {result.stderr}"]
    got = np.fromfile(out, dtype=np.float32)
    with fits.open(path) as hdul:
        expected = expected_floats(hdul[0].data)
    if got.shape != expected.shape:
        return [f"{label}: {got.size} pixels read, astropy reads {expected.size}"]
    differ = np.flatnonzero(got != expected)
    if differ.size:
        i = differ[0]
        return [f"{label}: pixel {i} reads {got[i]}, astropy reads {expected[i]}"]
    return []


def check_astropy_files(tool, work, shared):
    failures = []
    for name, data in astropy_samples().items():
        path = os.path.join(work, name)
        fits.PrimaryHDU(data).writeto(path)
        failures += check_read(tool, path, work, name)
    for name in ("M13_blue_0001.fits", "HorseHead.fits"):
        failures += check_read(tool, os.path.join(shared, name), work, name)
    return failures


def check_checksums(tool, work):
    """A file with CHECKSUM cards, packed and unpacked again by the library:
    the cards stay true for astropy and fitsverify, the pixels unchanged."""
    failures = []
    data = (np.arange(40 * 30, dtype=np.int32).reshape(30, 40) * 37 % 3000).astype(np.int16)
    source, packed, plain = (os.path.join(work, n) for n in ("sum.fits", "sum-packed.fits", "sum-plain.fits"))
    fits.PrimaryHDU(data).writeto(source, checksum=True)
    for args in ((source, packed, "2"), (packed, plain, "0")):
        if subprocess.run([tool, "copy", *args]).returncode != 0:
            return [f"copy {args} failed"]
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        with fits.open(plain, checksum=True) as hdul:
            if not np.array_equal(hdul[0].data, data):
                failures.append("sum-plain.fits: pixels changed")
    failures += [f"sum-plain.fits: astropy: {w.message}" for w in caught]
    problem = fitsverify_errors(plain)
    if problem:
        failures.append(f"sum-plain.fits: fitsverify reports errors:\n{problem}")
    return failures


def main():
    tool, shared = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory(prefix="orbex-interop-") as work:
        failures = (check_library_files(tool, work) + check_astropy_files(tool, work, shared)
                    + check_checksums(tool, work))
    for failure in failures:
        print("FAIL", failure)
    print(f"{len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
