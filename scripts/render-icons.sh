#!/usr/bin/env bash
# Renders the program's icon (dist/icons/x-vnd.Telva-Murvel.svg) into the PNG sizes of the hicolor
# theme beside it, dist/icons/<N>x<N>/. The PNGs are checked in, so that building needs no SVG
# renderer; run this after changing the SVG. Needs rsvg-convert (Debian: librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../dist/icons"
for size in 16 24 32 48 64 128 256; do
  mkdir -p "${size}x${size}"
  rsvg-convert -w "$size" -h "$size" x-vnd.Telva-Murvel.svg -o "${size}x${size}/x-vnd.Telva-Murvel.png"
done
echo "dist/icons: rendered $(ls -d */ | wc -l) sizes"
