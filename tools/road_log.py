"""The import log a SIMA file must give, derived from the rules of the import: series lines,
counts, element counts and the result lines, with alignments built from the route's main points
and curve lines the way the import builds them (road_geometry.py, not the product's code).

Only files that pass every record check are handled: a line that a check would reject stops the
derivation with an error, so a generated example is known to be clean.
"""
import math
import re

import road_geometry as geo

HEADER = "----- VUZI_Zovidazed\u3000Version1.0 -----\n\n"
COUNTS = {"G00": 4, "A00": 2, "A01": 7, "A99": 2, "D00": 5, "B01": 4, "B03": 3, "F00": 6,
          "C01": 4, "C02": 5, "C03": 4, "H00": 4, "H01": 7, "H99": 2, "I00": 4, "I01": 6,
          "I02": 5, "I99": 2}
NUMBER_FIELDS = {"G00": [1], "A01": [3, 4, 5], "B03": [1], "C01": [2], "C02": [1, 2, 3],
                 "C03": [1, 2], "H01": [2, 3, 4], "I01": [2, 3, 4], "I02": [2, 3]}
INTEGER_FIELDS = {"A01": [1], "D00": [1], "B01": [1], "F00": [1, 2], "H00": [1], "I00": [1]}
CHOICES = {("D00", 3): ("1", "2"), ("F00", 4): tuple("1234567"), ("C01", 1): ("0", "1"),
           ("H01", 5): ("1", "2")}
SERIES_CODES = {"A": {"A01", "A99", "Z00"},
                "D": {"B01", "C01", "C02", "C03", "E00", "E01", "E03", "E99", "D99"},
                "F": {"B01", "B03", "B04", "C00", "C01", "C02", "C03", "C04", "C99", "F03", "F99"},
                "H": {"H01", "H99"}, "I": {"I01", "I02", "I99"}}
ALIGNMENT_TYPES = (2, 3, 7)
POLYLINE_LABELS = {1: "路線成果-IP線", 4: "路線成果-幅杭線左", 5: "路線成果-幅杭線右",
                   6: "路線成果-連続線（直線のみ）"}


class Derived:
    def __init__(self):
        self.progress, self.errors = [], []
        self.points = {}  # number -> (east, north, elevation or None), first one wins
        self.routes = {}  # route number -> (name, alignment or None)
        self.alignments = {}  # name -> alignment
        self.made = {"points": 0, "lots": 0, "alignments": [], "polylines": {},
                     "vertical": 0, "cross": 0}
        self.text = ""

    @property
    def counts(self):
        m = self.made
        return (f"{m['points']} points drawn, {m['lots']} lots, alignments {m['alignments']}, "
                f"polylines by type {m['polylines']}, {m['vertical']} vertical and "
                f"{m['cross']} cross-section points, {len(self.errors) // 4} errors")


def is_number(text):
    text = text.strip(" \t\u3000").replace("\u3000", " ")
    try:
        if float(text or "0") <= 0:
            text = text.replace("-", "")
    except ValueError:
        return False
    return text.count(".") <= 1 and re.fullmatch(r"[0-9]*", text.replace(".", "")) is not None


def check(number, fields):
    """The record check of the line's code; any rejection is a fault of the generated file."""
    code = fields[0]
    want = COUNTS.get(code)
    problem = None
    if want is not None and len(fields) != want:
        problem = f"{len(fields)} fields, {want} wanted"
    for i in NUMBER_FIELDS.get(code, []) if problem is None else []:
        if not is_number(fields[i]):
            problem = f"field {i} is not a number"
    for i in INTEGER_FIELDS.get(code, []) if problem is None else []:
        if not re.fullmatch(r"[0-9]*", fields[i].strip()):
            problem = f"field {i} is not an integer"
    for (c, i), allowed in CHOICES.items():
        if problem is None and c == code and fields[i] not in allowed:
            problem = f"field {i} is not one of {allowed}"
    if problem:
        raise ValueError(f"line {number} would be rejected ({problem}): {','.join(fields)}")


