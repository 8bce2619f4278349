#!/usr/bin/env bash
# Draws the program's artwork with ImageMagick and the Noto CJK fonts and writes it to
# resources/. The output is committed; run this again after changing the drawing.
#   resources/placeholder.png  320x100, 8 bits per channel RGB without alpha: the
#                              picture every advertisement tile starts with
#   resources/kesmora.png      128x128 RGBA: the window and tray icon
set -euo pipefail
cd "$(dirname "$0")/.."
out=resources
font=Noto-Sans-CJK-SC-Bold
# Byte-for-byte repeatable output: no time stamps or other ancillary chunks.
png_opts=(-strip -define png:exclude-chunks=date,time,bKGD -define png:bit-depth=8)

convert -size 320x100 xc:'#00FFFF' \
  -font "$font" -fill '#FF00FF' -gravity north \
  -pointsize 40 -annotate +0+6 '广告位招租' \
  -pointsize 20 -annotate +0+62 '320×100  点击联系投放' \
  -alpha off "${png_opts[@]}" -define png:color-type=2 "PNG24:$out/placeholder.png"

convert -size 128x128 xc:none \
  -fill '#1565C0' -draw 'roundrectangle 4,4 123,123 26,26' \
  -fill '#FFFFFF' -draw 'roundrectangle 22,26 106,86 18,18' \
  -draw 'polygon 40,84 34,106 60,84' \
  -font "$font" -fill '#1565C0' -gravity center -pointsize 52 -annotate +0-8 'K' \
  "${png_opts[@]}" -define png:color-type=6 "PNG32:$out/kesmora.png"

identify "$out/placeholder.png" "$out/kesmora.png"
