#!/usr/bin/env bash
# Draws the banner (bitmap, 522 x 76, 24 bits) and the icon (16, 32, 48, 256) of the
# program into the folder given as $1, with ImageMagick and the WenQuanYi font.
set -euo pipefail
out=${1:?output folder}
mkdir -p "$out"
font=$(fc-match -f '%{file}' 'WenQuanYi Micro Hei' 2>/dev/null || true)
[ -f "$font" ] || font=DejaVu-Sans

# Icon: a rounded blue tile with a white disk platter and a green check.
convert -size 256x256 xc:none \
  -fill '#1d5fbf' -draw 'roundrectangle 8,8 248,248 44,44' \
  -fill '#ffffff' -draw 'circle 128,124 128,44' \
  -fill '#1d5fbf' -draw 'circle 128,124 128,104' \
  -stroke '#2fb344' -strokewidth 26 -fill none -draw 'polyline 70,190 112,228 196,150' \
  "$out/icon-256.png"
for s in 16 32 48; do convert "$out/icon-256.png" -resize ${s}x${s} "$out/icon-$s.png"; done
convert "$out/icon-16.png" "$out/icon-32.png" "$out/icon-48.png" "$out/icon-256.png" "$out/rigmate.ico"

# Banner: a blue gradient, the icon, the name and a line of what the program does.
convert -size 522x76 gradient:'#174a9c-#2f86d9' -rotate 90 -resize 522x76\! \
  \( "$out/icon-48.png" \) -geometry +14+14 -composite \
  -font "$font" -fill white -pointsize 30 -annotate +74+42 'Rigmate' \
  -font "$font" -fill '#dbe9ff' -pointsize 15 -annotate +78+64 '一键装机 · 备份还原 · 启动盘制作' \
  -alpha off -type TrueColor BMP3:"$out/banner.bmp"
