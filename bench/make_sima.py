#!/usr/bin/env python3
"""Writes large valid SIMA files for the benchmarks.

Real files are mostly coordinates and lots; a few routes and result blocks ride along.
  make_sima.py OUT --lines N [--mix mix|A|D|F|H|I] [--encoding cp932|utf-8] [--crlf]
  make_sima.py OUT --points P --lots L          (exact counts, for the drawing benchmark)
"""
import argparse
import math
import random


def coordinate_block(rng, first, count, out):
    out.append("A00,座標データ,")
    for n in range(first, first + count):
        x = 10000.0 + rng.uniform(0, 5000)
        y = 20000.0 + rng.uniform(0, 5000)
        z = rng.uniform(5, 50)
        out.append(f"A01,{n},点{n},{x:.3f},{y:.3f},{z:.3f},")
    out.append("A99,")


def lot_block(rng, number, points, out, vertices=6):
    out.append(f"D00,{number},画地{number},1,")
    for _ in range(vertices):
        p = rng.choice(points)
        out.append(f"B01,{p},点{p},")
    out.append("D99,")


ROUTE_POINTS = 20
ROUTE_STEP = 50.0
ROUTE_START = 100.0


# Route points are numbered from here up, above every survey point of the file (each survey
# point takes a line, so a power of ten no smaller than the line count is above them all).
ROUTE_POINT_BASE = 1000000


def route_point_numbers(route):
    """Route r uses its own points, numbered from ROUTE_POINT_BASE up so they never meet survey points."""
    first = ROUTE_POINT_BASE + (route - 1) * ROUTE_POINTS
    return list(range(first, first + ROUTE_POINTS))


def route_points_block(routes, out):
    """Each route's points lie along a gentle curve, as a surveyed centre line does."""
    out.append("A00,路線点,")
    for route in range(1, routes + 1):
        for i, n in enumerate(route_point_numbers(route)):
            north = 30000.0 + i * ROUTE_STEP
            east = 40000.0 + route * 500.0 + 15.0 * math.sin(i * 0.4)
            out.append(f"A01,{n},R{route}-{i},{north:.3f},{east:.3f},20.000,")
    out.append("A99,")


def route_block(number, out):
    route_type = (number - 1) % 7 + 1
    out.append(f"F00,{number},1,路線{number},{route_type},")
    out.append(f"F03,{ROUTE_START:.1f},20,10,")
    points = route_point_numbers(number)
    for i, p in enumerate(points):
        out.append(f"B01,{p},R{number}-{i},")
        if route_type in (2, 3, 7) and 0 < i < len(points) - 2 and i % 3 == 1:
            out.append("C01,0,2000,")
    out.append("F99,")


def vertical_block(route, stations, out):
    """Stations along route `route` (a centre line), inside its stationing."""
    out.append(f"H00,{route},縦断,")
    for i in range(stations):
        out.append(f"H01,No.{i},{ROUTE_START + i * 10.0:.1f},{10 + i * 0.01:.2f},{10.1 + i * 0.01:.2f},1,")
    out.append("H99,")


def section_block(route, sections, per_section, out):
    out.append(f"I00,{route},横断,")
    for i in range(sections):
        out.append(f"I01,No.{i},{ROUTE_START + i * 20.0:.1f},10.00,10.10,")
        for j in range(per_section):
            offset = (j - per_section // 2) * 2.5
            out.append(f"I02,P{j},{offset:.2f},{10 + j * 0.05:.2f},")
    out.append("I99,")


def generate(lines, mix, seed=7):
    global ROUTE_POINT_BASE
    ROUTE_POINT_BASE = max(1000000, 10 ** math.ceil(math.log10(max(lines, 1))))
    rng = random.Random(seed)
    out = ["G00,03,Kestrel benchmark,"]
    next_point = 1
    points = []
    budget = lines - 2
    shares = {"mix": {"A": 0.55, "D": 0.35, "F": 0.04, "H": 0.03, "I": 0.03}}.get(mix, {mix: 1.0})
    # Lots need survey points to refer to; routes and results need routes of their own.
    if mix != "A":
        coordinate_block(rng, next_point, 2000, out)
        points = list(range(next_point, next_point + 2000))
        next_point += 2000
    route_count = max(7, int(budget * shares.get("F", 0.0) / (ROUTE_POINTS + 5)) + 1)
    if mix != "A" and mix != "D":
        route_points_block(route_count, out)
        if mix in ("H", "I"):
            route_block(3, out)  # the centre line the results belong to
    targets = {k: int(v * budget) for k, v in shares.items()}
    route_number = 1
    while len(out) < lines - 1:
        progressed = False
        for kind, target in targets.items():
            if target <= 0 or len(out) >= lines - 1:
                continue
            before = len(out)
            if kind == "A":
                count = min(1000, max(1, lines - 3 - len(out)))
                coordinate_block(rng, next_point, count, out)
                points.extend(range(next_point, next_point + count))
                next_point += count
            elif kind == "D":
                lot_block(rng, len(out), points, out)
            elif kind == "F":
                if route_number > route_count:
                    targets[kind] = 0
                    continue
                route_block(route_number, out)
                route_number += 1
            elif kind == "H":
                vertical_block(3, 50, out)
            elif kind == "I":
                section_block(3, 10, 8, out)
            targets[kind] -= len(out) - before
            progressed = True
        if not progressed:
            break
    out = out[: lines - 1]
    out.append("Z00,")
    return out


def exact(points, lots, seed=11):
    rng = random.Random(seed)
    out = ["G00,03,Kestrel benchmark,"]
    done = 0
    while done < points:
        count = min(1000, points - done)
        coordinate_block(rng, done + 1, count, out)
        done += count
    numbers = list(range(1, points + 1))
    for n in range(1, lots + 1):
        lot_block(rng, n, numbers, out)
    out.append("Z00,")
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("out")
    parser.add_argument("--lines", type=int)
    parser.add_argument("--mix", default="mix", choices=["mix", "A", "D", "F", "H", "I"])
    parser.add_argument("--points", type=int)
    parser.add_argument("--lots", type=int)
    parser.add_argument("--encoding", default="cp932", choices=["cp932", "utf-8"])
    parser.add_argument("--crlf", action="store_true")
    args = parser.parse_args()
    if args.points is not None:
        lines = exact(args.points, args.lots or 0)
    else:
        lines = generate(args.lines or 1000000, args.mix)
    end = "\r\n" if args.crlf else "\n"
    with open(args.out, "w", encoding=args.encoding, newline="") as f:
        f.write(end.join(lines) + end)


if __name__ == "__main__":
    main()
