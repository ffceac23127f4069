#!/usr/bin/env bash
# Prints the SHA-256 of the DXF, LandXML and log that `kestrel import` writes for every example,
# every padded sample and the benchmark mix, so two builds can be compared output for output.
#   tools/output_hashes.sh KESTREL [WORKDIR]
set -euo pipefail
kestrel=$(realpath "$1")
work=${2:-$(mktemp -d)}
here=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$work"
inputs=()
for f in "$here"/examples/*.sim "$here"/tests/sima/samples/*.sim; do
  cp "$f" "$work/"
  inputs+=("$work/$(basename "$f")")
done
[ -f "$work/bench-mix.sim" ] || python3 "$here/bench/make_sima.py" "$work/bench-mix.sim" --lines 1000000 --crlf
inputs+=("$work/bench-mix.sim")
for sim in "${inputs[@]}"; do
  base=${sim%.sim}
  rm -f "$base.dxf" "$base.xml" "${base}_Input.log"
  "$kestrel" import "$sim" -o "$base.dxf" --landxml "$base.xml" >/dev/null 2>&1 || true
  for out in "$base.dxf" "$base.xml" "${base}_Input.log"; do
    if [ -f "$out" ]; then
      # The LandXML header carries the time of writing; everything else must match.
      printf '%s  %s\n' "$(sed -E '2s/ date="[^"]*" time="[^"]*"//' "$out" | sha256sum | cut -c1-16)" \
        "$(basename "$out")"
    else
      printf '%-16s  %s\n' missing "$(basename "$out")"
    fi
  done
done
