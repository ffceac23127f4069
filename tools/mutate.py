#!/usr/bin/env python3
"""Applies the mutants of tools/mutants.txt to the product code one at a time, rebuilds, runs the
tests and tells which mutants the suite kills. Slow (a build and a test run per mutant): not CI.

    python3 tools/mutate.py [--build-dir build/mutate] [--only ID,...] [--resume FILE] [--out FILE]

The build directory is configured once with
    cmake --preset dev -B build/mutate -DKESTREL_BUILD_BENCH=OFF -DKESTREL_WERROR=ON \
        -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache
A mutant's tests run in two rounds: its `first` regex (the tests likeliest to kill it), then, when
nothing failed, the whole suite. Killed: a test failed. Survived: the whole suite passed. Invalid:
it did not build. Every result is appended to a JSON-lines file as it comes, so that an interrupted
run goes on with --resume FILE.
"""
import argparse
import json
import re
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
KEYS = ("id", "file", "find", "replace", "why", "first")


def read_mutants(path):
    """Blocks of `key: value` lines separated by blank lines; `#` starts a comment line."""
    mutants, block = [], {}
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines() + [""], 1):
        if line.startswith("#"):
            continue
        if not line.strip():
            if block:
                missing = [k for k in ("id", "file", "find", "replace") if k not in block]
                if missing:
                    sys.exit(f"{path}:{number}: mutant {block.get('id', '?')} lacks {missing}")
                mutants.append(block)
                block = {}
            continue
        key, sep, value = line.partition(":")
        if not sep or key.strip() not in KEYS:
            sys.exit(f"{path}:{number}: expected one of {', '.join(KEYS)}: value")
        block[key.strip()] = value[1:] if value.startswith(" ") else value
    ids = [m["id"] for m in mutants]
    if len(ids) != len(set(ids)):
        sys.exit(f"{path}: repeated ids")
    return mutants


def run(command, cwd=ROOT):
    done = subprocess.run(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          text=True, errors="replace")
    return done.returncode, done.stdout


def build(build_dir):
    return run(["cmake", "--build", str(build_dir), "-j2"])


def short_name(test):
    """Value-parameterised names carry a dump of the parameter's bytes: the name is enough."""
    return re.sub(r"(/\d+-byte object <.*|\s+# GetParam\(\).*)$", "", test)[:100]


def first_failure(output):
    """The first test ctest lists as failed, or None when every test it ran passed."""
    listed = re.search(r"The following tests FAILED:\s*\n\s*\d+ - (.+?) \(", output)
    if listed:
        return short_name(listed.group(1))
    if "No tests were found" in output:
        return None
    tail = re.search(r"tests passed, (\d+) tests failed", output)
    return "(unnamed)" if tail and int(tail.group(1)) > 0 else None


def ctest(build_dir, regex=None):
    command = ["ctest", "--test-dir", str(build_dir), "-j2", "--stop-on-failure", "--timeout", "60"]
    if regex:
        command += ["-R", regex]
    code, output = run(command)
    failed = first_failure(output)
    if failed is None and code != 0:
        failed = "(ctest status %d)" % code
    if regex and "No tests were found" in output:
        print(f"    warning: no test matches {regex!r}", flush=True)
    return failed, output


def try_mutant(mutant, build_dir):
    """Applies, builds and tests one mutant; the file is always put back as it was."""
    path = ROOT / mutant["file"]
    original = path.read_bytes()
    text = original.decode("utf-8")
    found = text.count(mutant["find"])
    if found != 1:
        return {"result": "invalid", "test": f"find occurs {found} times", "line": 0}
    at = text.index(mutant["find"])
    line = text.count("\n", 0, at) + 1
    try:
        path.write_bytes(text.replace(mutant["find"], mutant["replace"], 1).encode("utf-8"))
        code, output = build(build_dir)
        if code != 0:
            error = next((l for l in output.splitlines() if "error" in l), "build failed")
            return {"result": "invalid", "test": error.strip()[:120], "line": line}
        failed = None
        if mutant.get("first"):
            failed, _ = ctest(build_dir, mutant["first"])
        if failed is None:
            failed, _ = ctest(build_dir)
        return {"result": "killed" if failed else "survived", "test": failed or "", "line": line}
    finally:
        path.write_bytes(original)
        if run(["git", "diff", "--quiet", "--", mutant["file"]])[0] != 0:
            sys.exit(f"{mutant['file']} was not restored: stop and check it by hand")


