"""read() and write(): round trips, astropy agreement, and failures as exceptions."""

import os

import numpy as np
import pytest
from astropy.io import fits

import quorvane
from conftest import star_field


# A native image keeps its pixels and header fields through write and read.
def test_native_round_trip_keeps_pixels_and_fields(tmp_path):
    pixels, _ = star_field(97, 61)
    record = {"Exposure": 1234, "Note": "M13 test", "Observer": "Ana", "Focal_length": 20.5,
              "Temperature": -12.5, "History": "@A", "display": {"back": 900, "range": 2000},
              "Filter": "Blue", "Sat_level": 40000}
    path = tmp_path / "a.qv4"
    quorvane.write(path, pixels, record)
    back, got = quorvane.read(path)
    assert back.dtype == np.uint16 and back.shape == (61, 97)
    assert np.array_equal(back, pixels)
    for key in ("Exposure", "Note", "Observer", "Focal_length", "Temperature", "History", "Filter", "Sat_level"):
        assert got[key] == record[key], key
    assert (got["display"]["back"], got["display"]["range"]) == (900, 2000)
    assert (got["Width"], got["Height"]) == (97, 61)
    # The record read back writes again unchanged.
    quorvane.write(tmp_path / "b.qv4", back, got)
    again, got2 = quorvane.read(tmp_path / "b.qv4")
    assert np.array_equal(again, pixels) and got2["Note"] == "M13 test"


# FITS written here is read by astropy with the same values, and FITS written
# by astropy is read here with the same values, whatever the stored type.
def test_fits_agrees_with_astropy_both_ways(tmp_path):
    pixels, _ = star_field(80, 50, seed=3)
    pixels[0, 0], pixels[1, 1] = 0, 65535
    ours = tmp_path / "ours.fits"
    quorvane.write(ours, pixels, {"Exposure": 500, "display": {"back": 1100, "range": 3000}}, format="fits")
    with fits.open(ours) as hdul:
        assert np.array_equal(hdul[0].data.astype(np.int64), pixels.astype(np.int64))
        assert hdul[0].header["BACKGRND"] == 1100 and hdul[0].header["RANGE"] == 3000
    back, record = quorvane.read(ours)
    assert np.array_equal(back, pixels) and record["fileType"] == 3 and record["Exposure"] == 500

    for dtype in (np.uint16, np.int16):
        theirs = tmp_path / f"theirs-{np.dtype(dtype).name}.fits"
        data = (pixels // 2).astype(dtype)
        fits.PrimaryHDU(data).writeto(theirs)
        got, _ = quorvane.read(theirs)
        assert np.array_equal(got.astype(np.int64), data.astype(np.int64)), dtype


# The real FITS images read the same here as in astropy.
def test_real_images_match_astropy(real_data):
    for name in ("HorseHead.fits", "M13_blue_0001.fits"):
        ours, record = quorvane.read(os.path.join(real_data, name))
        theirs = fits.getdata(os.path.join(real_data, name))
        assert ours.shape == theirs.shape
        assert np.array_equal(ours.astype(np.int64), theirs.astype(np.int64)), name
        cards = record["fitsRecords"]
        assert cards and all(len(card) == 80 for card in cards)
        assert any(card.startswith("DATE-OBS") for card in cards)


# A native record converted to FITS keeps its fields (they travel as cards).
def test_native_record_survives_fits(tmp_path):
    pixels, _ = star_field(40, 40)
    quorvane.write(tmp_path / "n.qv4", pixels, {"Exposure": 700, "Observer": "Bo"})
    p, record = quorvane.read(tmp_path / "n.qv4")
    quorvane.write(tmp_path / "n.fits", p, record, format="fits")
    _, again = quorvane.read(tmp_path / "n.fits")
    assert again["Exposure"] == 700 and again["Observer"] == "Bo"


# Files that cannot be read raise OSError subclasses carrying the program's message.
def test_missing_and_refused_files(tmp_path):
    missing = tmp_path / "none.qv4"
    with pytest.raises(quorvane.FileMissingError) as caught:
        quorvane.read(missing)
    assert isinstance(caught.value, FileNotFoundError) and caught.value.filename == str(missing)
    assert str(caught.value).startswith(str(missing) + ": ")

    junk = tmp_path / "junk.qv4"
    junk.write_bytes(b"QV-3 not an image at all" * 3)
    with pytest.raises(quorvane.FileError) as caught:
        quorvane.read(junk)
    assert not isinstance(caught.value, FileNotFoundError)
    assert str(junk) in str(caught.value) and len(str(caught.value)) > len(str(junk)) + 5

    truncated = tmp_path / "short.fits"
    data = (tmp_path / "t.fits")
    fits.PrimaryHDU(np.zeros((64, 64), np.int16)).writeto(data)
    truncated.write_bytes(data.read_bytes()[:4000])
    with pytest.raises(OSError):
        quorvane.read(truncated)


# A failed save raises FileError and leaves nothing behind.
def test_failed_write_leaves_nothing(tmp_path):
    pixels, _ = star_field(30, 30)
    target = tmp_path / "no-such-folder" / "x.qv4"
    with pytest.raises(quorvane.FileError):
        quorvane.write(target, pixels)
    assert not target.parent.exists()
    # A target that cannot be replaced keeps what it was, with no temporary file beside it.
    folder = tmp_path / "taken.qv4"
    folder.mkdir()
    (folder / "inside").write_text("keep")
    with pytest.raises(quorvane.FileError) as caught:
        quorvane.write(folder, pixels)
    assert caught.value.filename == str(folder)
    assert (folder / "inside").read_text() == "keep"
    assert sorted(os.listdir(tmp_path)) == ["taken.qv4"]


# Unusable pixels, records and formats are ValueErrors, not silent conversions.
def test_bad_arguments_are_value_errors(tmp_path):
    good = np.zeros((20, 20), np.uint16)
    for bad in (np.zeros((20, 20), np.float32), np.zeros(20, np.uint16), np.full((20, 20), -1, np.int32),
                np.full((20, 20), 70000, np.int64)):
        with pytest.raises(ValueError):
            quorvane.write(tmp_path / "x.qv4", bad)
    with pytest.raises(ValueError, match="Exposur"):
        quorvane.write(tmp_path / "x.qv4", good, {"Exposur": 1})
    with pytest.raises(ValueError):
        quorvane.write(tmp_path / "x.qv4", good, {"Exposure": "long"})
    with pytest.raises(ValueError):
        quorvane.write(tmp_path / "x.qv4", good, format="tiff")
    # Whole numbers in a wider type are fine when they fit.
    quorvane.write(tmp_path / "x.qv4", good.astype(np.int64) + 5)
    assert quorvane.read(tmp_path / "x.qv4")[0][0, 0] == 5
