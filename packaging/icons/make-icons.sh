#!/bin/sh
# Renders the program icon at the hicolor sizes from orvane.svg with rsvg-convert (Debian package librsvg2-bin). Run
# from this folder; the PNGs are committed, so the build does not need librsvg.
set -eu
for size in 16 22 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" -o "orvane-$size.png" orvane.svg
done
