"""quorvane.batch on a local Dask cluster of two worker processes."""

import json
import os
import signal
import threading

import numpy as np
import pytest

import quorvane
from quorvane import batch
from conftest import star_field

distributed = pytest.importorskip("distributed")


@pytest.fixture(scope="module")
def client():
    cluster = distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None)
    c = distributed.Client(cluster)
    yield c
    c.close()
    cluster.close()


def frames(folder, count, size=(140, 110)):
    paths, manifest = [], {}
    for i in range(count):
        pixels, stars = star_field(*size, stars=6, seed=100 + i)
        path = str(folder / f"f{i:02d}.qv4")
        quorvane.write(path, pixels)
        paths.append(path)
        manifest[os.path.basename(path)] = [list(s) for s in stars[:2]]
    return paths, manifest


# Twenty frames come out as quorvane-cli deconvolve makes them; a damaged
# frame is reported and the others go on; a second run skips everything.
def test_batch_matches_the_cli_and_resumes(tmp_path, client, cli):
    paths, manifest = frames(tmp_path, 20)
    (tmp_path / "bad.qv4").write_bytes(b"not an image")
    manifest["bad.qv4"] = [[5, 5]]
    out = tmp_path / "out"
    results = batch.run(paths + [str(tmp_path / "bad.qv4")], str(out), manifest, iterations=1, client=client,
                        report=lambda line: None)
    assert results[str(tmp_path / "bad.qv4")][0] == "failed"
    assert all(results[p][0] == "done" for p in paths)
    for path in paths:
        star_args = [a for x, y in manifest[os.path.basename(path)] for a in ("--star", f"{x},{y}")]
        expected = tmp_path / "cli.qv4"
        assert cli("deconvolve", path, expected, "--quiet", "--iterations", 1, *star_args).returncode == 0
        assert np.array_equal(quorvane.read(out / os.path.basename(path))[0], quorvane.read(expected)[0])
    assert sorted(os.listdir(out)) == sorted(os.path.basename(p) for p in paths)
    again = batch.run(paths, str(out), manifest, iterations=1, client=client, report=lambda line: None)
    assert {status for status, _ in again.values()} == {"skipped"}


# A worker killed in the middle of the batch: its task runs again elsewhere,
# no partial output is left, and every frame is done.
def test_batch_survives_a_killed_worker(tmp_path, client):
    paths, manifest = frames(tmp_path, 8, size=(600, 600))
    out = tmp_path / "out"
    lines = []

    def kill_one_worker():
        pids = client.run(os.getpid)
        os.kill(next(iter(pids.values())), signal.SIGKILL)

    def report(line):
        lines.append(line)
        if len(lines) == 2:
            threading.Thread(target=kill_one_worker).start()

    results = batch.run(paths, str(out), manifest, iterations=3, client=client, report=report)
    assert all(status == "done" for status, _ in results.values()), results
    assert sorted(os.listdir(out)) == sorted(os.path.basename(p) for p in paths)
    for path in paths:
        assert quorvane.read(out / os.path.basename(path))[0].shape == (600, 600)


# The command line refuses a missing choice of stars and runs a manifest.
def test_batch_command_line(tmp_path, client):
    paths, manifest = frames(tmp_path, 2)
    (tmp_path / "stars.json").write_text(json.dumps(manifest))
    with pytest.raises(SystemExit):
        batch.main([*paths, "--out", str(tmp_path / "o")])
    address = client.scheduler.address
    assert batch.main([*paths, "--out", str(tmp_path / "o"), "--stars", str(tmp_path / "stars.json"),
                       "--iterations", "1", "--scheduler", address]) == 0
    assert sorted(os.listdir(tmp_path / "o")) == ["f00.qv4", "f01.qv4"]
