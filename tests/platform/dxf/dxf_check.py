#!/usr/bin/python3
"""Checks the DXF files the tests write with ezdxf, an independent reader; prints "OK" or the
differences, and the exit status tells.
  check OUT.dxf EXPECTED.json: OUT loads with a clean audit and holds EXPECTED's entities (type,
      layer, coordinates as doubles, extended data) in order; extents, view, point marks, colours;
      and GDAL's ogrinfo, when installed, finds each entity with its layer and extended data.
  make-base BASE.dxf VERSION: a base drawing with content our writer never makes.
  compare-base BASE.dxf OUT.dxf NEW_COUNT: everything of BASE is in OUT unchanged (same handles),
      with NEW_COUNT model-space entities more, points drawn as marks; ogrinfo finds them too.
"""
import json
import re
import shutil
import subprocess
import sys

import ezdxf
from ezdxf import bbox


def load(path):
    doc = ezdxf.readfile(path)
    auditor = doc.audit()
    problems = [f"audit: {e.message}" for e in auditor.errors]
    problems += [f"audit fix: {f.message}" for f in auditor.fixes]
    return doc, problems


def coordinates(entity):
    kind = entity.dxftype()
    if kind == "POINT":
        return list(entity.dxf.location)
    if kind == "LWPOLYLINE":
        return [c for p in entity.get_points("xy") for c in p] + [entity.dxf.elevation]
    if kind == "LINE":
        return list(entity.dxf.start) + list(entity.dxf.end)
    if kind == "ARC":
        return list(entity.dxf.center) + [entity.dxf.radius, entity.dxf.start_angle, entity.dxf.end_angle]
    return []


def xdata_of(entity):
    apps = entity.xdata.data if entity.xdata is not None else []
    return {app: [[code, value] for code, value in entity.get_xdata(app)] for app in apps}


def check(path, expected_path):
    with open(expected_path, encoding="utf-8") as f:
        expected = json.load(f)
    doc, problems = load(path)
    entities = list(doc.modelspace())
    if len(entities) != len(expected["entities"]):
        problems.append(f"{len(entities)} entities, expected {len(expected['entities'])}")
    # ezdxf adds the layer "Defpoints" to every drawing it loads.
    layers = [layer.dxf.name for layer in doc.layers if layer.dxf.name != "Defpoints"]
    problems += [f"layer {name!r} missing from {layers!r}" for name in expected["layers"] if name not in layers]
    if len(layers) != len(expected["layers"]):
        problems.append(f"{len(layers)} layers, expected {len(expected['layers'])}: {layers!r}")
    for entity, want in zip(entities, expected["entities"]):
        where = f"entity {entity.dxf.handle}"
        if entity.dxftype() != want["type"]:
            problems.append(f"{where}: type {entity.dxftype()}, expected {want['type']}")
            continue
        got = {"layer": entity.dxf.layer, "xdata": xdata_of(entity), "coordinates": len(coordinates(entity))}
        if "closed" in want:
            got["closed"] = entity.closed
        for key, value in got.items():
            wanted = len(want[key]) if key == "coordinates" else want[key]
            if value != wanted:
                problems.append(f"{where}: {key} {value!r}, expected {wanted!r}")
        # ARC angles are converted to degrees on the way; compare them within rounding.
        for i, (a, b) in enumerate(zip(coordinates(entity), want["coordinates"])):
            if (abs(a - b) > 1e-9) if entity.dxftype() == "ARC" and i >= 4 else a != b:
                problems.append(f"{where}: coordinate {i} is {a!r}, expected {b!r}")
    return problems + view_problems(doc, bbox.extents(entities)) + ogr_problems(path, expected)


def ogrinfo(*arguments):
    """What GDAL's ogrinfo prints for the arguments, or None when it is not installed."""
    if shutil.which("ogrinfo") is None:
        return None
    return subprocess.run(["ogrinfo", *arguments], capture_output=True, text=True).stdout


def feature_count(path):
    found = re.search(r"Feature Count: (\d+)", ogrinfo("-al", "-so", path))
    return int(found.group(1)) if found else -1


