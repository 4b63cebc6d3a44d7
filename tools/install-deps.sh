#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need.
# Only what is missing is installed, so a ready machine pays nothing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libpng-dev libomp-dev clang libclang-rt-dev
  python3-astropy python3-numpy fitsverify libcfitsio-bin
  xvfb xauth poppler-utils fonts-dejavu-core locales
  hyperfine
  python3-dev pybind11-dev python3-pybind11 python3-pytest python3-dask python3-distributed parallel
  desktop-file-utils appstream lintian dpkg-dev file binutils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
