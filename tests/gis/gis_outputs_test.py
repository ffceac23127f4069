#!/usr/bin/python3
"""GIS outputs end to end: SIMA files imported by the command line host into every common format,
read back through GDAL (osgeo.ogr), reprojected against PROJ's cs2cs, with the CRS a zone, a datum,
a code or the file names, and several outputs of one run.

  gis_outputs_test.py KESTREL_BINARY
"""
import json
import os
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from e2e import EXAMPLES, LINES, POINTS, check, cs2cs, main, need, records, write_sima  # noqa: E402
import e2e  # noqa: E402

ogr = need("osgeo.ogr", "python3-gdal")
ogr.UseExceptions()


def run(*args):
    return e2e.run("import", *args, "--lang", "en")


# Format and whether it holds several layers in one file; every one carries the CRS.
FORMATS = [("gpkg", True), ("geojson", False), ("shp", False), ("fgb", False), ("csv", False)]


def open_layer(base, extension, several, name):
    path = f"{base}.{extension}" if several else f"{base}_{name}.{extension}"
    dataset = ogr.Open(path)
    return dataset, dataset.GetLayerByName(name) if several else dataset.GetLayer(0)


def check_formats(folder):
    sima = write_sima(folder, "t.sim", LINES)
    for extension, several in FORMATS:
        base = os.path.join(folder, f"out-{extension}")
        r = run(sima, "-o", f"{base}.{extension}", "--zone", "9")
        check(r.returncode == 0, f"{extension}: import exits 0 ({r.stderr.strip()})")
        dataset, points = open_layer(base, extension, several, "points")
        # By number: a spatially indexed format (FlatGeobuf) keeps its features in its own order.
        features = {feature.GetField("No"): feature for feature in points}
        check(len(features) == len(POINTS), f"{extension}: every point, with or without elevation")
        for n, name, x, y, z in POINTS:
            feature = features[n]
            g = feature.GetGeometryRef()
            check((g.GetX(), g.GetY(), g.GetZ()) == (y, x, 0.0 if z is None else z),
                  f"{extension}: point {n} at (Y, X, Z) exactly, easting first")
            check([feature.GetField(f) for f in ("No", "Name", "Type", "FileName", "Elevation")]
                  == [n, name, "座標", "t.sim", z], f"{extension}: point {n}'s columns")
        code = points.GetSpatialRef().GetAuthorityCode(None) if points.GetSpatialRef() else None
        check(code == "6677", f"{extension}: CRS EPSG:{code}")
        lots_dataset, lots = open_layer(base, extension, several, "lots")  # the layer needs it open
        lot = lots.GetNextFeature()
        check(lot.GetGeometryRef().GetGeometryType() == ogr.wkbPolygon and lot.GetGeometryRef().IsValid(),
              f"{extension}: the closed lot is a valid polygon")
        check((lot.GetField("No"), lot.GetField("Name"), lot.GetField("Type")) == (7, "画地七", "画地"),
              f"{extension}: the lot's columns")
        open_dataset, open_lots = open_layer(base, extension, several, "open_lots")
        open_lot = open_lots.GetNextFeature()  # the geometry lives as long as its feature
        line = open_lot.GetGeometryRef()
        check(line.GetGeometryType() == ogr.wkbLineString and line.GetPointCount() == 2,
              f"{extension}: the open lot is a line string")
    leftovers = [name for name in os.listdir(folder) if name.startswith(".")]
    check(not leftovers and not os.path.exists(os.path.join(folder, "t.dxf")),
          f"only the outputs named are written, no staging left ({leftovers})")


