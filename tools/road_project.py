#!/usr/bin/python3
"""Builds the example project examples/road-project.sim: a rural road of about 1.5 km laid out by
the IP method, as a survey office would deliver it in SIMA (CP932, CRLF), together with the
import log the import must write for it and a table of known points with their station and
offset for readout tests.

  python3 tools/road_project.py OUTDIR

Writes OUTDIR/road-project.sim, OUTDIR/road-project.expected.log and
OUTDIR/road-project.readout.csv, and prints the road's figures. Deterministic (fixed seed).

Coordinates: JGD2011 plane rectangular system, zone IX (X north, Y east), around X +48 200,
Y -31 700 (hill country in the north-west of the zone). The geometry is computed here
(road_geometry.py), independently of the importer; the expected log comes from road_log.py.
"""
import math
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import road_geometry as geo  # noqa: E402
import road_log  # noqa: E402

NAME = "road-project"
SEED = 19
TITLE = "市道若葉台線道路改良工事 路線測量"
START_STATION = 1000.0  # the section starts at No.50 of the route
PITCH = 20.0
BP = (-31748.920, 48213.405)  # (Y east, X north)
# Legs from BP: survey azimuth in degrees (clockwise from north) and length to the next IP/EP.
LEGS = [(62.0, 380.0), (100.0, 430.0), (88.0, 420.0), (46.0, 330.0)]
# Curves at IP.1 .. IP.3: radius, clothoid A before and after the arc (0 0: a simple arc).
CURVES = [(300.0, 150.0, 150.0), (600.0, 0.0, 0.0), (250.0, 140.0, 125.0)]
HALF_FORMATION = 4.5  # carriageway, shoulder and ditch on each side of the centre line
ROUTE_NAMES = {"ip": "IP線", "centre": "本線", "left": "幅杭左", "right": "幅杭右"}


def mm(value):
    return round(value, 3) + 0.0


def heading_of(azimuth_degrees):
    return math.pi / 2.0 - math.radians(azimuth_degrees)


def design():
    """IPs, main points and elements of the designed centre line."""
    ips = [BP]
    for azimuth, length in LEGS:
        e, n = ips[-1]
        h = heading_of(azimuth)
        ips.append((mm(e + length * math.cos(h)), mm(n + length * math.sin(h))))
    headings = [math.atan2(b[1] - a[1], b[0] - a[0]) for a, b in zip(ips, ips[1:])]
    elements, mains = [], [("BP", ips[0])]
    cursor = ips[0]
    for i, (radius, a_in, a_out) in enumerate(CURVES, start=1):
        curve, _, _ = geo.ip_curve(ips[i], headings[i - 1], headings[i], radius, a_in, a_out)
        elements.append(geo.Line(cursor, curve[0].start))
        elements.extend(curve)
        cursor = curve[-1].end
        if len(curve) == 1:
            mains += [(f"BC{i}", curve[0].start), (f"EC{i}", curve[0].end)]
        else:
            mains += [(f"KA{i}-1", curve[0].start), (f"KE{i}-1", curve[1].start),
                      (f"KE{i}-2", curve[2].start), (f"KA{i}-2", curve[2].end)]
    elements.append(geo.Line(cursor, ips[-1]))
    mains.append(("EP", ips[-1]))
    for spiral in (e for e in elements if e.kind == "Spiral"):
        series = geo.clothoid_local(spiral.length, spiral.a)
        quadrature = geo.clothoid_local_by_quadrature(spiral.length, spiral.a)
        if math.dist(series, quadrature) > 1e-9:
            raise AssertionError(f"clothoid series and quadrature differ for A {spiral.a}")
    alignment = geo.Alignment(ROUTE_NAMES["centre"], elements, START_STATION)
    stations = [START_STATION]
    for element in elements:
        stations.append(stations[-1] + element.length)
    return ips, alignment, [(name, point, st) for (name, point), st in zip(mains, stations)]


