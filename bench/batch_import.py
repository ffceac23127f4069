#!/usr/bin/env python3
"""Files per second for a folder of small SIMA files imported by one kestrel run, one file at a
time (-j 1) and two at a time (-j 2); beside it the same files imported by one kestrel process
each, one after the other, which is what a batch of re-executed hosts would cost.

  batch_import.py KESTREL [--files 200] [--points 50] [--lots 5] [--runs 5] [--dir /tmp]
"""
import argparse
import os
import random
import resource
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_sima import coordinate_block, lot_block  # noqa: E402


def make_folder(folder, files, points, lots):
    os.makedirs(folder, exist_ok=True)
    for i in range(files):
        rng = random.Random(i)
        lines = ["G00,03,bench,"]
        coordinate_block(rng, 1, points, lines)
        for lot in range(1, lots + 1):
            lot_block(rng, lot, list(range(1, points + 1)), lines)
        with open(os.path.join(folder, f"f{i:04d}.sim"), "wb") as f:
            f.write(("\r\n".join(lines) + "\r\n").encode("cp932"))


def best_times(runs, commands):
    """Best wall time and best CPU time (user + system of the processes it ran) of each command
    over the runs, the commands taking turns so that a busy moment of the machine falls on all of
    them alike."""
    wall = [float("inf")] * len(commands)
    cpu = [float("inf")] * len(commands)
    for _ in range(runs):
        for i, command in enumerate(commands):
            before = resource.getrusage(resource.RUSAGE_CHILDREN)
            start = time.perf_counter()
            command()
            wall[i] = min(wall[i], time.perf_counter() - start)
            after = resource.getrusage(resource.RUSAGE_CHILDREN)
            cpu[i] = min(cpu[i], after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime)
    return wall, cpu


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("kestrel")
    parser.add_argument("--files", type=int, default=200)
    parser.add_argument("--points", type=int, default=50)
    parser.add_argument("--lots", type=int, default=5)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--dir", default="/tmp")
    args = parser.parse_args()
    top = os.path.join(args.dir, f"kestrel-batch-{args.files}-{args.points}-{args.lots}")
    inputs, outputs = os.path.join(top, "in"), os.path.join(top, "out")
    shutil.rmtree(top, ignore_errors=True)
    make_folder(inputs, args.files, args.points, args.lots)
    os.makedirs(outputs)
    logs = outputs + "/"

    def batch(jobs):
        subprocess.run([args.kestrel, "import", inputs, "-j", str(jobs), "--output-dir", outputs,
                        "--log", logs, "--overwrite", "-q"], check=False)

    def one_process_each():
        for name in sorted(os.listdir(inputs)):
            subprocess.run([args.kestrel, "import", os.path.join(inputs, name), "--output-dir",
                            outputs, "--log", logs, "--overwrite", "-q"], check=True)

    print(f"{args.files} files of {args.points} points and {args.lots} lots "
          f"({os.path.getsize(os.path.join(inputs, 'f0000.sim'))} bytes each), best of {args.runs}, "
          f"{os.cpu_count()} processors")
    (one, two, each), cpu = best_times(args.runs, [lambda: batch(1), lambda: batch(2), one_process_each])
    per_file = [1000 * c / args.files for c in cpu]
    print(f"kestrel import DIR -j 1: {args.files / one:7.1f} files/s ({one:.2f} s; CPU {per_file[0]:.1f} ms/file)")
    print(f"kestrel import DIR -j 2: {args.files / two:7.1f} files/s ({two:.2f} s, x{one / two:.2f}; "
          f"CPU {per_file[1]:.1f} ms/file)")
    print(f"one kestrel per file:    {args.files / each:7.1f} files/s ({each:.2f} s; CPU {per_file[2]:.1f} ms/file)")
    print(f"load average before the last run: {os.getloadavg()[0]:.1f}")
    shutil.rmtree(top, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
