#!/usr/bin/env python3
"""Export speed and peak memory of the command line host: a drawing of 100,000 survey points and
20,000 lots (six vertices each) written back as SIMA.

  export_end_to_end.py KESTREL [--points 100000] [--lots 20000] [--runs 5] [--dir /tmp]
Makes a SIMA file with bench/make_sima.py and imports it once to DXF; then times
`kestrel export DRAWING.dxf -o OUT.sim --overwrite` (reading the DXF, matching every lot vertex to its point,
writing CP932) and prints the best wall time, lines written per second and the largest peak
resident size over the runs.
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
    args = parser.parse_args()
    os.makedirs(args.dir, exist_ok=True)
    base = os.path.join(args.dir, f"kestrel-export-{args.points}-{args.lots}")
    if not os.path.exists(base + ".dxf"):
        subprocess.run([sys.executable, os.path.join(HERE, "make_sima.py"), base + ".sim", "--points",
                        str(args.points), "--lots", str(args.lots), "--crlf"], check=True)
        subprocess.run([args.kestrel, "import", base + ".sim", "-o", base + ".dxf", "--overwrite"], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    out = base + "-exported.sim"
    best = best_cpu = None
    peak = 0
    for _ in range(args.runs):
        start = time.perf_counter()
        child = subprocess.Popen([args.kestrel, "export", base + ".dxf", "-o", out, "--overwrite"],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(child.pid, 0)
        elapsed = time.perf_counter() - start
        if status != 0:
            print(f"kestrel export exited with status {status}", file=sys.stderr)
            return 1
        cpu = usage.ru_utime + usage.ru_stime
        best = elapsed if best is None else min(best, elapsed)
        best_cpu = cpu if best_cpu is None else min(best_cpu, cpu)
        peak = max(peak, usage.ru_maxrss)
    with open(out, "rb") as f:
        lines = sum(1 for _ in f)
    print(f"input: {args.points} points, {args.lots} lots, {os.path.getsize(base + '.dxf') / 1e6:.1f} MB DXF")
    print(f"output: {lines} lines, {os.path.getsize(out) / 1e6:.1f} MB SIMA (CP932, CRLF)")
    print(f"best of {args.runs}: {best:.3f} s wall, {best_cpu:.3f} s CPU (user + system); "
          f"{lines / best:,.0f} lines per second; peak resident size {peak / 1024:.1f} MB")
    print(f"load average while measuring: {os.getloadavg()[0]:.1f} (wall time is only "
          "meaningful on an idle machine)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