def table(mutants, results):
    rows = [("id", "where", "what", "result", "killing test", "s")]
    listed = [results[m["id"]] for m in mutants if m["id"] in results]
    for m in mutants:
        r = results.get(m["id"])
        if r:
            rows.append((m["id"], f"{m['file']}:{r['line']}", m.get("why", ""), r["result"],
                         short_name(r["test"]), f"{r['seconds']:.0f}"))
    widths = [max(len(row[i]) for row in rows) for i in range(6)]
    widths[2] = min(widths[2], 80)
    lines = ["  ".join(c[:w].ljust(w) for c, w in zip(row, widths)).rstrip() for row in rows]
    counted = [r for r in listed if r["result"] != "invalid"]
    killed = sum(r["result"] == "killed" for r in counted)
    total = len(counted)
    rate = f"{100.0 * killed / total:.1f}%" if total else "n/a"
    invalid = len(listed) - total
    lines.append(f"killed {killed} / total {total} ({rate})" +
                 (f"; {invalid} invalid, not counted" if invalid else ""))
    return "\n".join(lines) + "\n"


def interrupted(*_):
    raise KeyboardInterrupt


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build-dir", default="build/mutate")
    parser.add_argument("--mutants", default=str(ROOT / "tools/mutants.txt"))
    parser.add_argument("--only", help="comma-separated mutant ids")
    parser.add_argument("--resume", help="JSON-lines results file: skip the ids it holds, add to it")
    parser.add_argument("--out", help="file for the result table")
    parser.add_argument("--no-baseline", action="store_true",
                        help="skip the run of the unmutated suite (when resuming)")
    args = parser.parse_args()
    build_dir = (ROOT / args.build_dir).resolve()
    mutants = read_mutants(Path(args.mutants))
    if args.only:
        wanted = set(args.only.split(","))
        mutants = [m for m in mutants if m["id"] in wanted]
    # Ctrl-C and a kill both end in the finally that restores the file.
    signal.signal(signal.SIGTERM, interrupted)
    if run(["git", "diff", "--quiet", "--"] + sorted({m["file"] for m in mutants}))[0] != 0:
        sys.exit("a file to mutate has uncommitted changes")

    results_path = Path(args.resume) if args.resume else build_dir / "mutate-results.jsonl"
    results = {}
    if args.resume and results_path.exists():
        for line in results_path.read_text().splitlines():
            if line.strip():
                record = json.loads(line)
                results[record["id"]] = record
    else:
        results_path.write_text("")

    if not args.no_baseline:
        start = time.monotonic()
        code, output = build(build_dir)
        if code != 0:
            sys.exit("the unmutated tree does not build:\n" + output[-3000:])
        failed, _ = ctest(build_dir)
        if failed:
            sys.exit(f"the unmutated suite fails ({failed}): fix that first")
        print(f"unmutated: build and whole suite green in {time.monotonic() - start:.0f} s",
              flush=True)

    for m in mutants:
        if m["id"] in results:
            continue
        start = time.monotonic()
        print(f"{m['id']}: {m['file']} ...", end=" ", flush=True)
        record = {"id": m["id"], "file": m["file"], **try_mutant(m, build_dir)}
        record["seconds"] = time.monotonic() - start
        print(f"{record['result']} {record['test']} ({record['seconds']:.0f} s)", flush=True)
        results[m["id"]] = record
        with results_path.open("a") as out:
            out.write(json.dumps(record, ensure_ascii=False) + "\n")
    build(build_dir)  # back to the unmutated binaries
    report = table(mutants, results)
    print(report, end="")
    if args.out:
        Path(args.out).write_text(report)


if __name__ == "__main__":
    try:
        main()
    except KeyboardInterrupt:
        sys.exit("interrupted; the mutated file was restored")
