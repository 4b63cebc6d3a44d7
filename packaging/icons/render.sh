#!/usr/bin/env bash
# Renders the PNG sizes of the icon from quorvane.svg (needs librsvg2-bin).
# Run from this folder after changing the drawing; the PNGs are kept in git.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" quorvane.svg -o "quorvane-$size.png"
done
