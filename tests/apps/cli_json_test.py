#!/usr/bin/python3
"""kestrel's --json reports of real runs (imported, partial, nothing to import, usage errors, scan,
batches, the encoding's reason, --tolerant counts), each held against
docs/kestrel-report.schema.json; and batches: a folder of good, hostile and missing-alignment files
imported with -j 2 gives every file the outputs a run of that file alone gives (its GIS dataset
included), byte for byte, and the worst status; a missing file stops none of the others.

  cli_json_test.py KESTREL_BINARY
"""
import os
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from e2e import EXAMPLES, check, main, read, report, run, schema_errors  # noqa: E402

CASES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "cases")


def valid_report(what, *args):
    """Runs the host with --json; (status, report), the report held against the schema."""
    status, doc = report(*args)
    errors = [] if doc is None else schema_errors(doc)
    check(doc is not None and not errors, f"{what}: valid against the schema {errors[:3]}")
    return status, doc or {}


def codes(items):
    return [item["code"] for item in items]


def error_code(doc):
    return doc["error"]["code"]


def reports(top):
    inputs = os.path.join(top, "in")
    os.mkdir(inputs)
    good = shutil.copy(os.path.join(EXAMPLES, "road.sim"), os.path.join(inputs, "good.sim"))
    with open(os.path.join(inputs, "hostile.sim"), "wb") as f:
        f.write(b"A00,\r\nA01,1,a\tb\x0bc,1,1,1,\r\nA01,2,\xff\xfe,2,2,2,\r\nA01,x,P,1e400,2,3,\r\nA99,\r\n")
    shutil.copy(os.path.join(CASES, "results-of-an-unknown-route.sim"), os.path.join(inputs, "noalign.sim"))
    open(os.path.join(top, "empty.sim"), "w").close()
    kana = shutil.copy(os.path.join(CASES, "half-width-kana.sim"), top)
    web = shutil.copy(os.path.join(CASES, "web-gis-export.sim"), top)
    missing = os.path.join(top, "missing.sim")
    tolerated = ("tolerated", lambda d: [d["tolerated"][k] for k in ("last_field_added", "elevation_word_dropped")])
    rows = [  # what, arguments, exit status, (what is looked at, how it is read from the report, expected)...
        ("road.sim", ["import", good, "--output-dir", top, "--site", "現場A"], 0,
         ("outcome", lambda d: d["outcome"], "imported"), ("error count", lambda d: d["error_count"], 12),
         ("every error has a code, a point not found included", lambda d: len(codes(d["errors"])) == 12
          and "PointNotFound" in codes(d["errors"]), True),
         ("a site the document lacks is made, and said", lambda d: codes(d["warnings"]), ["site_created"]),
         ("the site's name", lambda d: '<Alignments name="現場A">' in read(top + "/good.xml").decode(), True)),
        ("CP932 read as UTF-8", ["import", good, "-o", os.path.join(top, "forced.dxf"), "--encoding", "utf-8"], 0,
         ("replaced bytes counted", lambda d: d["encoding"]["replaced_bytes"] > 0, True),
         ("and said once", lambda d: codes(d["warnings"]), ["characters_replaced"])),
        # Half-width kana whose CP932 bytes are valid UTF-8 ("ﾎｼ" is CE BC, also "μ"): CP932, and why.
        ("half-width kana", ["import", kana], 0, ("encoding", lambda d: d["encoding"]["name"], "cp932"),
         ("the reason quotes them", lambda d: 'as CP932 "ﾎｼ1"' in d["encoding"]["reason"], True)),
        # A web GIS's export: strict, every point and boundary point rejected; tolerant, each
        # deviation counted. scan --tolerant counts as the tolerant import reads.
        ("web GIS export, strict", ["import", web], 0,
         ("errors", lambda d: d["error_count"], 8), (*tolerated, [0, 0])),
        ("web GIS export, tolerant", ["import", web, "--tolerant", "--overwrite"], 0,
         ("errors", lambda d: d["error_count"], 0), (*tolerated, [8, 2])),
        ("scan --tolerant", ["scan", web, "--tolerant"], 0,
         ("says why", lambda d: d["encoding"]["reason"] != "", True)),
        ("results on no alignment", ["import", os.path.join(inputs, "noalign.sim"), "--output-dir", top, "--lang", "en"],
         4, ("unplaced", lambda d: d["counts"]["unplaced_results"], 1),
         ("said in a warning", lambda d: "results_unplaced" in codes(d["warnings"]), True)),
        ("empty file", ["import", os.path.join(top, "empty.sim"), "--output-dir", top], 3,
         ("error", error_code, "nothing_to_import")),
        ("unknown option", ["import", good, "--bogus"], 2, ("error", error_code, "unknown_option")),
        ("missing input", ["import", missing], 2, ("error", error_code, "input_missing")),
        ("output exists", ["import", good, "--output-dir", top], 2,
         ("error", error_code, "output_exists")),
        ("GIS format", ["import", good, "-o", os.path.join(top, "x.xyz")], 2,
         ("error", error_code, "gis_format_unknown")),
        ("scan, nothing named", ["scan"], 2, ("error", error_code, "missing_argument")),
        ("scan", ["scan", good], 0, ("labels without trailing blanks, counts", lambda d: d["entries"][1],
                                     {"key": "D", "label": "画地データ", "count": 2}),
         ("encoding", lambda d: d["encoding"]["name"], "cp932")),
    ]
    for what, args, expected_status, *looks in rows:
        status, doc = valid_report(what, *args)
        check(status == expected_status, f"{what}: status {status}, expected {expected_status}")
        for name, get, expected in looks:
            try:
                got = get(doc)
            except (KeyError, IndexError, TypeError) as error:
                got = f"missing {error}"
            check(got == expected, f"{what}: {name} {got!r}")
    return inputs, good, missing


