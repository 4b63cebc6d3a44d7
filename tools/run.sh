#!/usr/bin/env bash
# Builds everything and opens the desktop program on the bundled sample image.
# Without a display it says so and runs the same job headless with quorvane-cli.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
sample=$root/samples/starfield.qv4

bash tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x build/app/quorvane ]; then
  exec build/app/quorvane "$sample"
fi

echo "No display found: running the headless demo with quorvane-cli instead."
cli=build/cli/quorvane-cli
out=${QV_DEMO_DIR:-$root/out/demo}
mkdir -p "$out"
set -x
"$cli" info "$sample"
"$cli" render "$sample" "$out/before.png" --auto
"$cli" measure "$sample" 514 239
"$cli" deconvolve "$sample" "$out/sharpened.qv4" --star 514,239 --star 574,210 --star 701,261
"$cli" render "$out/sharpened.qv4" "$out/after.png" --auto
"$cli" convert "$out/sharpened.qv4" "$out/sharpened.fits" --to fits
"$cli" info "$out/sharpened.fits" --json
set +x
echo "Demo output in $out"
