#!/usr/bin/env bash
# Installs a built tree into a temporary prefix and uses it as an outsider would: a C99 program
# built through find_package(Kestrel) and through pkg-config, the installed host on the example
# (finding its module relative to itself) with a GIS output, GDAL reading a SIMA file through the
# installed driver, the example's drawing and alignments exported back to SIMA and imported again,
# then the Debian package: its contents, its declared dependencies, and the host
# run from the unpacked package.
#   tools/ci-install-check.sh [BUILD_DIR]   (default build/release, built already)
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$src/build/release}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "install check: $*" >&2; exit 1; }
unset KESTREL_MODULE

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(dirname "$(find "$prefix" -name 'libkestrel_geometry.so.*.*.*')")
readelf -d "$libdir"/libkestrel_geometry.so | grep -q 'SONAME.*\[libkestrel_geometry\.so\.0\]' ||
  fail "libkestrel_geometry.so has no versioned SONAME"

# A consumer through the CMake package, and through pkg-config.
cmake -S "$src/tools/install-check" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake" >/dev/null
"$work/cmake/consumer"
export PKG_CONFIG_PATH="$libdir/pkgconfig"
# shellcheck disable=SC2046
cc -std=c99 -Wall -Wextra -pedantic -Werror $(pkg-config --cflags kestrel-geometry) \
  "$src/tools/install-check/consumer.c" -o "$work/consumer-pc" $(pkg-config --libs kestrel-geometry) \
  -lm -Wl,-rpath,"$(pkg-config --variable=libdir kestrel-geometry)"
"$work/consumer-pc"

# The scripted hosts' module loads no windowing library; the desktop host has its own with Qt.
moduledir=$(dirname "$(find "$prefix" -name libkestrel_module.so)")
if ldd "$moduledir/libkestrel_module.so" | grep -q libQt6; then fail "libkestrel_module.so loads Qt"; fi
if [ -x "$prefix/bin/kestrel-studio" ]; then
  [ -f "$moduledir/libkestrel_module_qt.so" ] || fail "kestrel-studio is installed without its module"
fi

# The installed host: module and platform found beside it, the log as the example's.
cp "$src/examples/road.sim" "$work/road.sim"
"$prefix/bin/kestrel" import -q "$work/road.sim"
cmp "$work/road_Input.log" "$src/examples/road.expected.log" || fail "installed host: log differs"
"$prefix/bin/kestrel" import -q --overwrite "$work/road.sim" -f GPKG --zone 9
[[ $(ogrinfo -ro -so "$work/road.gpkg" points) == *"Feature Count: "[1-9]* ]] ||
  fail "installed host: no points in its GeoPackage"
# GeoJSON is checked for by the planning library, and GDAL loaded while the file is imported.
"$prefix/bin/kestrel" import -q --overwrite "$work/road.sim" -o "$work/road.geojson" --zone 9 \
  --t-srs EPSG:4326
grep -q '"type": *"Point"' "$work/road_points.geojson" || fail "installed host: no points in its GeoJSON"
"$prefix/bin/kestrel" export -q "$work/road.dxf" --alignments "$work/road.xml" -o "$work/back.sim"
"$prefix/bin/kestrel" import -q "$work/back.sim" || fail "installed host: the exported SIMA file does not import"
grep -q "^A01," "$work/back.sim" && grep -q "^F00," "$work/back.sim" ||
  fail "installed host: the export holds no points or routes"
plugin=$(find "$prefix" -name ogr_SIMA.so)
[ -n "$plugin" ] || fail "ogr_SIMA.so is not installed"
[[ $(GDAL_DRIVER_PATH=$(dirname "$plugin") ogrinfo -ro -so -oo ZONE=9 "$work/road.sim" points) == \
   *"Feature Count: "[1-9]* ]] || fail "GDAL does not read road.sim through the installed driver"
for f in "$prefix/share/man/man1/kestrel.1.gz" "$prefix/share/bash-completion/completions/kestrel"; do
  [ -s "$f" ] || fail "missing $f"
done
bash -n "$prefix/share/bash-completion/completions/kestrel" || fail "the bash completion is no valid script"
# Both are written from the option tables: the GIS and the export options are in them.
for option in t-srs all-entities; do
  zgrep -qF "\\-\\-${option//-/\\-}" "$prefix/share/man/man1/kestrel.1.gz" ||
    fail "the manual page lacks --$option"
  grep -qF -- "--$option" "$prefix/share/bash-completion/completions/kestrel" ||
    fail "the completion lacks --$option"
done

# The Debian package.
(cd "$build" && rm -f kestrel_*.deb && cpack -G DEB >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$build"/kestrel_*.deb)
dpkg-deb -c "$deb" | awk '{print $6}' > "$work/contents"
for path in ./usr/bin/kestrel ./usr/lib/kestrel/libkestrel_module.so ./usr/lib/kestrel/libkestrel_platform.so \
    ./usr/lib/kestrel/libkestrel_gis.so ./usr/lib/kestrel/libkestrel_gis_plan.so "./usr/$(dirname "${plugin#"$prefix"/}")/ogr_SIMA.so" \
    ./usr/lib/libkestrel_geometry.so.0 ./usr/include/kestrel/geometry.h \
    ./usr/lib/cmake/Kestrel/KestrelConfig.cmake ./usr/lib/cmake/Kestrel/KestrelConfigVersion.cmake \
    ./usr/lib/pkgconfig/kestrel-geometry.pc ./usr/share/man/man1/kestrel.1.gz \
    ./usr/share/bash-completion/completions/kestrel; do
  grep -qx "$path" "$work/contents" || fail "$deb lacks $path"
done
if grep -qx ./usr/bin/kestrel-studio "$work/contents"; then
  grep -qx ./usr/lib/kestrel/libkestrel_module_qt.so "$work/contents" ||
    fail "$deb lacks the desktop host's module"
fi
depends=$(dpkg-deb -f "$deb" Depends)
for package in libc6 libstdc++6 libpugixml1v5 libgdal32; do
  [[ $depends == *"$package"* ]] || fail "$deb does not depend on $package ($depends)"
done
# What apt would do with it: every dependency found in the archive.
apt-get install -s "$deb" 2>&1 | grep -q '^Inst kestrel ' || fail "apt cannot install $deb"
dpkg-deb -x "$deb" "$work/unpacked"
cp "$src/examples/road.sim" "$work/unpacked/road.sim"
"$work/unpacked/usr/bin/kestrel" import -q "$work/unpacked/road.sim"
cmp "$work/unpacked/road_Input.log" "$src/examples/road.expected.log" || fail "packaged host: log differs"
echo "install check: $(basename "$deb") ($(wc -l < "$work/contents") entries; Depends: $depends)"
