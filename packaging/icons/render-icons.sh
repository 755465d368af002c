#!/bin/sh
# Renders the committed PNG icons from the SVG (rsvg-convert, Debian package librsvg2-bin).
set -eu
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" org.example.quillon.svg -o "$size.png"
done
