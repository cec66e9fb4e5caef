#!/bin/sh
# Redraws the two bundled images with ImageMagick 6 (Debian package imagemagick). Run from this folder; the PNGs are
# committed, so the build does not need ImageMagick.
set -eu
# danger.png: the warning sign of the run settings dialog.
convert -size 64x64 xc:none \
    -fill '#F6C000' -stroke '#202020' -strokewidth 3 \
    -draw "path 'M 32,5 Q 35,5 37,9 L 60,53 Q 61,58 56,59 L 8,59 Q 3,58 4,53 L 27,9 Q 29,5 32,5 Z'" \
    -stroke none -fill '#202020' -draw "roundrectangle 29,21 35,42 3,3" -draw "circle 32,50 32,46.5" \
    PNG32:danger.png
# SystemTrayIcon.png: the program's sign, a pointer inside a repeat ring, shown in the tray during a run.
convert -size 64x64 xc:none \
    -fill '#1E5AA8' -stroke none -draw "roundrectangle 2,2 61,61 12,12" \
    -fill none -stroke '#8FC3FF' -strokewidth 4 -draw "ellipse 32,32 21,21 345,645" \
    -fill '#8FC3FF' -stroke none -draw "polygon 36,4 47,12 36,20" \
    -fill '#FFFFFF' -stroke '#0B2545' -strokewidth 2 -draw "polygon 24,16 24,48 31,41 36,52 42,49 37,38 47,38" \
    -fill '#FF8A00' -stroke none -draw "circle 24,16 24,12" \
    PNG32:SystemTrayIcon.png
