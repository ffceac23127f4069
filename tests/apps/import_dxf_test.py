#!/usr/bin/python3
"""End to end through real readers: SIMA files imported by the command line host, the DXF read
back by ezdxf (audit clean) and GDAL's ogrinfo (no configuration, the alignments' arcs too), and
drawn by LibreCAD.

  import_dxf_test.py KESTREL_BINARY
"""
import os
import re
import shutil
import subprocess
import sys

import ezdxf

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from e2e import LINES, POINTS, SOURCE, check, main, run, write_sima, xdata  # noqa: E402


def imported(what, out, *args):
    """Imports into the drawing `out`; the drawing, checked to exit 0 and audit clean."""
    r = run("import", *args, "-o", out)
    check(r.returncode == 0, f"{what}: import exits 0 ({r.stderr.strip()})")
    doc = ezdxf.readfile(out)
    auditor = doc.audit()
    check(not auditor.errors and not auditor.fixes, f"{what}: ezdxf audit finds nothing")
    return doc


def ogr_feature_count(path):
    """ogrinfo's feature count of a drawing: None without ogrinfo, -1 when it gives none."""
    if shutil.which("ogrinfo") is None:
        return None
    out = subprocess.run(["ogrinfo", "-al", "-so", path], capture_output=True, text=True).stdout
    return int(re.search(r"Feature Count: (\d+)|$", out).group(1) or -1)


