#!/usr/bin/env python3
"""Files per second for a folder of small SIMA files imported by one kestrel run, one file at a
time (-j 1) and two at a time (-j 2); beside it the same files imported by one kestrel process
each, one after the other, which is what a batch of re-executed hosts would cost.

  batch_import.py KESTREL [--files 200] [--points 50] [--lots 5] [--runs 3] [--dir /tmp]
"""
import argparse
import os
import random
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


def best_of(runs, command):
    best = float("inf")
    for _ in range(runs):
        start = time.perf_counter()
        command()
        best = min(best, time.perf_counter() - start)
    return best


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("kestrel")
    parser.add_argument("--files", type=int, default=200)
    parser.add_argument("--points", type=int, default=50)
    parser.add_argument("--lots", type=int, default=5)
    parser.add_argument("--runs", type=int, default=3)
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
    one = best_of(args.runs, lambda: batch(1))
    two = best_of(args.runs, lambda: batch(2))
    each = best_of(args.runs, one_process_each)
    print(f"kestrel import DIR -j 1: {args.files / one:7.1f} files/s ({one:.2f} s)")
    print(f"kestrel import DIR -j 2: {args.files / two:7.1f} files/s ({two:.2f} s, x{one / two:.2f})")
    print(f"one kestrel per file:    {args.files / each:7.1f} files/s ({each:.2f} s)")
    shutil.rmtree(top, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
