#!/usr/bin/env bash
# Renders the application icon's PNG sizes from data/icons/corvane.svg (needs rsvg-convert, from
# librsvg2-bin). Run after changing the SVG and commit the PNGs with it.
set -euo pipefail
cd "$(dirname "$0")/../data/icons"
for side in 16 32 48 64 128 256; do
  rsvg-convert -w "$side" -h "$side" corvane.svg -o "corvane-$side.png"
done
