#!/usr/bin/python3
"""Orbex beside its peers, in one run on the same files.

Runs bench_fits (which writes a 4096 x 4096 16-bit BZERO star field, plain
and packed, into a scratch folder), then times astropy, fpack (Rice and
hcompress), funpack and gzip -6 on those same files and prints one table.

usage: bench/fits_peers.py BUILD_DIR/bench/bench_fits
"""

import json
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import time

REPEATS = 5


def cpu_seconds():
    """User + system time of this process and of its finished children.

    The machine is shared, so processor time, not elapsed time, is what
    compares fairly with the benchmark's own (CPU-time) figures."""
    children = resource.getrusage(resource.RUSAGE_CHILDREN)
    return time.process_time() + children.ru_utime + children.ru_stime


def best_time(run):
    times = []
    for _ in range(REPEATS):
        start = cpu_seconds()
        run()
        times.append(cpu_seconds() - start)
    return min(times)


def shell(command, out=None):
    with open(out, "wb") if out else open(os.devnull, "wb") as sink:
        subprocess.run(command, stdout=sink, check=True)


def orbex_rows(bench, folder):
    report = os.path.join(folder, "report.json")
    subprocess.run([bench, f"--samples={folder}", "--benchmark_format=console",
                    f"--benchmark_out={report}", "--benchmark_out_format=json",
                    "--benchmark_repetitions=3", "--benchmark_report_aggregates_only=true"], check=True)
    with open(report) as f:
        results = json.load(f)["benchmarks"]
    rows = []
    for r in results:
        # Rows without a data rate (the refusal of a huge declared size) are timed, not tabled here.
        if r.get("aggregate_name") != "median" or "bytes_per_second" not in r:
            continue
        ratio = f"{r['ratio']:.3f}" if "ratio" in r else ""
        rows.append((r["run_name"], r["bytes_per_second"] / 1e6, ratio))
    return rows


def peer_rows(folder):
    plain = os.path.join(folder, "starfield.fits")
    size = os.path.getsize(plain)
    data_bytes = 4096 * 4096 * 2
    rows = []

    from astropy.io import fits
    import numpy as np

    def astropy_read():
        with fits.open(plain, memmap=False) as hdul:
            np.asarray(hdul[0].data, dtype=np.float32)

    rows.append(("astropy read memmap=False, float32", data_bytes / best_time(astropy_read) / 1e6, ""))

    with fits.open(plain, memmap=False) as hdul:
        data = np.array(hdul[0].data)

    def astropy_write():
        fits.PrimaryHDU(data).writeto(os.path.join(folder, "astropy.fits"), overwrite=True)

    rows.append(("astropy write uint16", data_bytes / best_time(astropy_write) / 1e6, ""))

    for label, flags, suffix in (("fpack (Rice)", [], "rice.fz"), ("fpack -h (hcompress)", ["-h"], "h.fz")):
        packed = os.path.join(folder, suffix)
        seconds = best_time(lambda: shell(["fpack", *flags, "-S", plain], packed))
        ratio = size / os.path.getsize(packed)
        rows.append((f"{label} pack", data_bytes / seconds / 1e6, f"{ratio:.3f}"))
        seconds = best_time(lambda: shell(["funpack", "-S", packed]))
        rows.append((f"{label} unpack", data_bytes / seconds / 1e6, ""))

    gz = os.path.join(folder, "starfield.fits.gz")
    seconds = best_time(lambda: shell(["gzip", "-6", "-c", plain], gz))
    rows.append(("gzip -6", data_bytes / seconds / 1e6, f"{size / os.path.getsize(gz):.3f}"))
    seconds = best_time(lambda: shell(["gzip", "-d", "-c", gz]))
    rows.append(("gzip -d", data_bytes / seconds / 1e6, ""))
    return rows


def main():
    bench = sys.argv[1] if len(sys.argv) > 1 else "build/bench/bench_fits"
    folder = tempfile.mkdtemp(prefix="orbex-peers-")
    try:
        rows = orbex_rows(bench, folder) + peer_rows(folder)
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    print(f"\n{'what (processor time)':45s} {'MB/s of image data':>20s} {'ratio':>8s}")
    for name, speed, ratio in rows:
        print(f"{name:45s} {speed:20.0f} {ratio:>8s}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
