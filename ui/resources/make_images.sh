#!/bin/bash
# Makes the program's two images with ImageMagick and writes them beside this script:
#   title.bmp  the title bitmap (resource 350): 261 x 97, 1 bit per pixel, colour 0 black and
#              colour 1 white, bottom-up, uncompressed; "Velnet" and "for Windows 95" in white
#              italics on black.
#   setup.ico  the program icon (resource 300): a blue disc with a white "V", 32 x 32 and 16 x 16.
# Both outputs are committed; run this again only to change them. Needs imagemagick and
# fonts-dejavu-extra (Debian).
set -euo pipefail
cd "$(dirname "$0")"

readonly font=/usr/share/fonts/truetype/dejavu/DejaVuSerif-BoldItalic.ttf
[[ -f "$font" ]] || { echo "make_images: $font is missing (fonts-dejavu-extra)" >&2; exit 1; }

# The title: drawn grey-scale, cut to black and white at half intensity, then written with a
# two-entry palette whose order is fixed by the -map image (black first, then white).
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 2x1 xc:black xc:white +append "$work/palette.png"
convert -size 261x97 xc:black -font "$font" -fill white \
  -pointsize 50 -annotate +8+52 'Velnet' \
  -pointsize 22 -annotate +62+86 'for Windows 95' \
  -threshold 50% +dither -remap "$work/palette.png" -type Palette -depth 1 \
  -compress None BMP3:title.bmp

# Checks the header of what was written: 40-byte info header, 261 x 97 (positive: bottom-up),
# 1 bit per pixel, no compression, black then white in the colour table.
field() { od -An -t"$1" -j "$2" -N "$3" title.bmp | tr -d ' \n'; }
[[ "$(field u4 14 4)" == 40 && "$(field d4 18 4)" == 261 && "$(field d4 22 4)" == 97 ]] ||
  { echo "make_images: title.bmp has the wrong header or size" >&2; exit 1; }
[[ "$(field u2 28 2)" == 1 && "$(field u4 30 4)" == 0 ]] ||
  { echo "make_images: title.bmp is not 1 bit per pixel, uncompressed" >&2; exit 1; }
[[ "$(field x1 54 8)" == 00000000ffffff00 ]] ||
  { echo "make_images: title.bmp's colour table is not black, white" >&2; exit 1; }

# The icon: 16 colours as Windows 95 shows them, two sizes in one file.
for size in 32 16; do
  convert -size ${size}x${size} xc:none -fill '#0000A0' -stroke white -strokewidth 1 \
    -draw "circle $((size / 2 - 1)),$((size / 2 - 1)) $((size / 2 - 1)),1" \
    -fill white -stroke none -font "$font" -pointsize $((size * 3 / 4)) -gravity center \
    -annotate +0+0 'V' -colors 16 "$work/icon$size.png"
done
convert "$work/icon32.png" "$work/icon16.png" -colors 16 -type Palette setup.ico
echo "made title.bmp and setup.ico"