def check_curves_and_reprojection(folder):
    road = os.path.join(folder, "road-project.sim")
    shutil.copy(os.path.join(EXAMPLES, "road-project.sim"), road)
    gpkg = os.path.join(folder, "rp.gpkg")
    check(run(road, "-o", gpkg, "--zone", "9").returncode == 0, "the example project to GeoPackage")
    dataset = ogr.Open(gpkg)
    alignments = dataset.GetLayerByName("alignments")
    alignment = alignments.GetNextFeature()
    wkt = alignment.GetGeometryRef().ExportToIsoWkt()
    check(wkt.startswith("COMPOUNDCURVE") and "CIRCULARSTRING" in wkt,
          "GeoPackage alignments are compound curves with circular arcs")

    rows = records(road)
    # Vertical results carry the H01 lines' names, stations and heights; routes run through the
    # A01 points their B01 lines name, easting first.
    results = [(f["Name"], f["Station"], f["Offset"], f["Elevation"], f["StakeHead"], f["Block"])
               for f in dataset.GetLayerByName("results") if f["Type"] == "縦断成果"]
    h01 = [(r[1], float(r[2]), 0.0, float(r[3]), float(r[4]), "縦断") for r in rows if r[0] == "H01"]
    check(results == h01, f"{len(results)} vertical results with the H01 lines' columns")
    points = {r[1]: (float(r[4]), float(r[3])) for r in rows if r[0] == "A01"}
    route, routes = None, {}
    for r in rows:
        route = r[3] if r[0] == "F00" and r[4] in ("1", "4", "5", "6") else None if r[0] == "F00" else route
        if route and r[0] == "B01":
            routes.setdefault(route, []).append(points[r[1]])
    drawn = {f["Name"]: [p[:2] for p in f.GetGeometryRef().GetPoints()]
             for f in dataset.GetLayerByName("routes")}
    check(drawn == routes, f"routes {sorted(drawn)} through their points")

    geojson = os.path.join(folder, "rp.geojson")
    r = run(road, "-o", geojson, "--zone", "9", "--t-srs", "EPSG:4326")
    check(r.returncode == 0, f"reprojected to EPSG:4326 ({r.stderr.strip()})")
    with open(os.path.join(folder, "rp_points.geojson"), encoding="utf-8") as f:
        ours = [feature["geometry"]["coordinates"] for feature in json.load(f)["features"]]
    if shutil.which("cs2cs") is None:
        print("skip cs2cs: proj-bin is not installed")
        return
    plane = [(r[3], r[4]) for r in rows if r[0] == "A01"]  # EPSG:6677 takes northing, easting
    worst = 0.0
    for (lon, lat, *_), (cs_lat, cs_lon) in zip(ours, cs2cs("EPSG:6677", "EPSG:4326", plane)):
        worst = max(worst, abs(lon - cs_lon), abs(lat - cs_lat))  # EPSG:4326 gives latitude first
    check(len(ours) == len(plane) and worst < 1e-9,
          f"{len(ours)} points within 1e-9 degrees of cs2cs (worst {worst:.1e})")


def check_crs_choices(folder):
    rows = [  # records naming a zone, options, EPSG code expected, stderr expected to hold
        (["Z01,9,"], [], "6677", "zone 9 (EPSG:6677) from line 1"),
        (["G01,座標系,公共座標12系"], [], "6680", "zone 12"),
        (["G00,01,現場 第IX系,"], ["--datum", "jgd2000"], "2451", "zone 9 (EPSG:2451)"),
        (["Z01,9,"], ["--zone", "4"], "6672", ""),
        (["Z01,9,"], ["--epsg", "2451"], "2451", ""),
        ([], [], None, "no coordinate reference system"),
    ]
    for i, (named, options, code, said) in enumerate(rows):
        sima = write_sima(folder, f"crs{i}.sim", named + LINES)
        out = os.path.join(folder, f"crs{i}.gpkg")
        r = run(sima, "-o", out, *options)
        dataset = ogr.Open(out) if r.returncode == 0 else None
        layer = dataset.GetLayerByName("points") if dataset else None
        got = layer.GetSpatialRef().GetAuthorityCode(None) if layer and layer.GetSpatialRef() else None
        check(got == code and said in r.stderr and r.stderr.count(said or "\n") <= 1,
              f"{named} {options}: EPSG:{got}, said once: {said!r}")


def check_several_outputs(folder):
    """A drawing and two GIS outputs in one run; the refusals are rows of the command line's usage
    errors (tests/apps/cases/usage_errors.txt)."""
    sima = write_sima(folder, "r.sim", LINES)
    status, doc = e2e.report("import", sima, "-o", "r.dxf", "-o", "r.gpkg", "-o", "r.geojson", "--zone", "9",
                             cwd=folder)
    outputs = doc["outputs"] if status == 0 else []
    got = [(o["path"], o["format"], o.get("driver"), o.get("files")) for o in outputs]
    expected = [("r.dxf", "DXF", None, None), ("r.xml", "LandXML", None, None),
                ("r.gpkg", "GIS", "GPKG", ["r.gpkg"]),
                ("r.geojson", "GIS", "GeoJSON", ["r_lots.geojson", "r_open_lots.geojson", "r_points.geojson"])]
    check(got == expected and all(os.path.exists(os.path.join(folder, f)) for o in outputs
                                  for f in o.get("files", [o["path"]])),
          f"a drawing and two GIS outputs in one run: {got}")


if __name__ == "__main__":
    sys.exit(main(check_formats, check_curves_and_reprojection, check_crs_choices, check_several_outputs))
