#!/usr/bin/env python3
"""Inputs whose cost once grew with the square of a count, imported end to end.

  hostile_end_to_end.py KESTREL [--runs 3] [--dir DIR] [--only NAME ...]

Writes each input into DIR (a fresh temporary folder by default), runs `KESTREL import` on it with
the DXF and LandXML written, and prints the best wall and CPU time over the runs, the peak
resident size and the exit status. Two groups:

  names:  100,000 points with distinct names, all one name, all empty (the LandXML writer makes
          the names unique); the last two must take at most twice the first.
  routes: a route through 50,000 collinear points and one naming a single point 50,000 times;
          each must take under a second.
  the shapes of the fuzzing and code-reading findings: the same, smaller, as they were first
  timed; point numbers that are multiples of 65536; results placed along a route of many
  elements; LandXML with CgPoints nested 10,000 deep; base drawings with a handle at the top of
  the range, with 50,000 applications and with 20,000 object-data tables.
"""
import argparse
import os
import resource
import subprocess
import sys
import tempfile
import time

CRLF = "\r\n"


def lines(*parts):
    return CRLF.join(parts) + CRLF


def points(n, name, z="0"):
    return ["A00,"] + [f"A01,{k},{name(k)},{k},{k % 7},{z}," for k in range(1, n + 1)] + ["A99,"]


def route(numbers, type_=2):
    return [f"F00,1,1,r,{type_},"] + [f"B01,{k},P,"for k in numbers] + ["F99,"]


def sima_inputs():
    """name -> (file text, extra arguments, files to write first)"""
    n = 100000
    cases = {
        "names-distinct": lines(*points(n, lambda k: f"P{k}", "1.0")),
        "names-one": lines(*points(n, lambda k: "X", "1.0")),
        "names-empty": lines(*points(n, lambda k: "", "1.0")),
        "route-collinear-50000": lines(*points(50000, lambda k: f"P{k}"), *route(range(1, 50001))),
        "route-repeats-50000": lines("A00,", "A01,1,P1,0,0,0,", "A99,", *route([1] * 50000)),
        "finding-dup-32000": lines("A00,", "A01,1,P1,0,0,0,", "A99,", *route([1] * 32000)),
        "finding-collinear-16000": lines(*points(16000, lambda k: f"P{k}"), *route(range(1, 16001))),
        "finding-samename-32000": lines(*points(32000, lambda k: "X")),
    }
    multiples = [k * 65536 for k in range(16, 32768)]
    hashed = ["A00,"] + [f"A01,{v},P{i},{i},{i % 7},0," for i, v in enumerate(multiples[:32000])]
    cases["finding-hash-32000"] = lines(*hashed, "A99,", "D00,1,lot,1,",
                                        *[f"B01,{v},P," for v in multiples[:32000]], "D99,")
    lookups = ["A00,"] + [f"A01,{v},P{i},{i},{i % 7},0," for i, v in enumerate(multiples)]
    cases["finding-hashlookup-80000"] = lines(
        *lookups, "A99,", "D00,1,lot,1,", *[f"B01,{multiples[-1 - i % 2]},P," for i in range(80000)],
        "D99,")
    zigzag = ["A00,"] + [f"A01,{k},P{k},{k % 2},{k},0," for k in range(1, 16001)] + ["A99,"]
    cases["finding-results-16000"] = lines(
        *zigzag, *route(range(1, 16001)), "H00,1,v,",
        *[f"H01,S{k},{16000 - 2 + k * 1e-9:.9f},1,1,1," for k in range(16000)], "H99,")
    return cases


def nested_landxml(depth=10000):
    return ('<?xml version="1.0"?>\n<LandXML xmlns="http://www.landxml.org/schema/LandXML-1.2" '
            'version="1.2">' + "<CgPoints>" * depth + "</CgPoints>" * depth + "</LandXML>\n")


