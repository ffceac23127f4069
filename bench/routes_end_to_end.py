#!/usr/bin/env python3
"""Routes with curves, end to end: kestrel import of a file with 1,000 routes of 50 points each
(straights, clothoid–arc–clothoid curves), DXF and LandXML written; prints routes per second.

  routes_end_to_end.py KESTREL [--routes 1000] [--runs 3] [--dir DIR]

The route points lie on designed curves (integrated here by Gauss–Legendre quadrature), so every
alignment is built whole. The points-only import of the same coordinates is timed too, and the
routes' own rate is given with and without it.
"""
import argparse
import math
import os
import random
import resource
import subprocess
import tempfile
import time

NODES = [-0.9061798459386640, -0.5384693101056831, 0.0, 0.5384693101056831, 0.9061798459386640]
WEIGHTS = [0.2369268850561891, 0.4786286704993665, 0.5688888888888889, 0.4786286704993665,
           0.2369268850561891]


def advance(pose, k0, k1, length, panels=20):
    """Moves (x, y, heading) along a curve whose curvature goes linearly from k0 to k1."""
    x, y, h = pose
    b = (k1 - k0) / (2.0 * length)
    step = length / panels
    for p in range(panels):
        mid = (p + 0.5) * step
        for node, weight in zip(NODES, WEIGHTS):
            t = mid + node * step / 2.0
            angle = h + k0 * t + b * t * t
            x += weight * math.cos(angle) * step / 2.0
            y += weight * math.sin(angle) * step / 2.0
    return (x, y, h + k0 * length + b * length * length)


def route_lines(rng, number, first_point, route_type, curves=12):
    """The A01 lines of the route's points and its F00..F99 section: 2 + 4·curves points."""
    pose = (rng.uniform(0, 50000), rng.uniform(0, 50000), rng.uniform(0, 2 * math.pi))
    points = [pose]
    section = [f"F00,{number},1,路線{number},{route_type},", "F03,0.0,20,10,"]
    curve_lines = {}
    pose = advance(pose, 0.0, 0.0, rng.uniform(60, 200))
    points.append(pose)
    for _ in range(curves):
        radius = math.exp(rng.uniform(math.log(80), math.log(1500)))
        a1 = rng.uniform(max(30.0, radius / 3), min(800.0, radius))
        a2 = rng.uniform(max(30.0, radius / 3), min(800.0, radius))
        side = rng.choice((1.0, -1.0))
        sign = "-" if side > 0 else ""  # left turns carry negative radii
        k = side / radius
        curve_lines[len(points) - 1] = f"C02,{a1:.3f},0,{sign}{radius:.3f},"
        pose = advance(pose, 0.0, k, a1 * a1 / radius)
        points.append(pose)
        curve_lines[len(points) - 1] = f"C01,0,{sign}{radius:.3f},"
        pose = advance(pose, k, k, rng.uniform(10, 120))
        points.append(pose)
        curve_lines[len(points) - 1] = f"C02,{a2:.3f},{sign}{radius:.3f},0,"
        pose = advance(pose, k, 0.0, a2 * a2 / radius)
        points.append(pose)
        pose = advance(pose, 0.0, 0.0, rng.uniform(60, 200))
        points.append(pose)
    coordinates = []
    for i, (x, y, _) in enumerate(points):
        n = first_point + i
        # SIMA X is the northing, Y the easting.
        coordinates.append(f"A01,{n},点{n},{y:.6f},{x:.6f},10.000,")
        section.append(f"B01,{n},点{n},")
        if i in curve_lines:
            section.append(curve_lines[i])
    section.append("F99,")
    return coordinates, section


def write_files(folder, routes, seed=7):
    rng = random.Random(seed)
    coordinates, sections = ["A00,"], []
    next_point = 1
    for r in range(routes):
        points, section = route_lines(rng, r + 1, next_point, (2, 3, 7)[r % 3])
        next_point += len(points)
        coordinates += points
        sections += section
    coordinates.append("A99,")
    head = ["G00,03,routes bench,"]
    full = os.path.join(folder, "routes.sim")
    points_only = os.path.join(folder, "points.sim")
    with open(full, "w", encoding="utf-8") as out:
        out.write("\n".join(head + coordinates + sections) + "\n")
    with open(points_only, "w", encoding="utf-8") as out:
        out.write("\n".join(head + coordinates) + "\n")
    return full, points_only, next_point - 1


def timed(kestrel, path, series, runs):
    """Best wall time and best CPU time (user + system of the child) over the runs."""
    best_wall = best_cpu = float("inf")
    for _ in range(runs):
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        start = time.perf_counter()
        result = subprocess.run([kestrel, "import", "--overwrite", "--series", series, path],
                                capture_output=True, text=True)
        elapsed = time.perf_counter() - start
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        if result.returncode != 0:
            raise SystemExit(f"kestrel failed ({result.returncode}): {result.stderr}")
        cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
        best_wall = min(best_wall, elapsed)
        best_cpu = min(best_cpu, cpu)
    return best_wall, best_cpu, result.stdout


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("kestrel")
    parser.add_argument("--routes", type=int, default=1000)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--dir")
    args = parser.parse_args()
    folder = args.dir or tempfile.mkdtemp(prefix="kestrel-routes-")
    os.makedirs(folder, exist_ok=True)
    full, points_only, points = write_files(folder, args.routes)
    total, total_cpu, report = timed(args.kestrel, full, "A,F2,F3,F7", args.runs)
    baseline, baseline_cpu, _ = timed(args.kestrel, points_only, "A", args.runs)
    built = sum(1 for line in report.splitlines() if line.startswith("平面線形"))
    xml = os.path.join(folder, "routes.xml")
    print(f"file: {full} ({args.routes} routes × 50 points, {points} points)")
    print(f"alignments built: {built}, LandXML {os.path.getsize(xml)} bytes, "
          f"DXF {os.path.getsize(os.path.join(folder, 'routes.dxf'))} bytes")
    print(f"import with routes: {total:.3f} s wall, {total_cpu:.3f} s CPU (best of {args.runs}); "
          f"points only: {baseline:.3f} s wall, {baseline_cpu:.3f} s CPU")
    print(f"routes per second, end to end: {args.routes / total:.0f} (wall), "
          f"{args.routes / total_cpu:.0f} (CPU)")
    print(f"routes per second, beyond the points: {args.routes / max(total - baseline, 1e-9):.0f} (wall), "
          f"{args.routes / max(total_cpu - baseline_cpu, 1e-9):.0f} (CPU)")

if __name__ == "__main__":
    main()
