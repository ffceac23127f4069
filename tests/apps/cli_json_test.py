#!/usr/bin/python3
"""kestrel's --json reports of real runs (imported, partial, nothing to import, usage errors, scan,
batches, the encoding's reason, --tolerant counts) held against docs/kestrel-report.schema.json; and batches: a folder of good, hostile and
missing-alignment files imported with -j 2 gives every file the outputs a run of that file alone
gives (its GIS dataset included), byte for byte, and the worst status; a missing file stops none of
the others.

  cli_json_test.py KESTREL_BINARY SCHEMA EXAMPLES_DIR
Prints one line per check and exits non-zero when any failed.
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile

import jsonschema

KESTREL, SCHEMA, EXAMPLES = sys.argv[1:4]
# LandXML files carry the time they were written: a fixed one makes runs comparable.
ENV = dict(os.environ, SOURCE_DATE_EPOCH="1700000000")
CASES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "cases")


sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from checks import check, outcome  # noqa: E402


def report(*args):
    """Runs kestrel with --json; (status, the report, or None when stdout is no JSON)."""
    r = subprocess.run([KESTREL, *args, "--json"], capture_output=True, env=ENV)
    try:
        return r.returncode, json.loads(r.stdout)
    except ValueError:
        return r.returncode, None


def write(path, content):
    with open(path, "wb") as f:
        f.write(content.encode("utf-8") if isinstance(content, str) else content)
    return path


def read(path):
    with open(path, "rb") as f:
        return f.read()


def main():
    with open(SCHEMA, encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.Draft7Validator.check_schema(schema)
    validator = jsonschema.Draft7Validator(schema)

    def valid(document, what):
        errors = [] if document is None else list(validator.iter_errors(document))
        check(document is not None and not errors,
              f"{what}: valid against the schema {[e.message for e in errors][:3]}")

    top = tempfile.mkdtemp(prefix="kestrel-json-")
    try:
        inputs = os.path.join(top, "in")
        os.mkdir(inputs)
        good = os.path.join(inputs, "good.sim")
        shutil.copy(os.path.join(EXAMPLES, "road.sim"), good)
        hostile = write(os.path.join(inputs, "hostile.sim"),
                        b"A00,\r\nA01,1,a\tb\x0bc,1,1,1,\r\nA01,2,\xff\xfe,2,2,2,\r\n"
                        b"A01,x,P,1e400,2,3,\r\nA99,\r\n")
        noalign = shutil.copy(os.path.join(CASES, "results-of-an-unknown-route.sim"),
                              os.path.join(inputs, "noalign.sim"))
        empty = write(os.path.join(top, "empty.sim"), "")

        status, doc = report("import", good, "--output-dir", top, "--site", "現場A")
        valid(doc, "imported")
        check(status == 0 and doc["outcome"] == "imported", f"road.sim imports with status 0 ({status})")
        codes = [e["code"] for e in doc["errors"]]
        check(len(codes) == doc["error_count"] == 12 and "PointNotFound" in codes,
              "every error has a code, a point not found included")
        check([w["code"] for w in doc["warnings"]] == ["site_created"] and
              '<Alignments name="現場A">' in read(os.path.join(top, "good.xml")).decode(),
              "a site the document lacks is made, and said")

        status, doc = report("import", good, "-o", os.path.join(top, "forced.dxf"), "--encoding", "utf-8")
        valid(doc, "forced encoding")
        check(doc["encoding"]["replaced_bytes"] > 0 and
              [w["code"] for w in doc["warnings"]] == ["characters_replaced"],
              "CP932 read as UTF-8: the replaced bytes counted and said once")

        # Half-width kana whose CP932 bytes are valid UTF-8 ("ﾎｼ" is CE BC, also "μ"): CP932, and why.
        kana = shutil.copy(os.path.join(CASES, "half-width-kana.sim"), top)
        status, doc = report("import", kana)
        valid(doc, "half-width kana")
        check(doc["encoding"]["name"] == "cp932" and 'as CP932 "ﾎｼ1"' in doc["encoding"]["reason"],
              f"half-width kana read as CP932, the reason quoting them ({doc['encoding']})")

        # A web GIS's export: strict, every point and boundary point rejected; tolerant, each
        # deviation counted. scan --tolerant counts as the tolerant import reads.
        web = shutil.copy(os.path.join(CASES, "web-gis-export.sim"), top)
        for extra, errors, tolerated in (([], 8, [0, 0]), (["--tolerant", "--overwrite"], 0, [8, 2])):
            status, doc = report("import", web, *extra)
            what = f"web GIS export, {extra[0] if extra else 'strict'}"
            valid(doc, what)
            counts = [doc["tolerated"]["last_field_added"], doc["tolerated"]["elevation_word_dropped"]]
            check(status == 0 and doc["error_count"] == errors and counts == tolerated,
                  f"{what}: {doc['error_count']} errors, tolerated {counts}")
        status, doc = report("scan", web, "--tolerant")
        valid(doc, "scan --tolerant")
        check(doc["encoding"]["reason"] != "", "scan says why it read the encoding it did")

        status, doc = report("import", noalign, "--output-dir", top, "--lang", "en")
        valid(doc, "partial")
        check(status == 4 and doc["counts"]["unplaced_results"] == 1, "results on no alignment: partial, 4")
        check("results_unplaced" in [w["code"] for w in doc["warnings"]], "and said in a warning")

        status, doc = report("import", empty, "--output-dir", top)
        valid(doc, "nothing to import")
        check(status == 3 and doc["error"]["code"] == "nothing_to_import", "empty file: nothing to import, 3")

        for args, code in ((["import", good, "--bogus"], "unknown_option"),
                           (["import", os.path.join(top, "missing.sim")], "input_missing"),
                           (["import", good, "--output-dir", top], "output_exists"),
                           (["import", good, "-o", os.path.join(top, "x.xyz")], "gis_format_unknown"),
                           (["scan"], "missing_argument")):
            status, doc = report(*args)
            valid(doc, f"usage error {code}")
            check(status == 2 and doc["error"]["code"] == code, f"{' '.join(args[:1] + args[2:])}: 2, {code}")

        status, doc = report("scan", good)
        valid(doc, "scan")
        check(status == 0 and doc["entries"][1] == {"key": "D", "label": "画地データ", "count": 2} and
              doc["encoding"]["name"] == "cp932", "scan: labels without trailing blanks, counts, encoding")

        # The folder in one run, two at a time, then each file alone: the same bytes.
        together, alone = os.path.join(top, "together"), os.path.join(top, "alone")
        os.mkdir(together)
        os.mkdir(alone)
        gis = ["-f", "GeoJSON", "--zone", "9"]
        status, doc = report("import", inputs, "-j", "2", "--output-dir", together, "--log", together + "/",
                             *gis)
        valid(doc, "batch")
        statuses = [f["status"] for f in doc["files"]] if doc else []
        check(status == 4 and doc["status"] == 4 and statuses == [0, 0, 4],
              f"batch of good, hostile, missing alignment: files {statuses}, worst 4 ({status})")
        datasets = [o for f in doc["files"] for o in f["outputs"] if o["format"] == "GIS"] if doc else []
        check([o["driver"] for o in datasets] == ["GeoJSON"] * 3 and
              os.path.basename(datasets[0]["files"][0]) == "good_alignment_elements.geojson",
              "every file of the batch has its GIS dataset, each layer's file listed")
        for source in (good, hostile, noalign):
            subprocess.run([KESTREL, "import", "-q", source, "--output-dir", alone, "--log", alone + "/",
                            *gis], env=ENV, check=False)
            stem = os.path.basename(source)[:-4]
            layers = [os.path.basename(f) for o in datasets for f in o["files"]
                      if os.path.basename(f).startswith(stem + "_")]
            for name in [stem + ".dxf", stem + ".xml", stem + "_Input.log", *layers]:
                a, b = os.path.join(together, name), os.path.join(alone, name)
                check(os.path.exists(a) and read(a) == read(b), f"{name}: batch output equals the single run's")

        # A file that is missing fails alone; the others are imported.
        again = os.path.join(top, "again")
        os.mkdir(again)
        status, doc = report("import", os.path.join(top, "missing.sim"), good, "--output-dir", again, "-j", "2")
        valid(doc, "batch with a missing file")
        check(status == 2 and [f["status"] for f in doc["files"]] == [2, 0], "missing file: 2, the other imported")
        check(os.path.exists(os.path.join(again, "good.dxf")), "the other file's drawing is written")
    finally:
        shutil.rmtree(top, ignore_errors=True)
    return outcome()


if __name__ == "__main__":
    sys.exit(main())