def batches(top):
    """The folder in one run, two at a time, then each file alone: the same bytes."""
    inputs, good, missing = reports(top)
    together, alone, again = (os.path.join(top, name) for name in ("together", "alone", "again"))
    for folder in (together, alone, again):
        os.mkdir(folder)
    gis = ["-f", "GeoJSON", "--zone", "9"]
    status, doc = valid_report("batch", "import", inputs, "-j", "2", "--output-dir", together,
                               "--log", together + "/", *gis)
    statuses = [f["status"] for f in doc.get("files", [])]
    check(status == 4 and doc.get("status") == 4 and statuses == [0, 0, 4],
          f"batch of good, hostile, missing alignment: files {statuses}, worst 4 ({status})")
    datasets = [o for f in doc.get("files", []) for o in f["outputs"] if o["format"] == "GIS"]
    check([o["driver"] for o in datasets] == ["GeoJSON"] * 3 and
          os.path.basename(datasets[0]["files"][0]) == "good_alignment_elements.geojson",
          "every file of the batch has its GIS dataset, each layer's file listed")
    for stem in ("good", "hostile", "noalign"):
        run("import", "-q", os.path.join(inputs, stem + ".sim"), "--output-dir", alone,
            "--log", alone + "/", *gis)
        layers = [os.path.basename(f) for o in datasets for f in o["files"]
                  if os.path.basename(f).startswith(stem + "_")]
        for name in [stem + ".dxf", stem + ".xml", stem + "_Input.log", *layers]:
            a, b = os.path.join(together, name), os.path.join(alone, name)
            check(os.path.exists(a) and read(a) == read(b), f"{name}: batch output equals the single run's")

    # A file that is missing fails alone; the others are imported.
    status, doc = valid_report("batch with a missing file", "import", missing, good,
                               "--output-dir", again, "-j", "2")
    check(status == 2 and [f["status"] for f in doc.get("files", [])] == [2, 0], "missing file: 2, the other imported")
    check(os.path.exists(os.path.join(again, "good.dxf")), "the other file's drawing is written")


if __name__ == "__main__":
    sys.exit(main(batches))
