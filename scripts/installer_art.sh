#!/usr/bin/env bash
# Draws the picture at the side of the installer's first and last pages: Kestrel's icon and name on the
# light blue of the main window's tab strip, in the tab art's colours. Needs ImageMagick.
#
#   scripts/installer_art.sh FOLDER    writes FOLDER/side-100.bmp, side-125.bmp, side-150.bmp, side-200.bmp
#
# One picture per display scaling (100 % is 200 x 400 pixels), each drawn at its own size so that none is
# stretched. The picture's place on the page is a little smaller than that and its size depends on the
# dialog font, so the installer shows the smallest one that covers it, centred and cut at the edges: the
# background runs to the edges, and the icon and name keep clear of them.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: installer_art.sh FOLDER}
mkdir -p "$out"
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The tab strip's gradient, its rule, the accent ink and the caption ink (src/shell/tab_art_win.cpp).
strip_top='#F7FAFF'
strip_bottom='#DCE8F8'
strip_rule='#B9CDEA'
accent_ink='#2266D0'
caption_ink='#334458'

for percent in 100 125 150 200; do
    px() { echo $(($1 * percent / 100)); }
    width=$(px 200)
    height=$(px 400)
    icon=$(px 96)
    icon_top=$(px 104)
    centre_x=$((width / 2))
    centre_y=$((icon_top + icon / 2))
    halo=$(px 74)
    # The icon, rendered from its drawing at this size (as scripts/make_icon.sh does).
    {
        echo "viewbox 0 0 $icon $icon"
        echo "affine $(awk "BEGIN { print $icon / 256 }"),0,0,$(awk "BEGIN { print $icon / 256 }"),0,0"
        grep -v '^#' "$root/src/res/kestrel_icon.mvg"
    } >"$work/icon.mvg"
    convert -background none "mvg:$work/icon.mvg" "png32:$work/icon.png"
    convert -size "${width}x${height}" "gradient:$strip_top-$strip_bottom" \
        -fill '#FFFFFF' -stroke "$strip_rule" -strokewidth "$(px 1)" \
        -draw "circle $centre_x,$centre_y $((centre_x + halo)),$centre_y" \
        "$work/icon.png" -geometry "+$(((width - icon) / 2))+$icon_top" -composite \
        -font "$font" -stroke none \
        -fill "$accent_ink" -pointsize "$(px 30)" -gravity north -annotate "+0+$(px 246)" 'Kestrel' \
        -fill "$caption_ink" -pointsize "$(px 11)" -annotate "+0+$(px 292)" '定时关机 · 定时提醒 · 定时运行' \
        -alpha off -type TrueColor "BMP3:$out/side-$percent.bmp"
done