def base_drawings(kestrel, folder):
    """Base drawings made from one this build writes: a handle at the top of the range, many
    applications, many object-data tables."""
    small = os.path.join(folder, "small.sim")
    with open(small, "w") as out:
        out.write(lines("A00,", "A01,1,P1,0,0,0,", "A99,"))
    base = os.path.join(folder, "small.dxf")
    subprocess.run([kestrel, "import", small, "-o", base, "--landxml", base + ".xml"],
                   capture_output=True, check=True)
    text = open(base, encoding="utf-8").read()
    drawings = {"dxf-largest-handle": text.replace("AcDbPoint\n", "AcDbPoint\n  5\nFFFFFFFFFFFFFFFF\n", 1)}
    table_end = text.index("  0\nENDTAB\n", text.index("  2\nAPPID\n"))
    apps = "".join(f"  0\nAPPID\n  5\n{0x100000 + i:X}\n100\nAcDbSymbolTableRecord\n100\n"
                   f"AcDbRegAppTableRecord\n  2\nAPP{i}\n 70\n0\n" for i in range(50000))
    drawings["dxf-applications-50000"] = text[:table_end] + apps + text[table_end:]
    marker = "KESTREL_OBJECT_DATA\n350\n"
    dictionary = text[text.index(marker) + len(marker):].split("\n", 1)[0]
    at = text.index(f"  0\nDICTIONARY\n  5\n{dictionary}\n")
    end = text.index("  0\n", at + 4)
    count = 20000
    entries = "".join(f"  3\nT{i}\n350\n{0x200000 + i:X}\n" for i in range(count))
    records = "".join(f"  0\nXRECORD\n  5\n{0x200000 + i:X}\n330\n{dictionary}\n100\nAcDbXrecord\n"
                      f"280\n1\n  1\nT{i}\n  3\n\n 70\n0\n301\nNo\n 71\n0\n" for i in range(count))
    with_tables = text[:end] + entries + records + text[end:]
    start = with_tables.index("  2\nENTITIES\n") + len("  2\nENTITIES\n")
    entities = "".join(f"  0\nPOINT\n  5\n{0x300000 + i:X}\n100\nAcDbEntity\n  8\n0\n100\nAcDbPoint\n"
                       f" 10\n{i}\n 20\n0\n 30\n0\n1001\nT{count - 1 - i}\n1070\n{i}\n" for i in range(count))
    drawings["dxf-object-data-tables-20000"] = with_tables[:start] + entities + with_tables[start:]
    return small, drawings


def timed(command, runs, outputs=()):
    best_wall = best_cpu = float("inf")
    peak = 0
    status = 0
    for _ in range(runs):
        # Every run starts without the outputs of the last, which the host would refuse to replace.
        for path in outputs:
            if os.path.exists(path):
                os.remove(path)
        start = time.perf_counter()
        child = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        _, raw, usage = os.wait4(child.pid, 0)
        best_wall = min(best_wall, time.perf_counter() - start)
        best_cpu = min(best_cpu, usage.ru_utime + usage.ru_stime)
        peak = max(peak, usage.ru_maxrss)
        status = os.waitstatus_to_exitcode(raw)
    return best_wall, best_cpu, peak / 1024, status


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("kestrel")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--dir")
    parser.add_argument("--only", nargs="*")
    args = parser.parse_args()
    kestrel = os.path.abspath(args.kestrel)
    folder = args.dir or tempfile.mkdtemp(prefix="kestrel-hostile-")
    os.makedirs(folder, exist_ok=True)
    jobs = []
    for name, text in sima_inputs().items():
        path = os.path.join(folder, name + ".sim")
        with open(path, "w") as out:
            out.write(text)
        jobs.append((name, [path]))
    small, drawings = base_drawings(kestrel, folder)
    nested = os.path.join(folder, "nested-cgpoints-10000.xml")
    with open(nested, "w") as out:
        out.write(nested_landxml())
    jobs.append(("landxml-nested-10000", [small, "--alignments", nested]))
    for name, text in drawings.items():
        path = os.path.join(folder, name + ".dxf")
        with open(path, "w", encoding="utf-8") as out:
            out.write(text)
        jobs.append((name, [small, "--drawing", path]))
    results = {}
    print(f"{'input':32} {'wall s':>8} {'cpu s':>8} {'peak MB':>8} {'exit':>5}")
    for name, arguments in jobs:
        if args.only and name not in args.only:
            continue
        output = os.path.join(folder, "out-" + name)
        command = [kestrel, "import", *arguments, "-o", output + ".dxf", "--landxml", output + ".xml"]
        wall, cpu, peak, status = timed(command, args.runs, [output + ".dxf", output + ".xml"])
        results[name] = cpu
        print(f"{name:32} {wall:8.3f} {cpu:8.3f} {peak:8.1f} {status:5}")
    if "names-distinct" in results:
        for name in ("names-one", "names-empty"):
            if name in results:
                print(f"{name}: {results[name] / results['names-distinct']:.2f} x names-distinct (CPU)")
    print(f"load average: {os.getloadavg()[0]:.1f}; files in {folder}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
