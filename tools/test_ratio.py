#!/usr/bin/env python3
"""Test code against product code, counted as the team agreed.

Counts non-blank lines of C, C++ and Python files tracked by git. Test code is everything under
tests/ (fuzz targets included); product code is everything else except bench/ and tools/. Corpus
files, golden outputs and CMake scripts are data or build, not code, and are not counted.

    python3 tools/test_ratio.py [REPO] [--by-folder]
"""
import pathlib
import subprocess
import sys

CODE = (".c", ".cc", ".cpp", ".h", ".hpp", ".py")
NOT_PRODUCT = ("tests/", "bench/", "tools/")


def lines(repo: pathlib.Path, path: str) -> int:
    text = (repo / path).read_text(encoding="utf-8", errors="replace")
    return sum(1 for line in text.splitlines() if line.strip())


def main() -> int:
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    repo = pathlib.Path(args[0] if args else ".").resolve()
    files = subprocess.run(["git", "-C", str(repo), "ls-files"], check=True,
                           capture_output=True, text=True).stdout.split()
    files = [f for f in files if f.endswith(CODE)]
    tests = {f: lines(repo, f) for f in files if f.startswith("tests/")}
    product = {f: lines(repo, f) for f in files if not f.startswith(NOT_PRODUCT)}
    if "--by-folder" in sys.argv:
        folders: dict[str, int] = {}
        for f, n in tests.items():
            key = "/".join(f.split("/")[:2])
            folders[key] = folders.get(key, 0) + n
        for key, n in sorted(folders.items(), key=lambda kv: -kv[1]):
            print(f"{n:7d}  {key}")
    t, p = sum(tests.values()), sum(product.values())
    print(f"product {p} lines in {len(product)} files, tests {t} lines in {len(tests)} files, "
          f"ratio {t / p:.3f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
