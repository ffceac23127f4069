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
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from e2e import SOURCE, check, cs2cs, main, need, run, schema_errors, xdata  # noqa: E402

ezdxf = need("ezdxf", "python3-ezdxf")
ogr = need("osgeo.ogr", "python3-gdal")
need("jsonschema", "python3-jsonschema")
ogr.UseExceptions()
GPKG = os.path.join(SOURCE, "tests", "sima_export", "cases", "foreign.gpkg")  # see foreign.gpkg.txt


def layer_of(name):
    """(geometry, NO, NAME) of each feature of a layer of the case GeoPackage, as GDAL reads it."""
    dataset = ogr.Open(GPKG)
    return [(f.GetGeometryRef().Clone(), f["NO"], f["NAME"]) for f in dataset.GetLayerByName(name)]


def zone_ix(source_epsg, lon_lat):
    """(east, north) in zone IX for each (lon, lat), by cs2cs (latitude first, northing first)."""
    return [(e, n) for n, e in cs2cs(f"EPSG:{source_epsg}", "EPSG:6677", [(b, a) for a, b in lon_lat])]


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
    gpkg = shutil.copy(GPKG, os.path.join(folder, "parcels.gpkg"))
    sim = os.path.join(folder, "parcels.sim")
    exported = run("export", gpkg, "-o", sim, "--zone", "9", "--number-field", "NO", "--name-field", "NAME",
                   "--json")
    check(exported.returncode == 0, f"export exits with 0 ({exported.returncode}: {exported.stderr.strip()})")
    report = json.loads(exported.stdout)
    check(not schema_errors(report), "the report follows the schema")
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
    expected = zone_ix(4326, [(g.GetX(), g.GetY()) for g, *_ in given])
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
    ring = zone_ix(6668, [p[:2] for p in parcel.GetGeometryRef(0).GetGeometryRef(0).GetPoints()[:-1]])
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
    check(refused.returncode == 2 and not schema_errors(report) and "no layer has that field" in report["error"]["message"],
          f"an unknown field is a usage error ({refused.returncode}), its report valid")


if __name__ == "__main__":
    sys.exit(main(geopackage, other_origin))
