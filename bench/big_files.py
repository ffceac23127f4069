#!/usr/bin/env python3
"""Big files end to end: the command line host importing to DXF, LandXML and log, whole process.

  big_files.py KESTREL [--sima2geojson DIR] [--runs 5] [--dir /tmp] [--skip-4m]

Files are made once by bench/make_sima.py (CP932, CRLF) and kept in --dir:
  * the 1,000,000-line mix: lines per second and peak resident size against the file's size;
  * the 4,000,000-line mix: time and memory ratios against the 1,000,000-line one;
  * 100,000 points + 20,000 lots: seconds, side by side with sima2geojson.js on the same file
    (`node index.js -S FILE.sim -E 6677` in DIR; skipped with a message when DIR is not given or
    holds no index.js).
Each figure is the best wall time of --runs runs (the largest peak resident size of them), with
the CPU time (user + system, all threads) of the best run; the 1M and 4M mixes take turns, run
for run, so that their ratio compares like with like. Before each run the outputs of the
one before are deleted (untimed), for both tools: every run writes new files, as a first import
does, and what earlier runs wrote is flushed to disk (untimed). Replacing earlier outputs costs
whatever the file system takes to free them; on an ext4 mounted with `discard` that is a wait for
the disk of some milliseconds per 10 MB, so the small file is also timed replacing its outputs,
for information. The machine's load average is printed before and after: wall times are only
meaningful on an idle machine.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))

TARGET_LINES_PER_SECOND = 1.5e6
TARGET_MEMORY_RATIO = 4.0
TARGET_SMALL_SECONDS = 0.1
TARGET_SPEEDUP = 10.0
TARGET_SCALING = 4.2


def make(path, *args):
    if not os.path.exists(path):
        subprocess.run([sys.executable, os.path.join(HERE, "make_sima.py"), path, *args, "--crlf"],
                       check=True)
    return path


def line_count(path):
    with open(path, "rb") as f:
        return sum(chunk.count(b"\n") for chunk in iter(lambda: f.read(1 << 20), b""))


def remove(paths):
    for path in paths:
        try:
            os.remove(path)
        except FileNotFoundError:
            pass


def run_once(command, cwd, statuses, outputs):
    """Wall time, CPU time and peak resident size (bytes) of one run; `outputs` are deleted
    first."""
    remove(outputs)
    # What earlier runs wrote goes to disk first, so that no run pays for another's.
    os.sync()
    start = time.perf_counter()
    child = subprocess.Popen(command, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) not in statuses:
        raise RuntimeError(f"{command[0]} exited with status {status}")
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss * 1024


def measure_side_by_side(jobs, runs, statuses=(0,)):
    """For each job (command, outputs, cwd): the best wall time, its CPU time, and the largest
    peak resident size over the runs. The jobs take turns, so that a machine that slows down
    or speeds up meanwhile weighs on all of them alike."""
    best = [None] * len(jobs)
    peak = [0] * len(jobs)
    for _ in range(runs):
        for i, (command, outputs, cwd) in enumerate(jobs):
            wall, cpu, resident = run_once(command, cwd, statuses, outputs)
            if best[i] is None or wall < best[i][0]:
                best[i] = (wall, cpu)
            peak[i] = max(peak[i], resident)
    return [(b[0], b[1], p) for b, p in zip(best, peak)]


# The mixes hold results on routes that are no alignment: the host says so with status 4.
IMPORTED = (0, 4)


def import_command(kestrel, sima, work):
    base = os.path.join(work, os.path.splitext(os.path.basename(sima))[0])
    return [kestrel, "import", "--overwrite", sima, "-o", base + ".dxf", "--landxml",
            base + ".xml"]


def import_outputs(sima, work):
    base = os.path.join(work, os.path.splitext(os.path.basename(sima))[0])
    return [base + ".dxf", base + ".xml", base + "_Input.log"]


def verdict(ok):
    return "meets" if ok else "MISSES"


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("kestrel")
    parser.add_argument("--sima2geojson", help="folder of an installed sima2geojson.js")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--dir", default=tempfile.gettempdir())
    parser.add_argument("--skip-4m", action="store_true", help="leave out the 4,000,000-line mix")
    args = parser.parse_args()
    kestrel = os.path.abspath(args.kestrel)
    os.makedirs(args.dir, exist_ok=True)
    print(f"load average before: {' '.join(f'{x:.2f}' for x in os.getloadavg())} "
          f"on {os.cpu_count()} CPUs")

    mix = make(os.path.join(args.dir, "kestrel-mix-1m.sim"), "--lines", "1000000")
    small = make(os.path.join(args.dir, "kestrel-e2e-100000-20000.sim"), "--points", "100000",
                 "--lots", "20000")
    work = tempfile.mkdtemp(prefix="kestrel-bench-", dir=args.dir)
    try:
        # Inputs are copied next to the outputs so that the log lands there too.
        def staged(path):
            copy = os.path.join(work, os.path.basename(path))
            shutil.copyfile(path, copy)
            return copy

        lines = line_count(mix)
        size = os.path.getsize(mix)
        jobs = [(import_command(kestrel, staged(mix), work), import_outputs(mix, work), None)]
        if not args.skip_4m:
            big = make(os.path.join(args.dir, "kestrel-mix-4m.sim"), "--lines", "4000000")
            jobs.append((import_command(kestrel, staged(big), work), import_outputs(big, work), None))
        measured = measure_side_by_side(jobs, args.runs, statuses=IMPORTED)
        wall, cpu, peak = measured[0]
        rate = lines / wall
        ratio = peak / size
        print(f"\n1M mix: {lines:,} lines, {size / 1e6:.1f} MB")
        print(f"  kestrel import: {wall:.3f} s wall (CPU {cpu:.3f} s), {rate / 1e6:.2f} M lines/s "
              f"[{verdict(rate >= TARGET_LINES_PER_SECOND)} >= {TARGET_LINES_PER_SECOND / 1e6} M]; "
              f"peak {peak / 1e6:.0f} MB = {ratio:.2f}x the file "
              f"[{verdict(ratio <= TARGET_MEMORY_RATIO)} <= {TARGET_MEMORY_RATIO}x]")

        if not args.skip_4m:
            big_lines = line_count(big)
            big_wall, big_cpu, big_peak = measured[1]
            time_ratio = big_wall / wall
            memory_ratio = big_peak / peak
            print(f"\n4M mix: {big_lines:,} lines, {os.path.getsize(big) / 1e6:.1f} MB")
            print(f"  kestrel import: {big_wall:.3f} s wall (CPU {big_cpu:.3f} s), "
                  f"{big_lines / big_wall / 1e6:.2f} M lines/s, peak {big_peak / 1e6:.0f} MB")
            print(f"  1M -> 4M: time x{time_ratio:.2f} "
                  f"[{verdict(time_ratio <= TARGET_SCALING)} <= {TARGET_SCALING}], memory "
                  f"x{memory_ratio:.2f} [{verdict(memory_ratio <= TARGET_SCALING)} <= "
                  f"{TARGET_SCALING}]")

        command = import_command(kestrel, staged(small), work)
        # Kestrel writing new outputs, then replacing them, then the peer, run for run.
        jobs = [(command, import_outputs(small, work), None), (command, [], None)]
        script = os.path.join(args.sima2geojson, "index.js") if args.sima2geojson else None
        peer = script is not None and os.path.exists(script) and shutil.which("node") is not None
        if peer:
            # The peer writes FILE.sim.point.geojson and FILE.sim.polygon.geojson beside the input.
            peer_input = staged(small)
            jobs.append((["node", script, "-S", peer_input, "-E", "6677"],
                         [peer_input + ".point.geojson", peer_input + ".polygon.geojson"], None))
        measured = measure_side_by_side(jobs, args.runs, statuses=IMPORTED)
        wall, cpu, peak = measured[0]
        print(f"\n100,000 points + 20,000 lots: {os.path.getsize(small) / 1e6:.1f} MB")
        print(f"  kestrel import: {wall:.3f} s wall (CPU {cpu:.3f} s), peak {peak / 1e6:.0f} MB "
              f"[{verdict(wall <= TARGET_SMALL_SECONDS)} <= {TARGET_SMALL_SECONDS} s]")
        print(f"  kestrel import replacing the outputs of the run before: {measured[1][0]:.3f} s "
              "wall")
        if not peer:
            print("  sima2geojson.js: skipped (give --sima2geojson DIR of an installed copy, and "
                  "node on the PATH)")
        else:
            other, other_cpu, other_peak = measured[2]
            speedup = other / wall
            print(f"  sima2geojson.js: {other:.3f} s wall (CPU {other_cpu:.3f} s), peak "
                  f"{other_peak / 1e6:.0f} MB; kestrel is {speedup:.1f}x faster "
                  f"[{verdict(speedup >= TARGET_SPEEDUP)} >= {TARGET_SPEEDUP}x]")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print(f"\nload average after: {' '.join(f'{x:.2f}' for x in os.getloadavg())}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
