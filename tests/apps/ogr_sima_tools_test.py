#!/usr/bin/python3
"""The SIMA driver in GDAL's own tools and in QGIS: ogrinfo lists the example project's layers with
the counts the file and the import report give; ogr2ogr copies it to GeoPackage feature for
feature; osgeo.ogr takes the open options; QGIS (python3-qgis, offscreen) opens valid layers with
the right counts and CRS.

  ogr_sima_tools_test.py KESTREL_BINARY PLUGIN_FOLDER
"""
import os
import re
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from e2e import EXAMPLES, check, main, need, records, report  # noqa: E402

os.environ["GDAL_DRIVER_PATH"] = os.path.abspath(sys.argv[2])
os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")
gdal, ogr = need("osgeo.gdal", "python3-gdal"), need("osgeo.ogr", "python3-gdal")  # after the plugin folder
if shutil.which("ogrinfo") is None or shutil.which("ogr2ogr") is None:
    print("skip: gdal-bin is not installed")
    sys.exit(77)
ogr.UseExceptions()


def expected_counts(sima):
    """Feature counts of the example from the file itself, the import's report and its LandXML."""
    rows = records(sima)
    counts = report("import", sima)[1]["counts"]
    land = ElementTree.parse(os.path.splitext(sima)[0] + ".xml").getroot()
    # Parcels are drawn with lines too: only the alignments' own elements count.
    elements = [e for a in land.iter() if a.tag.split("}")[1] == "Alignment"
                for e in a.iter() if e.tag.split("}")[1] in ("Line", "Curve", "Spiral")]
    routes = [r for r in rows if r[0] == "F00"]
    return {
        "points": sum(r[0] == "A01" for r in rows),
        "lots": sum(r[0] == "D00" and r[3] == "1" for r in rows),
        "routes": sum(r[4] in ("1", "4", "5", "6") for r in routes),
        "alignments": sum(r[4] in ("2", "3", "7") for r in routes),
        "alignment_elements": len(elements),
        "results": counts["vertical_points"] + counts["section_points"],
    }


def features_of(dataset):
    """Every layer's features as (name, fields, ISO WKT), in order."""
    out = {}
    for i in range(dataset.GetLayerCount()):
        layer = dataset.GetLayer(i)
        out[layer.GetName()] = [(f.items(), f.GetGeometryRef().ExportToIsoWkt()) for f in layer]
    return out


def check_gdal(folder, sima, counts):
    info = subprocess.run(["ogrinfo", "-so", "-al", "-oo", "ZONE=9", sima], capture_output=True,
                          text=True).stdout
    listed = dict(re.findall(r"Layer name: (\w+)\n(?:.*\n)*?Feature Count: (\d+)", info))
    check({k: int(v) for k, v in listed.items()} == counts, f"ogrinfo layers and counts {listed}")
    check(info.count('PROJCRS["JGD2011 / Japan Plane Rectangular CS IX"') == len(counts),
          "every layer in zone IX")
    gpkg = os.path.join(folder, "copy.gpkg")
    r = subprocess.run(["ogr2ogr", "-f", "GPKG", gpkg, sima, "-oo", "ZONE=9"], capture_output=True,
                       text=True)
    check(r.returncode == 0, f"ogr2ogr to GeoPackage ({r.stderr.strip()})")
    source = gdal.OpenEx(sima, gdal.OF_VECTOR, open_options=["ZONE=9"])
    copy = gdal.OpenEx(gpkg, gdal.OF_VECTOR)
    check(features_of(copy) == features_of(source), "the GeoPackage holds the same features back")

    utf8 = shutil.copy(os.path.join(EXAMPLES, "road.utf8.sim"), folder)
    names = {}
    for encoding in ("AUTO", "CP932"):
        dataset = gdal.OpenEx(utf8, gdal.OF_VECTOR, open_options=[f"ENCODING={encoding}"])
        names[encoding] = [f.GetField("Name") for f in dataset.GetLayerByName("lots")]
    check(names["AUTO"][0] == "画地1" and names["CP932"][0] != "画地1",
          f"ENCODING chooses how names are read {names}")


def check_qgis(sima, counts):
    try:
        from qgis.core import QgsApplication, QgsVectorLayer
    except ImportError:
        print("skip QGIS: python3-qgis is not installed")
        return
    app = QgsApplication([], False)
    app.initQgis()
    for name, count in counts.items():
        layer = QgsVectorLayer(f"{sima}|layername={name}|option:ZONE=9", name, "ogr")
        check(layer.isValid() and layer.featureCount() == count and layer.crs().authid() == "EPSG:6677",
              f"QGIS: {name} valid, {layer.featureCount()} features, {layer.crs().authid()}")
    named = sima.replace(".sim", "-zoned.sim")
    with open(sima, "rb") as f, open(named, "wb") as out:
        out.write("Z01,12,\r\n".encode("cp932") + f.read())
    layer = QgsVectorLayer(f"{named}|layername=points", "points", "ogr")
    check(layer.crs().authid() == "EPSG:6680", f"QGIS: the zone the file names ({layer.crs().authid()})")
    del layer  # layers go before QGIS does
    app.exitQgis()


def tools(folder):
    sima = shutil.copy(os.path.join(EXAMPLES, "road-project.sim"), folder)
    counts = expected_counts(sima)
    check_gdal(folder, sima, counts)
    check_qgis(sima, counts)


if __name__ == "__main__":
    sys.exit(main(tools))