def derive(lines):
    """The log text for a file's lines (without their line ends), and its alignments."""
    d = Derived()
    walker = iter(enumerate(lines, start=1))
    last = 0
    for number, line in walker:
        last = number
        fields = line.strip().split(",")
        code = fields[0]
        if code == "G00":
            check(number, fields)
            d.progress.append(f"{number:05d} G01 SIMAのバージョン： {fields[1]}\n")
        elif code in ("A00", "D00", "F00", "H00", "I00"):
            check(number, fields)
            last = {"A00": read_points, "D00": read_lot, "F00": read_route, "H00": read_vertical,
                    "I00": read_sections}[code](d, number, fields, walker)
        elif code == "C00":
            for last, inner in walker:
                if inner.strip().split(",")[0] == "C99":
                    break
    d.progress.append(f"{last:05d}     読み込み終了")
    d.text = HEADER + "".join(p + "\n" for p in d.progress + d.errors)
    d.text += "".join(r + "\n" for r in result_lines(d))
    return d


def series(walker, kind, end):
    """The lines of a series up to and including its end record: (number, fields)."""
    for number, line in walker:
        fields = line.strip().split(",")
        if fields[0] not in SERIES_CODES[kind]:
            raise ValueError(f"line {number}: {fields[0]} does not belong to the {kind} series")
        if fields[0] in COUNTS:
            check(number, fields)
        yield number, fields
        if fields[0] == end:
            return
    raise ValueError(f"the {kind} series has no {end}")


def read_points(d, start, _, walker):
    d.progress.append(f"{start:05d} A00 座標データの読み込み開始")
    with_z = without_z = 0
    for number, fields in series(walker, "A", "A99"):
        if fields[0] == "A01":
            z = fields[5].strip()
            d.points.setdefault(int(fields[1]), (float(fields[4]), float(fields[3]),
                                                 float(z) if z else None))
            with_z, without_z = (with_z + 1, without_z) if z else (with_z, without_z + 1)
    d.progress += [f"{number:05d} A99 座標データの読み込み終了", f"          {with_z}点のポイント",
                   f"          {without_z}点の2次元ポイント\n"]
    d.made["points"] += with_z
    return number


def read_lot(d, start, _, walker):
    d.progress.append(f"{start:05d} D00 画地データの読み込み開始")
    vertices = 0
    for number, fields in series(walker, "D", "D99"):
        if fields[0] == "B01":
            if int(fields[1]) not in d.points:
                raise ValueError(f"line {number}: no point {fields[1]}")
            vertices += 1
    d.progress += [f"{number:05d} D99 画地データの読み込み終了", f"          {vertices}点の構成点"]
    d.made["lots"] += 1
    return number


def read_route(d, start, header, walker):
    d.progress.append(f"{start:05d} F00 路線データの読み込み開始")
    kind, name, station = int(header[4]), header[3], 0.0
    elements = []
    for number, fields in series(walker, "F", "F99"):
        code = fields[0]
        if code == "F03":
            station = float(fields[1])
        elif code == "B01":
            east, north, _ = d.points[int(fields[1])]
            if elements:
                elements[-1]["end"] = (east, north)
            elements.append({"type": "S", "start": (east, north)})
        elif code in ("C01", "C02"):
            if kind not in ALIGNMENT_TYPES:
                raise ValueError(f"line {number}: a curve line in a route of type {kind}")
            radii = [float(fields[2])] if code == "C01" else [float(f) for f in fields[2:4]]
            elements[-1].update(type="R" if code == "C01" else "A", radii=radii,
                                a=float(fields[1]) if code == "C02" else None,
                                turn=1 if min(radii) < 0 else -1)
    d.progress.append(f"{number:05d} F99 路線データの読み込み終了")
    alignment = None
    if kind in ALIGNMENT_TYPES:
        alignment = build_alignment(name, elements[:-1], station)
        d.alignments[name] = alignment
        d.made["alignments"].append(name)
        d.progress += [f"          平面線形\u201d{name}\u201d", f"          {len(elements)}個の線形要素\n"]
    else:
        d.progress.append(f"          {len(elements)}点の構成点\n")
        if len(elements) > 1:
            d.made["polylines"][kind] = d.made["polylines"].get(kind, 0) + 1
    d.routes.setdefault(int(header[1]), (name, alignment))
    return number


