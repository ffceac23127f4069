#!/usr/bin/env bash
# Installs the Debian 12 packages Kestrel builds and tests with. Safe to run again.
set -euo pipefail
packages=(build-essential cmake pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev libpugixml-dev libgdal-dev
  python3 python3-ezdxf python3-jsonschema gdal-bin python3-gdal proj-bin python3-qgis libxml2-utils
  clang libclang-rt-14-dev)
if [ "${KESTREL_WITH_QT:-1}" = "1" ]; then
  packages+=(qt6-base-dev qt6-translations-l10n xvfb xauth fonts-ipafont-gothic)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
