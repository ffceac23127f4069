#!/usr/bin/env bash
# Pictures of the dialogs and of kestrel-studio with an imported drawing, taken under Xvfb into
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

# The dialogs, as the Qt test drives them through an import of the bundled example.
KESTREL_SCREENSHOT_DIR="$PWD/$out" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x800x24" \
  "$build/bin/qt_dialogs_test" --gtest_filter='QtImportRun.*' >/dev/null

# The studio with the example imported by the command line host.
cp examples/road.sim "$work/"
"$build/bin/kestrel" import "$work/road.sim" >/dev/null
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" \
  "$build/bin/kestrel-studio" --landxml "$work/road.xml" "$work/road.dxf" \
  --screenshot "$PWD/$out/studio.png"

ls -1 "$out"