class Terrain:
    """Ground heights: a gentle designed grade with rolling ground about it and a cross fall
    that changes along the road."""

    def __init__(self, rng):
        self.waves = [(rng.uniform(0.5, 1.1), rng.uniform(180, 420), rng.uniform(0, 6.3))
                      for _ in range(3)]
        self.fall = (rng.uniform(0.05, 0.08), rng.uniform(350, 600), rng.uniform(0, 6.3))
        self.rng = rng

    def grade(self, station):
        # 1.5 % up to the vertical IP at No.80, then 0.8 % down.
        if station <= 1600.0:
            return 152.40 + 0.015 * (station - 1000.0)
        return 161.40 - 0.008 * (station - 1600.0)

    def ground(self, station, offset=0.0):
        rolling = sum(amp * math.sin(2 * math.pi * station / wave + phase)
                      for amp, wave, phase in self.waves)
        amp, wave, phase = self.fall
        fall = amp * math.sin(2 * math.pi * station / wave + phase)
        return self.grade(station) - 0.6 + rolling + fall * offset

    def width(self, station, side):
        """Offset of the width stake: formation, slope (1:1.5 fill, 1:1.0 cut), 1 m margin."""
        height = self.grade(station) - self.ground(station, side * HALF_FORMATION)
        slope = 1.5 * height if height > 0 else -1.0 * height
        return round(HALF_FORMATION + slope + 1.0, 2)


def stake_name(station, mains):
    for name, _, st in mains:
        if abs(st - station) < 1e-6:
            return name
    return f"No.{int(round(station / PITCH))}"


