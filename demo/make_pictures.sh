#!/usr/bin/env bash
# Draws the demo site's tile pictures with ImageMagick, one per picture format the tiles
# accept, and writes them to demo/pics/. The output is committed (each file is small);
# run this again after changing a drawing.
set -euo pipefail
cd "$(dirname "$0")"
out=pics
mkdir -p "$out"
font=Noto-Sans-CJK-SC-Bold
strip=(-strip -define png:exclude-chunks=date,time)

# tile GROUND INK WIDTHxHEIGHT LABEL: a tile picture on the standard input's format.
tile() {
  convert -size "$3" "$1" -font "$font" -fill "$2" -gravity center \
    -pointsize 30 -annotate +0-14 "示例广告 $4" -pointsize 16 -annotate +0+24 "$5" "${@:6}"
}

tile 'gradient:#0D47A1-#42A5F5' white 345x100 1 'PNG 图片 · 点击访问广告主' \
  "${strip[@]}" "PNG24:$out/tile1.png"
tile 'gradient:#E65100-#FFB74D' white 345x100 2 'JPEG 图片 · 点击访问广告主' \
  -quality 80 "$out/tile2.jpg"
convert -delay 60 -loop 0 \
  \( -size 345x100 xc:'#1B5E20' -font "$font" -fill white -gravity center -pointsize 30 -annotate +0+0 '示例广告 3' \) \
  \( -size 345x100 xc:'#2E7D32' -font "$font" -fill '#FFEB3B' -gravity center -pointsize 30 -annotate +0+0 'GIF 动画' \) \
  \( -size 345x100 xc:'#388E3C' -font "$font" -fill white -gravity center -pointsize 26 -annotate +0+0 '点击访问广告主' \) \
  -colors 32 -layers optimize "$out/tile3.gif"
tile 'xc:#4A148C' '#E1BEE7' 345x100 4 'BMP 图片 · 点击访问广告主' \
  -colors 64 -type palette "BMP3:$out/tile4.bmp"
convert -size 64x64 xc:none -fill '#C62828' -draw 'circle 32,32 32,2' \
  -font "$font" -fill white -gravity center -pointsize 30 -annotate +0+0 '5' "$out/tile5.ico"
tile 'xc:#006064' '#B2EBF2' 345x100 6 'PCX 图片 · 点击访问广告主' \
  -colors 16 -type palette "PCX:$out/tile6.pcx"
# A cursor file is an icon file whose resource type (bytes 2 and 3) is 2.
convert -size 48x48 xc:none -fill '#F9A825' -draw 'polygon 4,4 44,24 24,28 18,44' "ICO:$out/tile7.cur"
printf '\002' | dd of="$out/tile7.cur" bs=1 seek=2 conv=notrunc status=none
# Larger than a tile: shown from its top-left corner and cut off.
tile 'gradient:#37474F-#B0BEC5' '#FFF176' 420x130 8 'PNG 420×130 · 超出部分被裁掉' \
  "${strip[@]}" "PNG24:$out/tile8.png"

ls -l "$out"