def librecad_drawing_box(folder, path):
    """The box of ink (x0, y0, x1, y1 as fractions of the page) of LibreCAD's PDF of the drawing
    fitted to its page, or None when LibreCAD, xvfb-run or pdftoppm is missing."""
    if not all(shutil.which(tool) for tool in ("librecad", "xvfb-run", "pdftoppm")):
        print("skip LibreCAD: librecad, xvfb-run or poppler-utils is not installed")
        return None
    home = os.path.join(folder, "home")
    os.makedirs(os.path.join(home, ".config", "LibreCAD"), exist_ok=True)
    with open(os.path.join(home, ".config", "LibreCAD", "LibreCAD.conf"), "w") as f:
        f.write("[Startup]\nFirstLoad=0\n")  # no first-run dialog
    pdf_folder = os.path.join(folder, "pdf")
    os.makedirs(pdf_folder, exist_ok=True)
    subprocess.run(["xvfb-run", "-a", "librecad", "dxf2pdf", "-a", "-t", pdf_folder, path],
                   env={**os.environ, "HOME": home}, capture_output=True, timeout=120)
    pdf = os.path.join(pdf_folder, os.path.splitext(os.path.basename(path))[0] + ".pdf")
    # LibreCAD sizes the page in drawing units: render about 600 pixels whatever that gives.
    subprocess.run(["pdftoppm", "-gray", "-scale-to", "600", pdf, os.path.join(folder, "page")], check=True)
    image = [f for f in os.listdir(folder) if f.startswith("page")][0]
    with open(os.path.join(folder, image), "rb") as f:
        data = f.read()
    fields = data.split(maxsplit=4)  # P5 width height maxval pixels
    width, height = int(fields[1]), int(fields[2])
    pixels = data[len(data) - width * height:]
    ink = [(i % width, i // width) for i, v in enumerate(pixels) if v < 200]
    if not ink:
        return (0, 0, 0, 0)
    xs, ys = [p[0] for p in ink], [p[1] for p in ink]
    return (min(xs) / width, min(ys) / height, max(xs) / width, max(ys) / height)


def readers(folder):
    first = write_sima(folder, "first.sim", ["G00,03,test,"] + LINES)
    out = os.path.join(folder, "first.dxf")
    msp = list(imported("first drawing", out, first, "--layer-points", "測点", "--layer-lots", "画地").modelspace())
    check(len(msp) == 5, f"first drawing holds 3 points and 2 lots ({len(msp)})")
    check(ogr_feature_count(out) in (None, len(msp)), "ogrinfo sees the same number of features")
    points = [e for e in msp if e.dxftype() == "POINT"]
    for entity, (n, name, x, y, z) in zip(points, POINTS):
        loc = entity.dxf.location
        check((loc.x, loc.y, loc.z) == (y, x, z), f"point {n} at (Y, X, Z) exactly")
        check(entity.dxf.layer == "測点", f"point {n} on the points layer")
        check(xdata(entity, "JSIMA_V3_Point") == [n, name, "座標", "first.sim"],
              f"point {n} carries No, Name, Type, FileName")
    lots = [e for e in msp if e.dxftype() == "LWPOLYLINE"]
    check([l.closed for l in lots] == [True, False], "lot 7 closed, lot 8 open")
    check(all(l.dxf.layer == "画地" for l in lots), "lots on the lot layer")
    check(xdata(lots[0], "JSIMA_V3_Pline") == [7, "画地七", "画地", "first.sim"], "lot record")
    if shutil.which("ogrinfo"):
        names = subprocess.run(["ogrinfo", "-al", out], capture_output=True, text=True).stdout
        check("Layer (String) = 測点" in names and "Layer (String) = 画地" in names,
              "ogrinfo, no configuration: Japanese layer names intact")
    # The lots run from (2000.5, 1000.125) to (-32832.251, -23795.96): fitted to its page, the
    # drawing fills the page's width or its height.
    box = librecad_drawing_box(folder, out)
    if box is not None:
        check(box[2] - box[0] > 0.9 or box[3] - box[1] > 0.9,
              f"LibreCAD draws the drawing fitted to its page ({box})")

    # The second file goes into the first drawing: both files' records, told apart by FileName.
    second = write_sima(folder, "second.sim", ["A00,", "A01,9,P9,1,2,3,", "A99,"], "utf-8")
    out2 = os.path.join(folder, "both.dxf")
    doc2 = imported("the second file into the first drawing", out2, second, "--drawing", out, "--layer-points", "測点")
    names = [xdata(e, "JSIMA_V3_Point")[3] for e in doc2.modelspace() if e.dxftype() == "POINT"]
    check(names == ["first.sim"] * 3 + ["second.sim"], f"both files' points, by FileName {names}")
    check(len(list(doc2.modelspace())) == 6, "combined drawing keeps the first drawing's entities")

    # Hostile names (cases/hostile): control characters (a line break always ends a SIMA line, so
    # the platform's own tests cover CR/LF inside names), a DXF end marker, 400 bytes; and layer
    # names DXF forbids.
    hostile = shutil.copy(os.path.join(SOURCE, "tests", "apps", "cases", "hostile", "names.sim"),
                          os.path.join(folder, "hostile.sim"))
    out3 = os.path.join(folder, "hostile.dxf")
    doc3 = imported("hostile drawing", out3, hostile, "--layer-points", "a<b", "--layer-lots", "a>b")
    layers = {layer.dxf.name for layer in doc3.layers}
    check(len([n for n in layers if n.startswith("a")]) == 2, f"two distinct layers for a<b and a>b ({layers})")
    count = len(list(doc3.modelspace()))
    check(count == 3, f"hostile drawing loads with its three points ({count})")
    check(ogr_feature_count(out3) in (None, count), "ogrinfo reads the hostile drawing")

    # The example's alignments: a plain reader lists their arcs (the centre line's and the curve route's).
    road = shutil.copy(os.path.join(SOURCE, "examples", "road.utf8.sim"), folder)
    imported("the example's alignments", os.path.join(folder, "road.dxf"), road, "--series", "all")
    if shutil.which("ogrinfo"):
        listing = subprocess.run(["ogrinfo", "-q", os.path.join(folder, "road.dxf"), "-sql",
                                  "select SubClasses from entities"], capture_output=True, text=True).stdout
        check(listing.count("AcDbArc") == 2, f"ogrinfo lists the alignments' two arcs ({listing.count('AcDbArc')})")


if __name__ == "__main__":
    sys.exit(main(readers))