def build(rng):
    ips, alignment, mains = design()
    terrain = Terrain(rng)
    end_station = mains[-1][2]
    stations = sorted({round(START_STATION + PITCH * k, 9)
                       for k in range(int((end_station - START_STATION) // PITCH) + 1)}
                      | {st for _, _, st in mains}, key=float)
    stakes = []
    for station in stations:
        name = stake_name(station, mains)
        e, n, _ = alignment.point(station)
        widths = (terrain.width(station, -1), terrain.width(station, 1))
        sides = []
        for side, width, mark in ((-1, widths[0], "左"), (1, widths[1], "右")):
            se, sn, _ = alignment.point(station, side * width)
            sides.append((name + mark, (mm(se), mm(sn)), mm(terrain.ground(station, side * width))))
        stakes.append({"name": name, "station": station, "point": (mm(e), mm(n)),
                       "z": mm(terrain.ground(station)), "left": sides[0], "right": sides[1],
                       "widths": widths, "full": abs(station / PITCH - round(station / PITCH)) < 1e-9})
    return ips, alignment, mains, terrain, stakes


def sima_number(value, decimals=3):
    return f"{value:.{decimals}f}"


def a01(number, name, point, z):
    height = "" if z is None else sima_number(z)
    return f"A01,{number},{name},{sima_number(point[1])},{sima_number(point[0])},{height},"


def lots(rng, alignment, stakes, side, first_number, first_boundary):
    """Parcels along one side: the frontage follows the width stakes between two division
    stakes, the back boundary runs 25-45 m from the centre line through boundary points."""
    key = "left" if side < 0 else "right"
    divisions = [0]
    while divisions[-1] < len(stakes) - 1:
        divisions.append(min(divisions[-1] + rng.randint(3, 6), len(stakes) - 1))
    if len(stakes) - 1 - divisions[-2] < 2 and len(divisions) > 2:
        del divisions[-2]
    corners, points, parcels = {}, [], []
    number = first_boundary

    def boundary(station, depth):
        nonlocal number
        e, n, _ = alignment.point(station, side * depth)
        points.append((number, f"K{number - 4000}", (mm(e), mm(n))))
        number += 1
        return points[-1]

    for i in divisions:
        shift = 0.0 if i in (0, len(stakes) - 1) else rng.uniform(-4.0, 4.0)
        corners[i] = boundary(stakes[i]["station"] + shift, rng.uniform(26.0, 44.0))
    for k, (i0, i1) in enumerate(zip(divisions, divisions[1:])):
        front = [stakes[i][key][0] for i in range(i0, i1 + 1)]
        back = [corners[i1]]
        if stakes[i1]["station"] - stakes[i0]["station"] > 80.0:
            middle = (stakes[i0]["station"] + stakes[i1]["station"]) / 2.0
            back.append(boundary(middle + rng.uniform(-10.0, 10.0), rng.uniform(28.0, 42.0)))
        back.append(corners[i0])
        base = 512 if side < 0 else 618
        parcels.append((first_number + k, f"{base + 2 * k + rng.randint(0, 1)}-{rng.randint(1, 5)}",
                        front, back))
    return points, parcels


def cross_section(rng, terrain, stake):
    """Points of the section from left to right: name, offset, ground height. Now and then a
    stone wall on the left: two points at one offset."""
    station, (wl, wr) = stake["station"], stake["widths"]
    left = [-(wl + rng.uniform(8.0, 12.0)), -(wl + rng.uniform(3.0, 5.0)), -wl, -HALF_FORMATION]
    right = [HALF_FORMATION, wr, wr + rng.uniform(3.0, 5.0), wr + rng.uniform(8.0, 12.0)]
    offsets = [round(o, 2) for o in left] + [0.0] + [round(o, 2) for o in right]
    heights = [round(terrain.ground(station, o) + rng.uniform(-0.05, 0.05), 2) for o in offsets]
    heights[4] = round(stake["z"], 2)
    if rng.random() < 0.15:
        # The land beyond the wall stands higher by the wall's height; listed left to right,
        # the wall's top comes before its foot.
        rise = round(rng.uniform(1.2, 2.0), 2)
        heights[0] = round(heights[0] + rise, 2)
        offsets.insert(1, offsets[1])
        heights.insert(1, round(heights[1] + rise, 2))
    centre = offsets.index(0.0)
    names = [f"L{centre - i}" for i in range(centre)] + ["CL"]
    names += [f"R{i}" for i in range(1, len(offsets) - centre)]
    return list(zip(names, offsets, heights))


def sima_lines(ips, stakes):
    lines = ["G00,03,%s," % TITLE, "Z00,%s," % TITLE, "A00,"]
    numbers = {}
    for k, stake in enumerate(stakes, start=1):
        numbers[stake["name"]] = k
        lines.append(a01(k, stake["name"], stake["point"], stake["z"]))
    for base, key in ((1000, "left"), (2000, "right")):
        for k, stake in enumerate(stakes, start=1):
            name, point, z = stake[key]
            numbers[name] = base + k
            lines.append(a01(base + k, name, point, z))
    for k, point in enumerate(ips[1:-1], start=1):
        numbers[f"IP.{k}"] = 3000 + k
        lines.append(a01(3000 + k, f"IP.{k}", point, None))
    lines.append("A99,")
    return lines, numbers


def main(outdir):
    rng = random.Random(SEED)
    ips, alignment, mains, terrain, stakes = build(rng)
    lines, numbers = sima_lines(ips, stakes)
    left_points, left_lots = lots(rng, alignment, stakes, -1, 1, 4001)
    right_points, right_lots = lots(rng, alignment, stakes, 1, len(left_lots) + 1,
                                    4001 + len(left_points))
    lines.append("A00,")
    for number, name, point in left_points + right_points:
        lines.append(a01(number, name, point, None))
    lines.append("A99,")
    for number, name, front, back in left_lots + right_lots:
        lines.append(f"D00,{number},{name},1,")
        lines += [f"B01,{numbers[p]},{p}," for p in front]
        lines += [f"B01,{n},{p}," for n, p, _ in back]
        lines.append("D99,")
    # Routes: the IP line, the centre line with its curves, the two width-stake lines.
    lines += ["F00,1,1,%s,1," % ROUTE_NAMES["ip"], f"B01,{numbers['BP']},BP,"]
    lines += [f"B01,{3000 + k},IP.{k}," for k in range(1, len(ips) - 1)]
    lines += [f"B01,{numbers['EP']},EP,", "F99,"]
    lines += ["F00,2,1,%s,3," % ROUTE_NAMES["centre"],
              f"F03,{sima_number(START_STATION)},{sima_number(PITCH)},{sima_number(PITCH / 2)},"]
    curve_lines = {}
    for i, (radius, a_in, a_out) in enumerate(CURVES, start=1):
        deflection = geo.wrap(math.atan2(ips[i + 1][1] - ips[i][1], ips[i + 1][0] - ips[i][0])
                              - math.atan2(ips[i][1] - ips[i - 1][1], ips[i][0] - ips[i - 1][0]))
        r = sima_number(radius if deflection < 0 else -radius)  # negative: a curve to the left
        if a_in == 0:
            curve_lines[f"BC{i}"] = f"C01,0,{r},"
        else:
            curve_lines[f"KA{i}-1"] = f"C02,{sima_number(a_in)},0.000,{r},"
            curve_lines[f"KE{i}-1"] = f"C01,0,{r},"
            curve_lines[f"KE{i}-2"] = f"C02,{sima_number(a_out)},{r},0.000,"
    for name, _, station in mains:
        lines += [f"B01,{numbers[name]},{name},", f"B03,{sima_number(station)},"]
        if name in curve_lines:
            lines.append(curve_lines[name])
    lines.append("F99,")
    for route, (key, kind) in enumerate((("left", 4), ("right", 5)), start=3):
        lines.append(f"F00,{route},1,{ROUTE_NAMES[key]},{kind},")
        lines += [f"B01,{numbers[s[key][0]]},{s[key][0]}," for s in stakes]
        lines.append("F99,")
    lines.append("H00,2,縦断,")
    for stake in stakes:
        head = stake["z"] + rng.uniform(0.05, 0.25)
        lines.append(f"H01,{stake['name']},{sima_number(stake['station'])},"
                     f"{sima_number(stake['z'])},{sima_number(head)},{1 if stake['full'] else 2},")
    lines += ["H99,", "I00,2,横断,"]
    for stake in stakes:
        head = stake["z"] + rng.uniform(0.05, 0.25)
        lines.append(f"I01,{stake['name']},{sima_number(stake['station'])},"
                     f"{sima_number(stake['z'], 2)},{sima_number(head, 2)},")
        lines += [f"I02,{n},{o:.2f},{z:.2f}," for n, o, z in cross_section(rng, terrain, stake)]
    lines += ["I99,", "Z00,"]
    return write(outdir, lines, alignment, mains, stakes, left_lots + right_lots)


def write(outdir, lines, alignment, mains, stakes, parcels):
    os.makedirs(outdir, exist_ok=True)
    sim = os.path.join(outdir, NAME + ".sim")
    with open(sim, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp932"))
    result = road_log.derive(lines)
    if result.errors:
        raise AssertionError("the import would reject lines:\n" + "\n".join(result.errors))
    with open(os.path.join(outdir, NAME + ".expected.log"), "wb") as f:
        f.write(result.text.encode("cp932"))
    built = result.alignments[ROUTE_NAMES["centre"]]
    write_readout(os.path.join(outdir, NAME + ".readout.csv"), built, stakes, rng_points(built))
    report(alignment, built, mains, stakes, parcels, result)
    return 0


def rng_points(built):
    """Known points given by station and offset on the alignment the import builds."""
    rng = random.Random(SEED + 1)
    chosen = []
    for k in range(6):
        station = built.start_station + (k + 0.5) * built.length / 6.0 + rng.uniform(-20, 20)
        offset = round(rng.uniform(-35.0, 35.0), 3)
        e, n, _ = built.point(station, offset)
        chosen.append((f"Q{k + 1}", (e, n), station, offset))
    return chosen


def write_readout(path, built, stakes, given):
    """name, X (north), Y (east), alignment, station, offset (right positive). Stakes and width
    stakes by projection onto the alignment the import builds; Q points placed on it."""
    rows = ["name,X,Y,alignment,station,offset"]
    picks = [stakes[0], stakes[len(stakes) // 3], stakes[len(stakes) // 2], stakes[-1]]
    points = [(s["name"], s["point"]) for s in picks]
    points += [(stakes[i]["left"][0], stakes[i]["left"][1]) for i in (5, len(stakes) - 6)]
    points += [(stakes[i]["right"][0], stakes[i]["right"][1]) for i in (9, len(stakes) - 10)]
    for name, point in points:
        station, offset = built.project(*point)
        offset = round(offset, 6) + 0.0  # no "-0.000000"
        rows.append(f"{name},{point[1]:.3f},{point[0]:.3f},{built.name},{station:.6f},{offset:.6f}")
    for name, point, station, offset in given:
        rows.append(f"{name},{point[1]:.6f},{point[0]:.6f},{built.name},{station:.6f},{offset:.6f}")
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(rows) + "\n")


def report(alignment, built, mains, stakes, parcels, result):
    print(f"centre line {alignment.name}: stations {alignment.start_station:.3f} to "
          f"{alignment.start_station + alignment.length:.3f}, length {alignment.length:.3f} m")
    for name, point, station in mains:
        print(f"  {name:7s} {station:10.3f}  X {point[1]:11.3f}  Y {point[0]:11.3f}")
    for element in alignment.elements:
        extra = ""
        if element.kind == "Curve":
            extra = f" R {element.radius:g}"
        elif element.kind == "Spiral":
            extra = f" A {element.a:g} R {element.radius:g}"
        print(f"  {element.kind:6s} {element.length:10.4f}{extra}")
    worst = max(abs(built.project(*s["point"])[1]) for s in stakes)
    print(f"as imported: length {built.length:.6f} m (design {alignment.length:.6f}); "
          f"largest offset of a centre stake from it {worst * 1000:.2f} mm")
    print(f"{len(stakes)} centre stakes, {2 * len(stakes)} width stakes, {len(parcels)} lots; "
          f"import: {result.counts}")


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1]))
