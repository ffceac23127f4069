#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan + UBSan: the fuzz preset) and runs each one on
# its corpus for a fixed time. Fails on any crash, sanitizer report, leak or timeout.
#   tools/fuzz.sh [seconds per target (30)] [target ...]      e.g. tools/fuzz.sh 1200 geometry
# Inputs that reach new code go to build/fuzz/corpus/<target>/ (the corpus in the tree is only
# read); a failing input is written to build/fuzz/artifacts/<target>/ and belongs, once fixed, in
# the target's corpus in the tree.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

# The geometry target must call every function the library exports.
missing=$(nm -D --defined-only build/fuzz/lib/libkestrel_geometry.so | awk '$2 == "T" {print $3}' |
  while read -r name; do grep -q "X($name)" tests/fuzz/geometry_fuzz.cpp || echo "$name"; done)
if [ -n "$missing" ]; then
  echo "tests/fuzz/geometry_fuzz.cpp does not call: $missing" >&2
  exit 1
fi

status=0
for manifest in build/fuzz/fuzz/*.target; do
  name=$(basename "$manifest" .target)
  if [ $# -gt 0 ] && [[ " $* " != *" $name "* ]]; then continue; fi
  { read -r executable; read -r corpus; read -r dictionary; } <"$manifest"
  work=build/fuzz/corpus/$name
  artifacts=build/fuzz/artifacts/$name
  log=build/fuzz/$name.log
  mkdir -p "$work" "$artifacts"
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
    -artifact_prefix="$artifacts/")
  if [ -n "$dictionary" ]; then options+=(-dict="$dictionary"); fi
  echo "fuzz_$name: $seconds s on $corpus"
  # The CPU time the run took (a campaign is measured in it), written after the fuzzer's log.
  if { TIMEFORMAT="cpu: %U s user, %S s system, %R s wall"; time "$executable" "${options[@]}" \
         "$work" "$corpus" >"$log" 2>&1; } 2>>"$log.time"; then
    grep -E '^#[0-9]+[[:space:]]+DONE|^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log"
    tail -n 1 "$log.time"
  else
    tail -n 60 "$log"
    echo "fuzz_$name failed; the input is in $artifacts/, the whole log in $log" >&2
    status=1
  fi
done
exit $status
