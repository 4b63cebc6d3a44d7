"""measure(), profile() and the orbex functions."""

import os

import numpy as np
import pytest
from astropy.io import fits

import quorvane


def gaussian_star(size=41, x=20, y=20, sigma=2.0, peak=10000, sky=1000):
    rows, cols = np.mgrid[0:size, 0:size]
    image = sky + peak * np.exp(-((cols - x) ** 2 + (rows - y) ** 2) / (2 * sigma ** 2))
    return np.rint(image).astype(np.uint16)


# Crosshair readouts: a flat area has no noise and no star; a Gaussian star's
# width is about 2.355 sigma, and the record's optics turn it into arc-seconds.
def test_measure_flat_and_star():
    flat = np.full((30, 30), 1000, np.uint16)
    m = quorvane.measure(flat, 10, 10, box=5)
    assert (m["average"], m["noise"], m["fwhm"], m["seeing"]) == (1000, 0.0, (0.0, 0.0), (0.0, 0.0))
    star = gaussian_star()
    m = quorvane.measure(star, 19, 21, box=11, record={"Focal_length": 20.0, "X_pixel_size": 0.009,
                                                        "Y_pixel_size": 0.009})
    assert m["peak"] == (20, 20) and m["value"] == star[21, 19]
    assert abs(m["fwhm"][0] - 2.355 * 2.0) < 0.3 and abs(m["fwhm"][1] - 2.355 * 2.0) < 0.3
    assert abs(m["seeing"][0] / m["fwhm"][0] - 3.65) < 0.01
    assert m["position"] == (19, 21)
    with pytest.raises(ValueError):
        quorvane.measure(star, 1, 1, box=4)


# The profile of an N x N box has N*N samples, centred on the star's light.
def test_profile_of_a_star():
    star = gaussian_star(x=20, y=20)
    p = quorvane.profile(star, 15, 15, box=11)
    assert len(p["distance"]) == len(p["value"]) == 121
    assert p["peak"] == (20, 20) and p["unit"] == "pixel"
    assert abs(p["centroid"][0] - 20) < 0.05 and abs(p["centroid"][1] - 20) < 0.05
    assert int(p["value"][np.argmin(p["distance"])]) == int(star[20, 20])
    scaled = quorvane.profile(star, 15, 15, box=11, record={"Focal_length": 20.0, "X_pixel_size": 0.009,
                                                            "Y_pixel_size": 0.009})
    assert scaled["unit"] == "arcsec"
    assert np.allclose(scaled["distance"], p["distance"] * 3.6547, rtol=1e-3)


# pack then unpack gives back the same values as astropy reads from the
# original, and the packed file is smaller; header lists the cards.
def test_orbex_pack_unpack_header(tmp_path, real_data):
    for name in ("HorseHead.fits", "M13_blue_0001.fits"):
        source = os.path.join(real_data, name)
        packed, plain = tmp_path / ("p-" + name), tmp_path / ("u-" + name)
        quorvane.orbex.pack(source, packed)
        assert packed.stat().st_size < os.path.getsize(source)
        quorvane.orbex.unpack(packed, plain)
        assert np.array_equal(fits.getdata(plain), fits.getdata(source)), name
        cards = quorvane.orbex.header(source)
        with fits.open(source) as hdul:
            keys = [c.split("=")[0].strip() for c in cards if "=" in c[:10]]
            assert keys[:3] == ["SIMPLE", "BITPIX", "NAXIS"]
            assert hdul[0].header["NAXIS1"] == int(next(c for c in cards if c.startswith("NAXIS1")).split("=")[1].split("/")[0])
    with pytest.raises(quorvane.FileMissingError):
        quorvane.orbex.header(tmp_path / "none.fits")
    junk = tmp_path / "junk.fits"
    junk.write_bytes(b"SIMPLE  = nonsense" + b" " * 3000)
    with pytest.raises(quorvane.FileError, match="junk.fits"):
        quorvane.orbex.pack(junk, tmp_path / "out.fits")
    assert not (tmp_path / "out.fits").exists()
    with pytest.raises(ValueError):
        quorvane.orbex.pack(os.path.join(real_data, "HorseHead.fits"), tmp_path / "x.fits", mode="zip")
