"""What the end-to-end Python tests share: the host they run (the first argument), each check
printed as it is made, a temporary folder per part and the status they end with, the small survey
they import, how they write SIMA files and read our records back from a drawing, and the
independent judges they share: the report's JSON schema and PROJ's cs2cs."""
import importlib
import json
import os
import shutil
import subprocess
import sys
import tempfile

KESTREL = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else "kestrel"
SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
EXAMPLES = os.path.join(SOURCE, "examples")
# LandXML files carry the time they were written: a fixed one makes runs comparable.
ENV = dict(os.environ, SOURCE_DATE_EPOCH="1700000000")
failures = []

POINTS = [  # number, name, X (north), Y (east), Z (None: no elevation, so no point in a drawing)
    (1, "基準点１", 1000.125, 2000.5, 10.25),
    (2, "No.2", -23795.96, -32832.251, 0.0),
    (3, "髙野～", 0.1, 0.2, 0.3),
    (4, "NoZ", 5.0, 5.0, None),
]
# The points, a closed lot 7 through points 1 to 3 and an open lot 8 from point 3 to 4.
LINES = (["A00,"] + [f"A01,{n},{name},{x},{y},{'' if z is None else z}," for n, name, x, y, z in POINTS]
         + ["A99,", "D00,7,画地七,1,", "B01,1,a,", "B01,2,b,", "B01,3,c,", "D99,",
            "D00,8,開放,2,", "B01,3,c,", "B01,4,d,", "D99,"])


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


def run(*args, **options):
    """Runs the host; its completed process, output as text."""
    return subprocess.run([KESTREL, *args], capture_output=True, text=True, errors="replace", env=ENV,
                          **options)


def report(*args, **options):
    """Runs the host with --json; (status, the report, or None when stdout is no JSON)."""
    r = run(*args, "--json", **options)
    try:
        return r.returncode, json.loads(r.stdout)
    except ValueError:
        return r.returncode, None


def main(*parts):
    """Runs each part in a folder of its own; the test's exit status."""
    top = tempfile.mkdtemp(prefix="kestrel-test-")
    try:
        for part in parts:
            folder = os.path.join(top, part.__name__)
            os.mkdir(folder)
            part(folder)
    finally:
        shutil.rmtree(top, ignore_errors=True)
    print(f"{len(failures)} failed" if failures else "all passed")
    return 1 if failures else 0


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write_sima(folder, name, lines, encoding="cp932"):
    path = os.path.join(folder, name)
    with open(path, "w", encoding=encoding, newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")
    return path


def xdata(entity, app):
    """The values of an ezdxf entity's extended data of one application, or None."""
    return [value for _, value in entity.get_xdata(app)] if entity.has_xdata(app) else None


def need(module, package):
    """A module the test cannot run without; without it the test is skipped (status 77)."""
    try:
        return importlib.import_module(module)
    except ImportError:
        print(f"skip: {package} is not installed")
        sys.exit(77)


def records(path):
    """A CP932 SIMA file's records, each a list of its fields."""
    with open(path, encoding="cp932") as f:
        return [line.strip().split(",") for line in f]


def schema_errors(doc):
    """What a --json report breaks of docs/kestrel-report.schema.json (the schema checked first)."""
    jsonschema = need("jsonschema", "python3-jsonschema")
    with open(os.path.join(SOURCE, "docs", "kestrel-report.schema.json"), encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.Draft7Validator.check_schema(schema)
    return [e.message for e in jsonschema.Draft7Validator(schema).iter_errors(doc)]


def cs2cs(source, target, pairs):
    """PROJ's command line tool: each (a, b) in the source system's axis order, in the target's."""
    text = "".join(f"{a} {b}\n" for a, b in pairs)
    out = subprocess.run(["cs2cs", "-f", "%.12f", source, target], input=text, capture_output=True,
                         text=True, check=True).stdout
    return [tuple(float(v) for v in line.split()[:2]) for line in out.splitlines()]