def ogr_problems(path, expected):
    """ogrinfo, with no configuration but its raw code values, finds every entity and shows its
    layer and each block of extended data under its application's name, the texts as they were."""
    raw = ogrinfo("--config", "DXF_INCLUDE_RAW_CODE_VALUES", "TRUE", "-al", path)
    if raw is None:
        return []
    if feature_count(path) != len(expected["entities"]):
        return [f"ogrinfo finds {feature_count(path)} features, expected {len(expected['entities'])}"]
    wanted = [f"Layer (String) = {e['layer']}" for e in expected["entities"]]
    wanted += [f"1000 {value}" for e in expected["entities"] for tags in e["xdata"].values()
               for code, value in tags if code == 1000]
    problems = [f"ogrinfo does not show {text!r}" for text in wanted if text not in raw]
    for app in {app for e in expected["entities"] for app in e["xdata"]}:
        blocks = sum(app in e["xdata"] for e in expected["entities"])
        if raw.count(f"1001 {app},") != blocks:
            problems.append(f"ogrinfo shows {raw.count(f'1001 {app},')} blocks of {app}, expected {blocks}")
    return problems


def view_problems(doc, box):
    """What a program opening the file would get wrong: extents, viewport, point marks, colours."""
    problems = []
    low, high = doc.header["$EXTMIN"], doc.header["$EXTMAX"]
    for axis in range(2):
        if abs(low[axis] - box.extmin[axis]) > 1e-9 or abs(high[axis] - box.extmax[axis]) > 1e-9:
            problems.append(f"extents {low}..{high}, ezdxf finds {box.extmin}..{box.extmax}")
    active = doc.viewports.get("*Active")
    if len(active) != 1:
        problems.append(f"{len(active)} *Active viewports")
    else:
        view = active[0].dxf
        half_width, half_height = view.height * view.aspect_ratio / 2, view.height / 2
        if not (view.center[0] - half_width <= box.extmin[0] and box.extmax[0] <= view.center[0] + half_width
                and view.center[1] - half_height <= box.extmin[1] and box.extmax[1] <= view.center[1] + half_height):
            problems.append(f"view {view.center} x {view.height} (aspect {view.aspect_ratio}) misses the extents")
    problems += point_style_problems(doc)
    colours = [layer.dxf.color for layer in doc.layers if layer.dxf.name not in ("0", "Defpoints")]
    if 7 in colours or len(set(colours)) != len(colours):
        problems.append(f"layer colours {colours}: not one of its own each")
    return problems


def point_style_problems(doc):
    dots = doc.header.get("$PDMODE", 0) == 0 or doc.header.get("$PDSIZE", 0) <= 0
    return ["points are drawn as dots"] if dots else []


def make_base(path, version):
    doc = ezdxf.new(version)
    # Before R2007 text is in the code page; ezdxf would otherwise write \U+ escapes it cannot read back.
    doc.encoding = "cp932"
    doc.layers.add("既存", color=3)
    doc.layers.add("Hatch")
    doc.appids.add("OTHER_APP")
    msp = doc.modelspace()
    msp.add_text("既存の文字", dxfattribs={"layer": "既存", "insert": (10, 20)})
    msp.add_mtext("複数行\\Pの文字", dxfattribs={"layer": "既存", "insert": (30, 40)})
    hatch = msp.add_hatch(color=2, dxfattribs={"layer": "Hatch"})
    hatch.paths.add_polyline_path([(0, 0), (10, 0), (10, 10), (0, 10)], is_closed=True)
    block = doc.blocks.new(name="MARK")
    block.add_circle((0, 0), radius=1.5)
    block.add_attdef("NO", (0, -2), dxfattribs={"height": 0.5})
    insert = msp.add_blockref("MARK", (5, 5), dxfattribs={"layer": "既存"})
    insert.add_attrib("NO", "番号1", (5, 3))
    circle = msp.add_circle((100, 100), radius=2.25)
    circle.set_xdata("OTHER_APP", [(1000, "keep me"), (1070, 42)])
    dictionary = doc.rootdict.add_new_dict("SURVEY_SETTINGS")
    xrecord = dictionary.add_xrecord("ORIGIN")
    xrecord.reset([(1, "平面直角座標系 IX"), (40, 12.5)])
    doc.header["$CLAYER"] = "既存"
    doc.saveas(path)
    return []


