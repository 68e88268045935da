#!/bin/sh
# Draws the program icon (a model cube with a rotation arrow) at 256 x 256 and
# 48 x 48, 32-bit RGBA. Run from this folder; the PNGs are committed.
set -eu
# The arrow's arc as short round-capped segments (ImageMagick 6 closes
# stroked arcs and polylines).
arc=$(awk 'BEGIN { for (a = 195; a < 322; a += 3) { r = a * 3.14159265 / 180; q = (a + 3) * 3.14159265 / 180;
  printf "line %.1f,%.1f %.1f,%.1f ", 128 + 100 * cos(r), 128 + 100 * sin(r), 128 + 100 * cos(q), 128 + 100 * sin(q) } }')
convert -size 256x256 xc:none \
  -fill '#1d4e89' -stroke '#0f2d52' -strokewidth 6 -draw 'roundrectangle 10,10 246,246 44,44' \
  -stroke none -fill '#f2f5fa' -draw 'polygon 128,52 196,90 128,128 60,90' \
  -fill '#b9c9de' -draw 'polygon 60,90 128,128 128,206 60,168' \
  -fill '#8aa3c2' -draw 'polygon 196,90 128,128 128,206 196,168' \
  -fill none -stroke '#0f2d52' -strokewidth 5 \
  -draw 'polyline 128,52 196,90 196,168 128,206 60,168 60,90 128,52' \
  -draw 'polyline 60,90 128,128 196,90' -draw 'line 128,128 128,206' \
  -fill none -stroke '#ff9d2e' -strokewidth 14 -draw "stroke-linecap round $arc" \
  -stroke none -fill '#ff9d2e' -draw 'polygon 221,55 192,78 225,90' \
  PNG32:icon_256.png
convert icon_256.png -filter Lanczos -resize 48x48 PNG32:icon_48.png
