"""Deconvolve many files on a Dask cluster.

    python3 -m quorvane.batch INPUTS... --out DIR [--auto-stars N | --stars MANIFEST]
                              [--iterations N] [--protect] [--scheduler ADDRESS] [--workers N]

Without --scheduler a local cluster of one single-threaded worker process per
core runs the files; with it, the given Dask scheduler's workers do, on any
number of machines (every worker needs the quorvane module and must see the
same paths). Each output is DIR/<input's name>, written whole or not at all;
outputs already present are skipped, so a second run resumes an interrupted
one. A file that fails is reported and the others go on; the exit status is
1 when any failed. MANIFEST is a JSON object mapping each input (its path or
its name) to a list of [x, y] stars.
"""

import argparse
import json
import os
import sys
import tempfile

_PARTIAL = ".quorvane-partial"


def process_one(source, target, stars, auto_stars, iterations, protect):
    """Runs on a worker: one file in, one file out. Returns (status, text)."""
    import quorvane

    if os.path.exists(target):
        return "skipped", "already done"
    try:
        pixels, record = quorvane.read(source)
        if auto_stars:
            stars = quorvane.pick_stars(pixels, auto_stars, record["Sat_level"])
            if not stars:
                return "failed", "no star suitable as a PSF sample was found"
        import warnings

        with warnings.catch_warnings():
            warnings.simplefilter("ignore")
            sharp = quorvane.deconvolve(pixels, stars, iterations=iterations, protect=protect, threads=1)
        _mark_deconvolved(record)
        # Written into a private folder, then renamed into place: a worker that
        # dies mid-write leaves nothing under the output's name.
        folder = os.path.join(os.path.dirname(target), _PARTIAL)
        os.makedirs(folder, exist_ok=True)
        handle, scratch = tempfile.mkstemp(dir=folder, suffix=os.path.splitext(target)[1])
        os.close(handle)
        try:
            quorvane.write(scratch, sharp, record)
            os.replace(scratch, target)
        finally:
            if os.path.exists(scratch):
                os.unlink(scratch)
        return "done", ",".join(f"{x}:{y}" for x, y in stars)
    except (OSError, ValueError, RuntimeError) as error:
        return "failed", str(error)


def _mark_deconvolved(record):
    """Adds history code 40 ("Deconvolve") as the program does after a run."""
    history = record.get("History", "@")
    if history == "0":
        history = ""
    if len(history) < 39:
        history += chr(64 + 40)
    elif len(history) == 39:
        history += chr(64 + 15)
    record["History"] = history
    card = "HISTORY KESL Quorvane %-58s" % "Deconvolve"
    record["fitsHistoryCards"] = list(record.get("fitsHistoryCards", [])) + [card[:80]]


def _stars_for(manifest, source):
    if manifest is None:
        return None
    for key in (source, os.path.abspath(source), os.path.basename(source)):
        if key in manifest:
            return [tuple(star) for star in manifest[key]]
    return None


def run(inputs, out, stars_manifest=None, auto_stars=0, iterations=5, protect=False, client=None,
        report=print):
    """Deconvolves inputs into out through client (a distributed.Client).
    Returns {input: (status, text)}."""
    from distributed import as_completed

    os.makedirs(out, exist_ok=True)
    results, futures = {}, {}
    for source in inputs:
        target = os.path.join(out, os.path.basename(source))
        if os.path.exists(target):
            results[source] = ("skipped", "already done")
            continue
        stars = _stars_for(stars_manifest, source)
        if not auto_stars and not stars:
            results[source] = ("failed", "no stars for it in the manifest")
            continue
        future = client.submit(process_one, source, target, stars, auto_stars, iterations, protect, pure=False,
                               retries=2, key=f"quorvane-{len(futures)}-{os.path.basename(source)}")
        futures[future] = source
    done = len(results)
    for source, (status, text) in results.items():
        report(f"[{inputs.index(source) + 1}/{len(inputs)}] {source}: {status} ({text})")
    for future in as_completed(futures):
        source = futures[future]
        try:
            status, text = future.result()
        except Exception as error:  # a worker lost too often, or an error outside the run
            status, text = "failed", f"{type(error).__name__}: {error}"
        results[source] = (status, text)
        done += 1
        report(f"[{done}/{len(inputs)}] {source}: {status}" + (f" ({text})" if status != "done" else ""))
    partial = os.path.join(out, _PARTIAL)
    if os.path.isdir(partial) and not os.listdir(partial):
        os.rmdir(partial)
    return results


def main(argv=None):
    parser = argparse.ArgumentParser(prog="python3 -m quorvane.batch", description=__doc__.split("\n\n")[0])
    parser.add_argument("inputs", nargs="+")
    parser.add_argument("--out", required=True)
    pick = parser.add_mutually_exclusive_group(required=True)
    pick.add_argument("--auto-stars", type=int, metavar="N")
    pick.add_argument("--stars", metavar="MANIFEST")
    parser.add_argument("--iterations", type=int, default=5)
    parser.add_argument("--protect", action="store_true")
    parser.add_argument("--scheduler", metavar="ADDRESS")
    parser.add_argument("--workers", type=int, default=os.cpu_count(), help="local worker processes")
    args = parser.parse_args(argv)
    if args.auto_stars is not None and args.auto_stars < 1:
        parser.error("--auto-stars takes 1 or more")
    if not 1 <= args.iterations <= 10:
        parser.error("--iterations takes 1 to 10")
    manifest = None
    if args.stars:
        with open(args.stars, encoding="utf-8") as f:
            manifest = json.load(f)

    from distributed import Client, LocalCluster

    if args.scheduler:
        client, cluster = Client(args.scheduler), None
    else:
        cluster = LocalCluster(n_workers=args.workers, threads_per_worker=1, processes=True, dashboard_address=None)
        client = Client(cluster)
    try:
        results = run(args.inputs, args.out, manifest, args.auto_stars or 0, args.iterations, args.protect, client,
                      report=lambda line: print(line, file=sys.stderr, flush=True))
    finally:
        client.close()
        if cluster is not None:
            cluster.close()
    failed = [s for s, (status, _) in results.items() if status == "failed"]
    print(f"{len(results) - len(failed)} of {len(results)} files done or already there; {len(failed)} failed",
          file=sys.stderr)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