def attributes(entity):
    attributes = entity.dxf.all_existing_dxf_attribs()
    kind = entity.dxftype()
    if kind == "HATCH":
        attributes["paths"] = [[tuple(v) for v in p.vertices] for p in entity.paths]
    if kind == "INSERT":
        attributes["attribs"] = [(a.dxf.tag, a.dxf.text) for a in entity.attribs]
    if kind == "MTEXT":
        attributes["text"] = entity.text
    return {k: (tuple(v) if hasattr(v, "__iter__") and not isinstance(v, (str, list, dict)) else v)
            for k, v in attributes.items()}


def compare_base(base_path, out_path, new_count):
    base = ezdxf.readfile(base_path)
    out, problems = load(out_path)
    for entity in base.modelspace():
        other = out.entitydb.get(entity.dxf.handle)
        if other is None:
            problems.append(f"{entity.dxftype()} {entity.dxf.handle} is missing")
            continue
        if attributes(other) != attributes(entity) or xdata_of(other) != xdata_of(entity):
            problems.append(f"{entity.dxftype()} {entity.dxf.handle} changed: {attributes(entity)} -> {attributes(other)}")
    for layer in base.layers:
        other = out.layers.get(layer.dxf.name)
        if other is None or other.dxf.handle != layer.dxf.handle or other.dxf.color != layer.dxf.color:
            problems.append(f"layer {layer.dxf.name} changed or missing")
    for block in base.blocks:
        if block.name.lower() == "*model_space":
            continue  # the import adds to it; compared entity by entity above
        if block.name not in out.blocks:
            problems.append(f"block {block.name} missing")
            continue
        mine = [attributes(e) for e in block]
        theirs = [attributes(e) for e in out.blocks.get(block.name)]
        if mine != theirs:
            problems.append(f"block {block.name} changed")
    settings = out.rootdict.get("SURVEY_SETTINGS")
    if settings is None or settings.get("ORIGIN") is None:
        problems.append("dictionary SURVEY_SETTINGS or its XRECORD is missing")
    elif list(settings.get("ORIGIN").tags) != list(base.rootdict.get("SURVEY_SETTINGS").get("ORIGIN").tags):
        problems.append("XRECORD ORIGIN changed")
    base_count, out_count = len(base.modelspace()), len(out.modelspace())
    if out_count != base_count + new_count:
        problems.append(f"{out_count} entities, expected {base_count} + {new_count}")
    low, high = out.header["$EXTMIN"], out.header["$EXTMAX"]
    for entity in out.modelspace():
        for name in ("insert", "center", "location", "start", "end"):
            point = entity.dxf.get(name) if entity.dxf.is_supported(name) else None
            if point is not None and not all(low[i] <= point[i] <= high[i] for i in range(2)):
                problems.append(f"{entity.dxftype()} {entity.dxf.handle} {name} {point} outside {low}..{high}")
    problems += point_style_problems(out)  # the base draws them as dots
    if out.header["$CLAYER"] != base.header["$CLAYER"]:
        problems.append(f"$CLAYER {out.header['$CLAYER']!r}")
    # ezdxf hands out handles of its own while loading: look at the file itself.
    seed, highest = 0, 0
    with open(out_path, encoding="utf-8") as f:
        lines = [line.strip() for line in f]
    for i in range(0, len(lines) - 1, 2):
        if lines[i] in ("5", "105") and lines[i - 2:i - 1] != ["9"]:
            highest = max(highest, int(lines[i + 1], 16))
        if lines[i] == "9" and lines[i + 1] == "$HANDSEED":
            seed = int(lines[i + 3], 16)
    if seed <= highest:
        problems.append(f"$HANDSEED {seed:X} not above handle {highest:X}")
    # GDAL, with no configuration, finds the base's entities besides ours, its texts and layers.
    shown = ogrinfo("-al", out_path)
    if shown is not None and feature_count(out_path) <= new_count:
        problems.append(f"ogrinfo finds {feature_count(out_path)} features, not more than {new_count}")
    texts = ("Text (String) = 既存の文字", "Layer (String) = 既存", "番号1")
    return problems + [f"ogrinfo does not show {t!r}" for t in texts if shown is not None and t not in shown]


def main(argv):
    commands = {"check": check, "make-base": make_base,
                "compare-base": lambda base, out, count: compare_base(base, out, int(count))}
    problems = commands[argv[1]](*argv[2:])
    print("\n".join(problems[:40]) if problems else "OK")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
