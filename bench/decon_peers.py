#!/usr/bin/python3
"""Sharpening compared on real images: quorvane-cli's written and protected
runs, Siril's rl (siril-cli) and scikit-image's richardson_lucy, all measured
by quorvane-cli quality on the same images in the same run.

usage: bench/decon_peers.py BUILD_DIR OUT_DIR [IMAGE ...]
(default image: tests/data/real/HorseHead.fits). Needs the Debian packages
siril and python3-skimage (bench only). Prints the README's table as
Markdown and writes 4:1 pictures of the same stars and sky into OUT_DIR.
"""
import json
import os
import shutil
import subprocess
import sys
import time

import numpy as np
from astropy.io import fits
from PIL import Image

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ITERATIONS = 5
SIRIL_SETTINGS = [(s, i) for s in (1.0, 1.5, 2.0) for i in (10, 30)]
SKIMAGE_ITERATIONS = (10, 30)


def quality(cli, before, after):
    out = subprocess.run([cli, "quality", before, after, "--json"], check=True, capture_output=True, text=True)
    return json.loads(out.stdout)


def pick_stars(cli, image):
    """The five brightest measured stars of ordinary width: what a user picks."""
    report = quality(cli, image, image)
    width = report["fwhmBefore"]
    usual = [s for s in report["stars"] if abs(s["fwhmBefore"] / width - 1) < 0.25]
    usual.sort(key=lambda s: -s["amplitude"])
    return [(round(s["x"]), round(s["y"])) for s in usual[:5]], width


def timed(command, **kwargs):
    best = None
    for _ in range(3):
        start = time.perf_counter()
        subprocess.run(command, check=True, capture_output=True, **kwargs)
        took = time.perf_counter() - start
        best = took if best is None else min(best, took)
    return best


def ours(cli, image, stars, out, protect):
    command = [cli, "deconvolve", image, out, "--iterations", str(ITERATIONS), "--quiet"]
    for x, y in stars:
        command += ["--star", f"{x},{y}"]
    if protect:
        command.append("--protect")
    return timed(command)


def siril(image, out, sigma, iterations, work):
    shutil.copy(image, os.path.join(work, "in.fits"))
    script = os.path.join(work, "rl.ssf")
    with open(script, "w") as f:
        f.write(f"requires 1.0.0\nload in\nrl {sigma} 0 {iterations}\nsave out\n")
    took = timed(["siril-cli", "-d", work, "-s", script])
    shutil.move(os.path.join(work, "out.fit"), out)
    return took


def skimage_rl(image, out, fwhm, iterations):
    from skimage.restoration import richardson_lucy
    start = time.perf_counter()
    with fits.open(image) as hdus:
        data = hdus[0].data.astype(np.float64)
    low, high = data.min(), data.max()
    s = fwhm / 2.3548
    r = np.arange(-7, 8)
    psf = np.exp(-(r[:, None] ** 2 + r[None, :] ** 2) / (2 * s * s))
    sharp = richardson_lucy((data - low) / (high - low), psf / psf.sum(), num_iter=iterations, clip=False)
    result = np.clip(np.rint(sharp * (high - low) + low), 0, 65535).astype(np.uint16)
    fits.PrimaryHDU(result).writeto(out, overwrite=True)
    return time.perf_counter() - start


def best(cli, image, runs):
    """The run with the largest FWHM gain whose sky noise grows at most 10 %,
    else the one whose sky grows least."""
    scored = [(quality(cli, image, path), label, took, path) for label, took, path in runs]
    calm = [r for r in scored if r[0]["skyNoiseRatio"] <= 1.10]
    if calm:
        return max(calm, key=lambda r: r[0]["fwhmGain"])
    return min(scored, key=lambda r: r[0]["skyNoiseRatio"])


def row(name, report, took):
    return (f"| {name} | {report['fwhmBefore']:.2f} → {report['fwhmAfter']:.2f} ({report['fwhmGain']:.2f}) "
            f"| {report['skyNoiseRatio']:.2f} | {report['darkestRingAfter']:+.2f} σ "
            f"| {report['fluxRatio']:.3f} | {report['edgeStep']:.2f} σ | {report['changedOutside']} "
            f"| {report['starsFound'] - report['starsLost']}/{report['starsFound']} | {took:.2f} s |")


def picture(path, box, low, high, out):
    with fits.open(path) as hdus:
        data = hdus[0].data.astype(np.float64)
    x0, y0, side = box
    crop = data[y0:y0 + side, x0:x0 + side]
    grey = np.clip((crop - low) / (high - low) * 255, 0, 255).astype(np.uint8)
    Image.fromarray(grey).resize((side * 4, side * 4), Image.NEAREST).save(out)


def main():
    # Absolute: siril-cli runs its script from its own working folder.
    build, out_dir = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    images = sys.argv[3:] or [os.path.join(ROOT, "tests/data/real/HorseHead.fits")]
    cli = os.path.join(build, "cli/quorvane-cli")
    os.makedirs(out_dir, exist_ok=True)
    work = os.path.join(out_dir, "siril-work")
    os.makedirs(work, exist_ok=True)
    print("| Image, run | FWHM px (gain) | sky noise ratio | darkest ring | flux ratio | edge step | changed outside | stars kept | time |")
    print("|---|---|---|---|---|---|---|---|---|")
    for image in images:
        name = os.path.splitext(os.path.basename(image))[0]
        stars, fwhm = pick_stars(cli, image)
        runs = {}
        for protect, label in ((False, "written"), (True, "protected")):
            path = os.path.join(out_dir, f"{name}-{label}.fits")
            runs[label] = (label, ours(cli, image, stars, path, protect), path)
        siril_runs = []
        for sigma, iterations in SIRIL_SETTINGS:
            path = os.path.join(out_dir, f"{name}-siril-{sigma}-{iterations}.fits")
            siril_runs.append((f"Siril rl {sigma} 0 {iterations}", siril(image, path, sigma, iterations, work), path))
        sk_runs = []
        for iterations in SKIMAGE_ITERATIONS:
            path = os.path.join(out_dir, f"{name}-skimage-{iterations}.fits")
            sk_runs.append((f"scikit-image richardson_lucy, {iterations} iterations",
                            skimage_rl(image, path, fwhm, iterations), path))
        results = [(quality(cli, image, p), l, t, p) for l, t, p in runs.values()]
        results += [best(cli, image, siril_runs), best(cli, image, sk_runs)]
        for report, label, took, _ in results:
            print(row(f"{name}, {label}", report, took))
        print(f"\nStars picked for our PSF: {' '.join(f'{x},{y}' for x, y in stars)}")
        # Pictures: the brightest picked star with its sky, same stretch for all.
        with fits.open(image) as hdus:
            data = hdus[0].data.astype(np.float64)
        x, y = stars[0]
        box = (max(0, x - 30), max(0, y - 30), 60)
        crop = data[box[1]:box[1] + 60, box[0]:box[0] + 60]
        low, high = np.percentile(crop, 5), np.percentile(crop, 99.5)
        for report, label, took, path in results[:3]:
            tag = label.split()[0].lower()
            picture(path, box, low, high, os.path.join(out_dir, f"{name}-{tag}-4x.png"))
        picture(image, box, low, high, os.path.join(out_dir, f"{name}-original-4x.png"))


if __name__ == "__main__":
    main()
