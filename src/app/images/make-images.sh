#!/bin/sh
# Draws the frame's icon and wallpaper with ImageMagick; run from this folder.
set -e
heart="path 'M128 214 C 96 188 40 150 40 100 C 40 70 62 48 90 48 C 108 48 121 58 128 72 C 135 58 148 48 166 48 C 194 48 216 70 216 100 C 216 150 160 188 128 214 Z'"

# The mark: a white heart with a cross, on a rounded square of calm teal.
convert -size 256x256 xc:none \
  -fill '#357d87' -draw "roundrectangle 8,8 247,247 52,52" \
  -fill white -draw "$heart" \
  -fill '#357d87' -draw "roundrectangle 116,86 139,165 4,4" -draw "roundrectangle 88,114 167,137 4,4" \
  -depth 8 tvonly.png
convert tvonly.png \( -clone 0 -resize 16x16 \) \( -clone 0 -resize 32x32 \) \( -clone 0 -resize 48x48 \) \
  -delete 0 tvonly.ico

# The wallpaper: a soft white with the mark drawn faintly in the middle.
convert -size 256x256 xc:'#f5f8f8' \
  -fill '#e8efef' -draw "$heart" \
  -fill '#f5f8f8' -draw "roundrectangle 116,86 139,165 4,4" -draw "roundrectangle 88,114 167,137 4,4" \
  -resize 320x320 -depth 8 tvwhite.png
