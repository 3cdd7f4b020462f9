#!/usr/bin/env bash
# Draws the banner (bitmap, 24 bits: 522 x 76, and 783 x 114 and 1044 x 152 for 150 % and
# 200 % of the normal size) and the icon (16 to 256 pixels, the sizes Windows asks for at
# those scales) of the program into the folder given as $1, with ImageMagick and the
# WenQuanYi font.
set -euo pipefail
out=${1:?output folder}
mkdir -p "$out"
font=$(fc-match -f '%{file}' 'WenQuanYi Micro Hei' 2>/dev/null || true)
[ -f "$font" ] || font=DejaVu-Sans

# Icon: a blue tile holding a disk platter, with a green check badge. Every size is
# drawn from the same 256-unit design; the small ones get a bolder check and no ring,
# which would only blur at that size.
draw_icon() {
  local size=$1 scale check=16 ring='stroke #9dbbe8 stroke-width 6 fill none circle 112,112 112,58'
  scale=$(awk "BEGIN{print $size/256}")
  if [ "$size" -le 32 ]; then ring=''; check=26; fi
  convert -size "${size}x${size}" xc:none \
    -draw "scale $scale,$scale fill #1f63c9 roundrectangle 6,6 250,250 48,48" \
    -draw "scale $scale,$scale fill #ffffff circle 112,112 112,24" \
    ${ring:+-draw "scale $scale,$scale $ring"} \
    -draw "scale $scale,$scale fill #1f63c9 circle 112,112 112,88" \
    -draw "scale $scale,$scale fill #ffffff circle 184,184 184,118" \
    -draw "scale $scale,$scale fill #22a34a circle 184,184 184,128" \
    -draw "scale $scale,$scale stroke #ffffff stroke-width $check stroke-linecap round stroke-linejoin round fill none polyline 156,186 177,206 213,166" \
    -depth 8 "PNG32:$out/icon-$size.png"
}
sizes=(16 20 24 32 40 48 64 72 96 256)
for s in "${sizes[@]}"; do draw_icon "$s"; done
files=()
for s in "${sizes[@]}"; do files+=("$out/icon-$s.png"); done
convert "${files[@]}" "$out/rigmate.ico"

# Banner: a blue gradient, the icon, the name and a line of what the program does; the
# same design at each scale, every measure multiplied, so the larger ones stay crisp.
draw_banner() {
  local scale=$1 file=$2 icon=$3
  m() { awk "BEGIN{printf \"%d\", $1*$scale + 0.5}"; }
  convert -size "$(m 76)x$(m 522)" gradient:'#2f86d9-#174a9c' -rotate 90 \
    \( "$out/icon-$icon.png" \) -geometry "+$(m 14)+$(m 14)" -composite \
    -font "$font" -fill white -pointsize "$(m 30)" -annotate "+$(m 74)+$(m 42)" 'Rigmate' \
    -font "$font" -fill '#dbe9ff' -pointsize "$(m 15)" -annotate "+$(m 76)+$(m 64)" '一键装机 · 备份还原 · 启动盘制作' \
    -fill none -stroke '#ffffff22' -strokewidth "$(m 10)" -draw "circle $(m 470),$(m 38) $(m 470),$(m -12)" \
    -stroke '#ffffff14' -strokewidth "$(m 6)" -draw "circle $(m 470),$(m 38) $(m 470),$(m 4)" \
    -alpha off -type TrueColor BMP3:"$out/$file"
}
draw_banner 1 banner.bmp 48
draw_banner 1.5 banner-150.bmp 72
draw_banner 2 banner-200.bmp 96
