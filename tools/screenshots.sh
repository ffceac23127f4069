#!/usr/bin/env bash
# Pictures of the dialogs and of kestrel-studio on the example project, taken under Xvfb into
# docs/screenshots/. Usage: tools/screenshots.sh [build directory] (default build/dev).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}
out=docs/screenshots
for tool in xvfb-run; do
  command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing (apt-get install xvfb xauth)" >&2; exit 1; }
done
for binary in kestrel kestrel-studio qt_dialogs_test; do
  [ -x "$build/bin/$binary" ] || { echo "screenshots: $build/bin/$binary is not built" >&2; exit 1; }
done
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The dialogs, as the Qt test drives them through an import of the example project.
KESTREL_SCREENSHOT_DIR="$PWD/$out" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x800x24" \
  "$build/bin/qt_dialogs_test" --gtest_filter='QtImportRun.*' >/dev/null

# The studio on the example project, imported by the command line host onto layers of their own.
cp examples/road-project.sim "$work/"
"$build/bin/kestrel" import "$work/road-project.sim" --layer-points 測点 --layer-ip-lines IP線 \
  --layer-lots 画地 --layer-width-stakes 幅杭線 --layer-continuous 連続線 >/dev/null
studio() {
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" \
    "$build/bin/kestrel-studio" --landxml "$work/road-project.xml" "$work/road-project.dxf" "$@"
}
# The whole road, point names shown where they fit.
studio --screenshot "$PWD/$out/studio.png"
# The first curve, names and elevations, the cursor on a point 28 m right of the centre line.
studio --view 48365,-31410,260 --label-elevations --cursor 48348.197,-31387.931 \
  --screenshot "$PWD/$out/studio-curve.png"
# The centre line picked between two stakes: the inspector lists its elements.
studio --view 48365,-31410,600 --no-labels --pick 48377.2,-31376.7 \
  --screenshot "$PWD/$out/studio-inspector.png"

ls -1 "$out"
