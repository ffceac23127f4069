#!/usr/bin/python3
"""Imports the example project with the command line host and checks what it made against the
example's own geometry (road_geometry.py, road_log.py):

  tools/road_project_check.py KESTREL [EXAMPLE.sim]

- the import log equals the expected log byte for byte;
- the LandXML passes the LandXML 1.2 schema (xmllint) and its alignment has the elements, lengths
  and end points the route defines (largest differences printed);
- the DXF is clean for ezdxf's audit and holds every point, lot and route polyline, and every
  vertical and cross-section point lies where its station and offset put it on the alignment.
Prints one line per check and exits non-zero when one fails.
"""
import math
import os
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

import ezdxf

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import road_log  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
SCHEMA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "data", "LandXML-1.2.xsd")
TOLERANCE = 1e-6
SHIFT = 0.0001  # the host's default shift distance for vertical walls
failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


def landxml_alignments(path):
    ns = {"x": "http://www.landxml.org/schema/LandXML-1.2"}

    def point(node, tag):
        north, east = (float(v) for v in node.find(f"x:{tag}", ns).text.split()[:2])
        return east, north

    alignments = {}
    for alignment in ET.parse(path).getroot().iterfind(".//x:Alignment", ns):
        elements = []
        for element in alignment.find("x:CoordGeom", ns):
            kind = element.tag.split("}")[1]
            start, end = point(element, "Start"), point(element, "End")
            length = float(element.get("length", math.dist(start, end)))
            elements.append((kind, length, start, end))
        alignments[alignment.get("name")] = (float(alignment.get("staStart")), elements)
    return alignments


def compare_geometry(derived, written):
    for name, ours in derived.alignments.items():
        check(name in written, f"alignment {name} in the LandXML")
        if name not in written:
            continue
        station, theirs = written[name]
        check(station == ours.start_station, f"{name}: starting station {station}")
        check([k for k, *_ in theirs] == [e.kind for e in ours.elements],
              f"{name}: element kinds {[k for k, *_ in theirs]}")
        worst_length = worst_point = 0.0
        for (kind, length, start, end), element in zip(theirs, ours.elements):
            worst_length = max(worst_length, abs(length - element.length))
            worst_point = max(worst_point, math.dist(start, element.start),
                              math.dist(end, element.end))
        print(f"     {name}: largest length difference {worst_length:.3e} m, "
              f"largest end point difference {worst_point:.3e} m")
        check(worst_length < TOLERANCE and worst_point < TOLERANCE,
              f"{name}: lengths and end points agree within {TOLERANCE} m")


def spread(offsets, heights):
    """Offsets and heights of a section after the import parts points at one offset."""
    offsets, heights = list(offsets), list(heights)
    i = 0
    while i < len(offsets):
        k = 1
        while i + k < len(offsets) and offsets[i + k] == offsets[i]:
            offsets[i + k] += k * SHIFT if offsets[i] >= 0 else -k * SHIFT
            k += 1
        if k > 1 and offsets[i] < 0:
            heights[i:i + k] = heights[i:i + k][::-1]
        i += k
    return offsets, heights


def expected_results(lines, alignment):
    """(type, name, east, north, height) of every vertical and cross-section point, in the
    order the import makes them."""
    made, section = [], None

    def close():
        if section is None:
            return
        name, station, centre, points = section
        offsets, heights = spread([o for _, o, _ in points], [z for _, _, z in points])
        for (point_name, _, _), offset, height in zip(points, offsets, heights):
            e, n, _ = alignment.point(station, offset)
            made.append(("横断成果", point_name or name, e, n, height))
        if 0.0 not in offsets:
            e, n, _ = alignment.point(station)
            made.append(("横断成果", name, e, n, centre))

    for line in lines:
        f = line.split(",")
        if f[0] == "H01":
            e, n, _ = alignment.point(float(f[2]))
            made.append(("縦断成果", f[1], e, n, float(f[3])))
        elif f[0] == "I01":
            close()
            section = (f[1], float(f[2]), float(f[3]), [])
        elif f[0] == "I02":
            section[3].append((f[1], float(f[2]), float(f[3])))
        elif f[0] == "I99":
            close()
            section = None
    return made


def check_drawing(path, lines, derived):
    doc = ezdxf.readfile(path)
    auditor = doc.audit()
    check(len(auditor.errors) + len(auditor.fixes) == 0, "DXF: ezdxf audit finds nothing")
    points, polylines = [], {}
    for entity in doc.modelspace():
        if entity.dxftype() == "POINT" and entity.has_xdata("JSIMA_V3_Point"):
            record = [v for _, v in entity.get_xdata("JSIMA_V3_Point")]
            points.append((record[2], record[1], *entity.dxf.location))
        elif entity.dxftype() == "LWPOLYLINE" and entity.has_xdata("JSIMA_V3_Pline"):
            kind = [v for _, v in entity.get_xdata("JSIMA_V3_Pline")][2]
            polylines[kind] = polylines.get(kind, 0) + 1
    made = derived.made
    surveyed = [p for p in points if p[0] == "座標"]
    check(len(surveyed) == made["points"], f"DXF: {len(surveyed)} surveyed points")
    check(polylines.get("画地") == made["lots"], f"DXF: {polylines.get('画地')} lots")
    check(polylines.get("IP線") == 1 and polylines.get("幅杭線左") == 1
          and polylines.get("幅杭線右") == 1, f"DXF: route polylines {polylines}")
    alignment = next(iter(derived.alignments.values()))
    expected = expected_results(lines, alignment)
    results = [p for p in points if p[0] in ("縦断成果", "横断成果")]
    check(len(results) == len(expected) == made["vertical"] + made["cross"],
          f"DXF: {len(results)} vertical and cross-section points")
    worst = max(math.hypot(r[2] - e[2], r[3] - e[3]) for r, e in zip(results, expected))
    same = all(r[:2] == e[:2] and abs(r[4] - e[4]) < 1e-9 for r, e in zip(results, expected))
    print(f"     largest plan difference of a result point from its station and offset: "
          f"{worst:.3e} m")
    check(same and worst < TOLERANCE, "DXF: result points named, placed and at their heights")


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    kestrel = os.path.abspath(sys.argv[1])
    example = sys.argv[2] if len(sys.argv) == 3 else os.path.join(HERE, "..", "examples",
                                                                  "road-project.sim")
    expected_log = example[:-4] + ".expected.log"
    folder = tempfile.mkdtemp(prefix="kestrel-road-project-")
    try:
        sim = os.path.join(folder, os.path.basename(example))
        shutil.copyfile(example, sim)
        r = subprocess.run([kestrel, "import", sim], capture_output=True)
        check(r.returncode == 0, f"import exits 0 ({r.stderr.decode(errors='replace').strip()})")
        with open(sim[:-4] + "_Input.log", "rb") as f, open(expected_log, "rb") as g:
            check(f.read() == g.read(), "the import log equals the expected log byte for byte")
        with open(sim, "rb") as f:
            lines = f.read().decode("cp932").split("\r\n")[:-1]
        derived = road_log.derive(lines)
        landxml = sim[:-4] + ".xml"
        lint = subprocess.run(["xmllint", "--noout", "--schema", SCHEMA, landxml],
                              capture_output=True, text=True)
        check(lint.returncode == 0, f"LandXML: {lint.stderr.strip().splitlines()[-1]}")
        compare_geometry(derived, landxml_alignments(landxml))
        check_drawing(sim[:-4] + ".dxf", lines, derived)
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    print("all checks passed" if not failures else f"{len(failures)} check(s) failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
