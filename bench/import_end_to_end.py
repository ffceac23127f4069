#!/usr/bin/env python3
"""End-to-end import time and peak memory of the command line host.

  import_end_to_end.py KESTREL [--points 100000] [--lots 20000] [--runs 5] [--dir /tmp]
Makes a CP932, CRLF SIMA file with bench/make_sima.py, imports it to DXF and log, and prints the
best wall time and the largest peak resident size over the runs.
"""
import argparse
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("kestrel")
    parser.add_argument("--points", type=int, default=100000)
    parser.add_argument("--lots", type=int, default=20000)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--dir", default="/tmp")
    parser.add_argument("--extra", default="", help="more arguments for kestrel import")
    args = parser.parse_args()
    sima = os.path.join(args.dir, f"kestrel-e2e-{args.points}-{args.lots}.sim")
    if not os.path.exists(sima):
        subprocess.run([sys.executable, os.path.join(HERE, "make_sima.py"), sima, "--points",
                        str(args.points), "--lots", str(args.lots), "--crlf"], check=True)
    size = os.path.getsize(sima)
    best = None
    best_cpu = None
    peak = 0
    for _ in range(args.runs):
        start = time.perf_counter()
        child = subprocess.Popen([args.kestrel, "import", "--overwrite", sima, *args.extra.split()],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(child.pid, 0)
        elapsed = time.perf_counter() - start
        if status != 0:
            print(f"kestrel exited with status {status}", file=sys.stderr)
            return 1
        cpu = usage.ru_utime + usage.ru_stime
        best = elapsed if best is None else min(best, elapsed)
        best_cpu = cpu if best_cpu is None else min(best_cpu, cpu)
        peak = max(peak, usage.ru_maxrss)
    dxf = os.path.splitext(sima)[0] + ".dxf"
    print(f"input: {args.points} points, {args.lots} lots, {size / 1e6:.1f} MB (CP932, CRLF)")
    print(f"output: {os.path.getsize(dxf) / 1e6:.1f} MB DXF")
    print(f"best of {args.runs}: {best:.3f} s wall, {best_cpu:.3f} s CPU (user + system); "
          f"peak resident size {peak / 1024:.1f} MB")
    print(f"load average while measuring: {os.getloadavg()[0]:.1f} (wall time is only "
          "meaningful on an idle machine)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
