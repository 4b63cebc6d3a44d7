"""Shared fixtures: synthetic star fields and the command-line tool."""

import os
import subprocess

import numpy as np
import pytest


def star_field(width=160, height=120, stars=12, seed=1, sigma=1.6, sky=1000.0):
    """A sky of the given level with photon-like noise and up to `stars`
    Gaussian stars 15 pixels apart and away from the edges; returns (pixels, [(x, y), ...] brightest first)."""
    rng = np.random.default_rng(seed)
    rows, cols = np.mgrid[0:height, 0:width]
    image = np.full((height, width), sky)
    placed = []
    margin = min(20, width // 3, height // 3)
    for _ in range(20000):
        if len(placed) == stars:
            break
        x = rng.uniform(margin, width - margin)
        y = rng.uniform(margin, height - margin)
        if any((x - px) ** 2 + (y - py) ** 2 < 15 ** 2 for px, py, _ in placed):
            continue
        placed.append((x, y, rng.uniform(3000, 20000)))
    for x, y, flux in placed:
        image += flux * np.exp(-((cols - x) ** 2 + (rows - y) ** 2) / (2 * sigma ** 2))
    image += rng.normal(0, 1, image.shape) * np.sqrt(image / 4)
    pixels = np.clip(np.rint(image), 0, 65535).astype(np.uint16)
    placed.sort(key=lambda s: -s[2])
    return pixels, [(int(round(x)), int(round(y))) for x, y, _ in placed]


@pytest.fixture
def field():
    return star_field()


@pytest.fixture
def cli():
    path = os.environ.get("QV_CLI")
    assert path, "QV_CLI names the quorvane-cli to compare with"

    def run(*args):
        return subprocess.run([path, *map(str, args)], capture_output=True, text=True)

    return run


@pytest.fixture
def real_data():
    path = os.environ.get("QV_REAL_DATA")
    assert path and os.path.isdir(path), "QV_REAL_DATA names tests/data/real"
    return path
