#!/usr/bin/python3
"""GIS layers to SIMA: a GeoPackage of points and polygons made with GDAL (cases/foreign.gpkg),
exported by the command line host into zone IX plane coordinates, imported back, and held against
PROJ's cs2cs; the JSON reports of a run and of a refusal against docs/kestrel-report.schema.json; a
drawing of other origin (made by ezdxf) with --all-entities.

  foreign_inputs_test.py KESTREL_BINARY
"""
import json
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from e2e import SOURCE, check, main, run, xdata  # noqa: E402

try:
    import ezdxf
    import jsonschema
    from osgeo import ogr
except ImportError as missing:
    print(f"skip: {missing.name} is not installed (python3-ezdxf, python3-jsonschema, python3-gdal)")
    sys.exit(77)
ogr.UseExceptions()
SCHEMA = os.path.join(SOURCE, "docs", "kestrel-report.schema.json")
ZONE_IX = 6677

GPKG = os.path.join(SOURCE, "tests", "sima_export", "cases", "foreign.gpkg")  # see foreign.gpkg.txt


def layer_of(name):
    """(geometry, NO, NAME) of each feature of a layer of the case GeoPackage, as GDAL reads it."""
    dataset = ogr.Open(GPKG)
    return [(f.GetGeometryRef().Clone(), f["NO"], f["NAME"]) for f in dataset.GetLayerByName(name)]


def cs2cs(source_epsg, lon_lat):
    """(east, north) in zone IX for each (lon, lat), by PROJ's command line tool."""
    text = "".join(f"{lat} {lon}\n" for lon, lat in lon_lat)
    out = subprocess.run(["cs2cs", "-f", "%.9f", f"EPSG:{source_epsg}", f"EPSG:{ZONE_IX}"],
                         input=text, capture_output=True, text=True, check=True).stdout
    return [(float(line.split()[1]), float(line.split()[0])) for line in out.splitlines()]


def other_origin(folder):
    """A drawing another CAD program made (ezdxf, cases/other-origin.dxf): a point at (100.5, 200.25,
    7.5); closed polylines, light through the point and (110, 200), (110, 210), heavy, and light drawn
    with the extrusion 0 0 -1; an open one. With --all-entities its points and closed polylines are
    taken, numbered and named by rule."""
    dxf = os.path.join(SOURCE, "tests", "sima_export", "cases", "other-origin.dxf")
    sim = os.path.join(folder, "other.sim")
    plain = run("export", dxf, "-o", sim)
    check(plain.returncode == 3 and "--all-entities" in plain.stderr,
          f"without --all-entities nothing of other origin is taken ({plain.returncode})")
    taken = run("export", dxf, "-o", sim, "--all-entities")
    check(taken.returncode == 0, f"exported with --all-entities ({taken.returncode}: {taken.stderr.strip()})")
    lines = open(sim, encoding="cp932", newline="").read().split("\n")
    check(lines[3:5] == ["A01,1,P1,200.25,100.5,7.5,\r", "A01,2,P2,200,110,,\r"],
          f"the point first, then lot vertices without a point, numbered on ({lines[3:5]})")
    lots = [line for line in lines if line.startswith(("D00", "B01"))]
    check(lots[:4] == ["D00,1,L1,1,\r", "B01,1,P1,\r", "B01,2,P2,\r", "B01,3,P3,\r"],
          f"the light polyline is lot 1 through the point and two added ones ({lots[:4]})")
    mirrored = [line for line in lines if line.startswith("A01,") and line.endswith(",1,1,,\r")]
    check(len(lots) == 3 * 4 and len(mirrored) == 1,
          "three closed polylines are lots; x of the one drawn from below is mirrored")


