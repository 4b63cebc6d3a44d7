"""deconvolve() and psf(): the CLI's result, the lock released, stopping a run, bad stars."""

import os
import signal
import threading
import time

import numpy as np
import pytest

import quorvane
from conftest import star_field


# The module's result equals quorvane-cli deconvolve's output bit for bit,
# with and without an area, for native and FITS input.
@pytest.mark.parametrize("suffix, area, iterations, protect",
                         [(".qv4", None, 2, False), (".fits", (15, 12, 140, 100), 3, False), (".qv4", None, 2, True)])
def test_same_pixels_as_the_command_line(tmp_path, cli, suffix, area, iterations, protect):
    pixels, stars = star_field(seed=5)
    source = tmp_path / f"in{suffix}"
    quorvane.write(source, pixels, format="fits" if suffix == ".fits" else "native")
    args = ["deconvolve", source, tmp_path / f"out{suffix}", "--quiet", "--iterations", iterations]
    for x, y in stars[:3]:
        args += ["--star", f"{x},{y}"]
    if area:
        args += ["--area", ",".join(map(str, area))]
    if protect:
        args.append("--protect")
    done = cli(*args)
    assert done.returncode == 0, done.stderr
    expected, record = quorvane.read(tmp_path / f"out{suffix}")
    got = quorvane.deconvolve(quorvane.read(source)[0], stars[:3], iterations=iterations, area=area, protect=protect)
    assert not np.array_equal(got, pixels)
    assert np.array_equal(got, expected)
    assert record["History"].endswith("h")  # the CLI marked it deconvolved (code 40)
    # The engine's result does not depend on its thread count.
    assert np.array_equal(quorvane.deconvolve(pixels, stars[:3], iterations=iterations, area=area, protect=protect,
                                              threads=1), expected)


# While one thread deconvolves, other Python threads keep running, and two
# runs at once give what each gives alone.
def test_lock_is_released_while_the_engine_works():
    big, big_stars = star_field(640, 640, stars=40, seed=7)
    counter = {"n": 0, "stop": False}

    def count():
        while not counter["stop"]:
            counter["n"] += 1

    counting = threading.Thread(target=count)
    counting.start()
    try:
        time.sleep(0.05)
        before = counter["n"]
        quorvane.deconvolve(big, big_stars[:3], iterations=2, threads=1)
        during = counter["n"] - before
    finally:
        counter["stop"] = True
        counting.join()
    # With the lock held for the whole run the counter could not move at all.
    assert during > 1000

    small, stars = star_field(seed=8)
    alone = [quorvane.deconvolve(img, stars[:2], iterations=2, threads=1) for img in (small, small[::-1].copy())]
    results = [None, None]

    def run(i, img):
        results[i] = quorvane.deconvolve(img, stars[:2], iterations=2, threads=1)

    threads = [threading.Thread(target=run, args=(i, img)) for i, img in enumerate((small, small[::-1].copy()))]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert all(np.array_equal(a, b) for a, b in zip(alone, results))


# progress is called with rising fractions and the engine's texts; False
# stops the run with Aborted, an exception in it stops the run and comes
# through, and the caller's array is never touched.
def test_progress_and_stopping_through_the_callback():
    pixels, stars = star_field(seed=9)
    original = pixels.copy()
    seen = []
    quorvane.deconvolve(pixels, stars[:2], iterations=1, progress=lambda f, t: seen.append((f, t)))
    fractions = [f for f, _ in seen]
    assert fractions == sorted(fractions) and fractions[-1] == 1.0
    assert seen[0][1] == "Noise reduction..." and seen[-1][1] == "Deconvolution complete."
    assert any(t.startswith("Deconvolved") for _, t in seen)

    calls = []

    def stop_early(fraction, text):
        calls.append(text)
        return not text.startswith("Deconvolved 20")

    with pytest.raises(quorvane.Aborted, match="Deconvolution aborted."):
        quorvane.deconvolve(pixels, stars[:2], iterations=1, progress=stop_early)
    assert calls[-1].startswith("Deconvolved 20")

    def broken(fraction, text):
        raise ZeroDivisionError("from the callback")

    with pytest.raises(ZeroDivisionError, match="from the callback"):
        quorvane.deconvolve(pixels, stars[:2], progress=broken)
    assert np.array_equal(pixels, original)


# Ctrl-C during a run stops it at once and raises KeyboardInterrupt.
def test_interrupt_stops_the_run():
    big, stars = star_field(1024, 1024, stars=60, seed=10)
    started = time.monotonic()
    alone = time.monotonic()
    quorvane.deconvolve(big, stars[:2], iterations=1, threads=1)
    one_step = (time.monotonic() - alone) / 15
    timer = threading.Timer(0.2, os.kill, (os.getpid(), signal.SIGINT))
    started = time.monotonic()
    timer.start()
    with pytest.raises(KeyboardInterrupt):
        quorvane.deconvolve(big, stars[:2], iterations=10, threads=1)
    timer.join()
    # Ten iterations are 150 steps; stopping took a small part of that.
    assert time.monotonic() - started < 0.2 + 75 * one_step
    # Python's own handler is back in place afterwards.
    assert signal.getsignal(signal.SIGINT) is signal.default_int_handler


# Bad stars: none, malformed, all unusable (ValueError with the engine's
# words); a partly unusable list runs with a warning naming the star.
def test_bad_stars():
    pixels, stars = star_field(seed=11)
    for bad in ([], [(1, 2, 3)], [("a", 2)], "12", [(1.5, 2)]):
        with pytest.raises(ValueError):
            quorvane.deconvolve(pixels, bad)
    with pytest.raises(ValueError, match="No usable PSF star.*outside the image.*too close to the image edge"):
        quorvane.deconvolve(pixels, [(500, 500), (3, 3)])
    flat = np.full((100, 100), 1000, np.uint16)
    with pytest.raises(ValueError, match="no light above the background"):
        quorvane.deconvolve(np.zeros_like(flat), [(50, 50)])
    with pytest.warns(UserWarning, match="PSF star at 500, 500 skipped"):
        out = quorvane.deconvolve(pixels, [stars[0], (500, 500)], iterations=1)
    assert np.array_equal(out, quorvane.deconvolve(pixels, [stars[0]], iterations=1))
    for kwargs in ({"iterations": 0}, {"iterations": 11}, {"area": (10, 10, 5, 50)}, {"area": (1, 2, 3)},
                   {"progress": 5}, {"threads": 0}):
        with pytest.raises(ValueError):
            quorvane.deconvolve(pixels, stars[:1], **kwargs)
    with pytest.raises(ValueError, match="area to deconvolve is empty"):
        quorvane.deconvolve(pixels, stars[:1], area=(0, 0, 10, 10))


# psf() gives the engine's normalised 11 x 11 PSF; the same star twice gives that star's PSF.
def test_psf_of_stars():
    pixels, stars = star_field(seed=12)
    one = quorvane.psf(pixels, [stars[0]])
    assert one.shape == (11, 11) and one.dtype == np.float32
    assert abs(float(one.sum()) - 1.0) < 1e-5
    assert np.unravel_index(np.argmax(one), one.shape) == (5, 5)
    assert np.allclose(quorvane.psf(pixels, [stars[0], stars[0]]), one, atol=1e-6)
    with pytest.raises(ValueError, match="No usable PSF star"):
        quorvane.psf(pixels, [(-40, 3)])
