#!/usr/bin/python3
"""Frames per second of a night's batch: `python3 -m quorvane.batch` on a local
Dask cluster beside GNU parallel running `quorvane-cli deconvolve` on the same
files, with the stars picked automatically (--auto-stars 5) on both sides.

usage: bench/batch_peers.py [--build build] [--frames 50] [--size 2048] [--work DIR]

Contenders, each timed from start to the last output written:
  dask           python3 -m quorvane.batch (LocalCluster: one single-threaded worker
                 process per core; its start-up is included, as a user sees it)
  parallel -j N  GNU parallel, one CLI process per core, each on one thread
                 (QV_DECON_THREADS=1): the same shape as the Dask workers
  parallel -j 1  GNU parallel, one CLI process at a time using every core
The outputs of all three are checked to hold the same pixels, and the local
cluster's start and stop are timed alone. Prints a Markdown
table. Needs Debian's parallel, python3-dask and python3-distributed, and the
Python module built in BUILD/python. The frames (native files made by the
sample generator, a few MB each) go into a scratch folder removed at the end
unless --work is given.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
AUTO_STARS = "5"


def make_frames(build, folder, frames, size):
    generator = os.path.join(build, "tools", "samplegen", "quorvane-samplegen")
    os.makedirs(folder, exist_ok=True)
    paths = []
    for i in range(frames):
        path = os.path.join(folder, f"frame{i + 1:03d}.qv4")
        if not os.path.exists(path):
            subprocess.run([generator, path, "--width", str(size), "--height", str(size), "--seed", str(i + 1),
                            "--stars", str(max(50, size * size // 20000))], check=True, capture_output=True)
        paths.append(path)
    return paths


def timed(label, command, out, frames, env=None):
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    print(f"{label}: running...", file=sys.stderr, flush=True)
    start = time.monotonic()
    done = subprocess.run(command, env=env, capture_output=True, text=True)
    seconds = time.monotonic() - start
    written = len([n for n in os.listdir(out) if not n.startswith(".")])
    if done.returncode != 0 or written != frames:
        sys.exit(f"{label} failed (exit {done.returncode}, {written} of {frames} outputs):\n{done.stderr[-2000:]}")
    print(f"{label}: {seconds:.1f} s", file=sys.stderr, flush=True)
    return seconds


def cluster_overhead(cores):
    """Seconds to start and stop the local cluster the batch command uses, with no work."""
    from distributed import Client, LocalCluster

    start = time.monotonic()
    with LocalCluster(n_workers=cores, threads_per_worker=1, processes=True) as cluster, Client(cluster):
        pass
    return time.monotonic() - start


def same_pixels(folders, names):
    import numpy as np
    import quorvane

    for name in names:
        first = quorvane.read(os.path.join(folders[0], name))[0]
        for folder in folders[1:]:
            if not np.array_equal(first, quorvane.read(os.path.join(folder, name))[0]):
                return f"{name} differs between {folders[0]} and {folder}"
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--frames", type=int, default=50)
    parser.add_argument("--size", type=int, default=2048)
    parser.add_argument("--work", help="folder for the frames and outputs (kept); default a scratch folder")
    args = parser.parse_args()
    if shutil.which("parallel") is None:
        sys.exit("GNU parallel is not installed (Debian package parallel)")
    build = os.path.abspath(args.build)
    cli = os.path.join(build, "cli", "quorvane-cli")
    python_dir = os.path.join(build, "python")
    sys.path.insert(0, python_dir)
    work = args.work or tempfile.mkdtemp(prefix="quorvane-batch-bench-")
    cores = os.cpu_count() or 1
    try:
        frames = make_frames(build, os.path.join(work, "in"), args.frames, args.size)
        names = [os.path.basename(p) for p in frames]
        env = dict(os.environ, PYTHONPATH=python_dir)
        one_thread = dict(os.environ, QV_DECON_THREADS="1")
        cli_job = [cli, "deconvolve", "{}", "{out}/{/}", "--auto-stars", AUTO_STARS, "--quiet"]
        runs = []
        out = os.path.join(work, "dask")
        runs.append((f"`python3 -m quorvane.batch` (LocalCluster, {cores} worker processes x 1 thread)",
                     timed("dask", ["/usr/bin/python3", "-m", "quorvane.batch", *frames, "--out", out,
                                    "--auto-stars", AUTO_STARS], out, len(frames), env), out))
        out = os.path.join(work, "parallel-per-core")
        job = [a.replace("{out}", out) for a in cli_job]
        runs.append((f"GNU `parallel -j {cores}` x `quorvane-cli deconvolve`, 1 thread each",
                     timed(f"parallel -j {cores}", ["parallel", "--will-cite", "-j", str(cores), *job, ":::", *frames],
                           out, len(frames), one_thread), out))
        out = os.path.join(work, "parallel-serial")
        job = [a.replace("{out}", out) for a in cli_job]
        runs.append((f"GNU `parallel -j 1` x `quorvane-cli deconvolve`, {cores} threads each",
                     timed("parallel -j 1", ["parallel", "--will-cite", "-j", "1", *job, ":::", *frames],
                           out, len(frames)), out))
        overhead = cluster_overhead(cores)
        problem = same_pixels([folder for _, _, folder in runs], names)
        print(f"\n{len(frames)} frames of {args.size} x {args.size}, --auto-stars {AUTO_STARS}, 5 iterations, "
              f"{cores} cores; outputs {'identical' if problem is None else 'NOT identical: ' + problem}\n")
        print("| | wall time | frames per second |")
        print("|---|---|---|")
        for label, seconds, _ in runs:
            print(f"| {label} | {seconds:.1f} s | {len(frames) / seconds:.2f} |")
        print(f"\nOf the Dask figure, starting and stopping the LocalCluster alone takes {overhead:.1f} s.")
        return 0 if problem is None else 1
    finally:
        if not args.work:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