def geopackage(folder):
    schema = json.load(open(SCHEMA, encoding="utf-8"))
    gpkg = shutil.copy(GPKG, os.path.join(folder, "parcels.gpkg"))
    sim = os.path.join(folder, "parcels.sim")
    exported = run("export", gpkg, "-o", sim, "--zone", "9", "--number-field", "NO", "--name-field", "NAME",
                   "--json")
    check(exported.returncode == 0, f"export exits with 0 ({exported.returncode}: {exported.stderr.strip()})")
    report = json.loads(exported.stdout)
    jsonschema.validate(report, schema)
    check(True, "the report follows the schema")
    codes = [w["code"] for w in report["warnings"]]
    check(any("1 holes of polygons left out" in w["message"] for w in report["warnings"]) and
          any("roads: 1 features that are neither points nor polygons" in w["message"]
              for w in report["warnings"]), f"the hole and the line layer are said ({codes})")
    check(report["counts"]["lots"] == 3 and report["counts"]["points"] == 3 + 4 + 3 + 3 - 2,
          f"3 lots (one parcel in two parts), vertices added where no point is ({report['counts']})")

    check(run("import", sim).returncode == 0, "import back")
    log = open(os.path.join(folder, "parcels_Input.log"), encoding="cp932").read()
    check("ERROR" not in log, "the import log has no errors")
    drawing = ezdxf.readfile(os.path.join(folder, "parcels.dxf"))
    points = {xdata(e, "JSIMA_V3_Point")[0]: e for e in drawing.modelspace().query("POINT")}
    given = layer_of("points")
    expected = cs2cs(4326, [(g.GetX(), g.GetY()) for g, *_ in given])
    worst = 0.0
    for (g, number, name), (east, north) in zip(given, expected):
        entity = points.get(number)
        check(entity is not None and xdata(entity, "JSIMA_V3_Point")[1] == name,
              f"point {number} keeps its number and name {name}")
        x, y, height = entity.dxf.location
        worst = max(worst, abs(x - east), abs(y - north))
        check(height == g.GetZ(), f"point {number} has its elevation {g.GetZ()}")
    check(worst < 1e-6, f"points where cs2cs puts them (largest difference {worst:.1e} m)")
    lots = list(drawing.modelspace().query("LWPOLYLINE"))
    first = next(e for e in lots if xdata(e, "JSIMA_V3_Pline")[1] == "512-2")
    parcel = next(g for g, _, name in layer_of("parcels") if name == "512-2")
    ring = cs2cs(6668, [p[:2] for p in parcel.GetGeometryRef(0).GetGeometryRef(0).GetPoints()[:-1]])
    vertices = [(x, y) for x, y, *_ in first.get_points()]
    check(first.closed and len(vertices) == 4 and xdata(first, "JSIMA_V3_Pline")[0] == 7,
          "the parcel is lot 7, closed, its outer ring without the repeated vertex")
    worst = max(max(abs(a - c), abs(b - d)) for (a, b), (c, d) in zip(vertices, ring))
    check(worst < 1e-3, f"its vertices where cs2cs puts them, within the 1 mm that joins them to "
                        f"points 11 and 12 (largest difference {worst:.1e} m)")
    parts = [e for e in lots if xdata(e, "JSIMA_V3_Pline")[1] == "飛び地"]
    check(len(parts) == 2 and all(xdata(e, "JSIMA_V3_Pline")[0] == 8 for e in parts),
          "both parts of the unnumbered parcel are lots, numbered after the highest")

    kept = run("export", gpkg, "-o", sim, "--zone", "9")
    check(kept.returncode == 2 and "--overwrite" in kept.stderr and os.path.getsize(sim) > 0,
          f"an existing output is kept without --overwrite ({kept.returncode})")
    refused = run("export", gpkg, "-o", sim, "--zone", "9", "--number-field", "NUMBER", "--json", "--overwrite")
    report = json.loads(refused.stdout)
    jsonschema.validate(report, schema)
    check(refused.returncode == 2 and "no layer has that field" in report["error"]["message"],
          f"an unknown field is a usage error ({refused.returncode}), its report valid")


if __name__ == "__main__":
    sys.exit(main(geopackage, other_origin))