def build_alignment(name, elements, station):
    """The alignment the import builds from a route's closed elements: zero-length elements
    dropped, straight runs within 1 degree merged, then each element made in turn, an arc or
    clothoid handing its computed end to the next element as that element's start."""
    elements = [e for e in elements if math.dist(e["start"], e["end"]) > 1e-9]
    i = 0
    while i + 1 < len(elements):
        a, b = elements[i], elements[i + 1]
        if a["type"] == b["type"] == "S":
            ai, aj = direction(a), direction(b)
            if aj - math.radians(1.0) <= ai <= aj + math.radians(1.0):
                a["end"] = b["end"]
                del elements[i + 1]
                continue
        i += 1
    made, chained = [], None
    for e in elements:
        start = chained or e["start"]
        if e["type"] == "S":
            made.append(geo.Line(start, e["end"]))
            chained = None
            continue
        if e["type"] == "R":
            made.append(geo.Arc.through(start, e["end"], abs(e["radii"][0]), e["turn"]))
        else:
            r_start, r_end = e["radii"]
            if r_start != 0.0 and r_end != 0.0:
                raise ValueError("a clothoid between two arcs is not supported here")
            entering = r_start == 0.0
            radius = abs(r_end if entering else r_start)
            made.append(geo.spiral_fitted(start, e["end"], e["a"], radius, e["turn"], entering))
        chained = made[-1].end
    return geo.Alignment(name, made, station)


def direction(element):
    (x1, y1), (x2, y2) = element["start"], element["end"]
    return math.atan2(y2 - y1, x2 - x1) % (2.0 * math.pi)


def route_alignment(d, header):
    """(name, alignment) of the route the series names, or ("", None)."""
    return d.routes.get(int(header[1] or 0), ("", None))


def outside(d, message, number, line):
    d.errors += ["ERROR " + "-" * 56, f"ErrX001 {message}", f"{number:05d}行目 {line}", "-" * 62]


def read_vertical(d, start, header, walker):
    name, alignment = route_alignment(d, header)
    d.progress += [f"{start:05d} H00 縦断成果データの読み込み開始",
                   f"          中心線\u201d{name}\u201dの縦断成果データ"]
    records = []
    for number, fields in series(walker, "H", "H99"):
        if fields[0] == "H01":
            records.append((number, fields))
    stations = [float(f[2]) for _, f in records]
    if len(set(stations)) != len(stations):
        raise ValueError("equal stations in the H series: spread walls are not derived here")
    for (line_number, fields), station in zip(records, stations):
        if alignment is None or alignment.locate(station) is None:
            outside(d, "次の縦断成果を作成できませんでした。（線形範囲外の測点です）",
                    line_number, ",".join(fields))
        else:
            d.made["vertical"] += 1
    d.progress += [f"{number:05d} H99 縦断成果データの読み込み終了", f"          {len(records)}点のポイント\n"]
    return number


def read_sections(d, start, header, walker):
    name, alignment = route_alignment(d, header)
    d.progress += [f"{start:05d} I00 横断成果データの読み込み開始",
                   f"          中心線\u201d{name}\u201dの横断成果データ"]
    sections = []

    def close():
        if sections:
            offsets = sections[-1][2]
            d.progress.append(f"          {len(offsets) + (0.0 not in offsets)}個のポイント")

    for number, fields in series(walker, "I", "I99"):
        if fields[0] == "I01":
            close()
            sections.append((number, fields, []))
            d.progress.append(f"{number:05d} I01 断面 {fields[1].strip()} データを処理")
        elif fields[0] == "I02":
            sections[-1][2].append(float(fields[2]))
    close()
    for line_number, fields, offsets in sections:
        if alignment is None or alignment.locate(float(fields[2])) is None:
            outside(d, "次の横断成果を作成できませんでした。（線形範囲外の測点です）",
                    line_number, ",".join(fields))
        else:
            d.made["cross"] += len(offsets) + (0.0 not in offsets)
    d.progress += [f"{number:05d} I99 横断成果データの読み込み終了",
                   f"          {sum(len(s[2]) + (0.0 not in s[2]) for s in sections)}点のポイント\n"]
    return number


def result_lines(d):
    m = d.made
    errors = len(d.errors) // 4
    lines = [f"{errors}個のエラー" if errors else "エラー無し"]
    if m["points"]:
        lines.append(f"座標データから{m['points']}個のポイントを作成")
    if m["lots"]:
        lines.append(f"画地データから{m['lots']}個のポリラインを作成")
    lines += [f"平面線形【{name}】を作成" for name in m["alignments"]]
    for kind, label in POLYLINE_LABELS.items():
        if m["polylines"].get(kind):
            lines.append(f"{label}から{m['polylines'][kind]}個のポリラインを作成")
    if m["vertical"]:
        lines.append(f"縦断成果から{m['vertical']}個のポイントを作成")
    if m["cross"]:
        lines.append(f"横断成果から{m['cross']}個のポイントを作成")
    return lines
