#!/usr/bin/env python3
"""GeoJSON in WGS84 from a large SIMA file: Kestrel against the open-source peer, side by side.

  gis_geojson.py KESTREL PEER_INDEX_JS [--points 100000] [--lots 20000] [--runs 3] [--dir /tmp]

Makes a CP932, CRLF SIMA file with bench/make_sima.py (zone IX coordinates), then converts it in
turns with `kestrel import FILE -o OUT.geojson --zone 9 --t-srs EPSG:4326` and with the peer
(sima2geojson.js, installed with `npm ci` in a folder outside this repository:
`node index.js -S FILE -E 6677`), and prints each one's best wall time and largest peak resident
size, the ratios, and how far the two outputs' points lie apart.
"""
import argparse
import json
import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def measure(command, cwd):
    start = time.perf_counter()
    child = subprocess.Popen(command, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(child.pid, 0)
    elapsed = time.perf_counter() - start
    if status != 0:
        sys.exit(f"{command[0]} exited with status {status}: {child.stderr.read().decode()}")
    return elapsed, usage.ru_maxrss / 1024


def first_points(path, count):
    with open(path, encoding="utf-8") as f:
        features = json.load(f)["features"]
    return len(features), [f["geometry"]["coordinates"][:2] for f in features[:count]]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("kestrel")
    parser.add_argument("peer", help="the peer's index.js")
    parser.add_argument("--points", type=int, default=100000)
    parser.add_argument("--lots", type=int, default=20000)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--dir", default="/tmp")
    args = parser.parse_args()
    work = os.path.join(args.dir, f"kestrel-gis-bench-{args.points}-{args.lots}")
    os.makedirs(work, exist_ok=True)
    sima = os.path.join(work, "survey.sim")
    if not os.path.exists(sima):
        subprocess.run([sys.executable, os.path.join(HERE, "make_sima.py"), sima, "--points",
                        str(args.points), "--lots", str(args.lots), "--crlf"], check=True)
    ours = [os.path.abspath(args.kestrel), "import", sima, "-o", os.path.join(work, "ours.geojson"),
            "--zone", "9", "--t-srs", "EPSG:4326", "--overwrite"]
    peer = [shutil.which("node") or "node", os.path.abspath(args.peer), "-S", "survey.sim", "-E",
            "6677"]
    best = {"kestrel": (1e9, 0.0), "peer": (1e9, 0.0)}
    # Taken in turns, so that both see the same load on the machine.
    for _ in range(args.runs):
        for name, command in (("peer", peer), ("kestrel", ours)):
            elapsed, peak = measure(command, work)
            best[name] = (min(best[name][0], elapsed), max(best[name][1], peak))

    size = os.path.getsize(sima) / 1e6
    print(f"input: {args.points} points, {args.lots} lots, {size:.1f} MB (CP932, CRLF), zone IX")
    for name, label in (("peer", "sima2geojson.js"), ("kestrel", "kestrel")):
        print(f"{label:>16}: best of {args.runs} {best[name][0]:.3f} s wall, "
              f"peak resident size {best[name][1]:.1f} MB")
    print(f"{'kestrel/peer':>16}: {best['peer'][0] / best['kestrel'][0]:.1f}x faster, "
          f"{best['kestrel'][1] / best['peer'][1]:.2f} of the peer's peak memory")
    count, ours_points = first_points(os.path.join(work, "ours_points.geojson"), 1000)
    peer_count, peer_points = first_points(sima + ".point.geojson", 1000)
    apart = max(max(abs(a[0] - b[0]), abs(a[1] - b[1])) for a, b in zip(ours_points, peer_points))
    print(f"{'points':>16}: {count} (peer {peer_count}); first 1000 agree within {apart:.1e} degrees")
    print(f"load average while measuring: {os.getloadavg()[0]:.1f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
