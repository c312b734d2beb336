#!/usr/bin/env bash
# Renders src/res/kestrel_icon.mvg (a 256 x 256 drawing) at each icon size, straight from the vector
# source so small sizes stay sharp, and packs them into src/res/kestrel.ico. Needs ImageMagick.
#
# Frames up to 32 pixels (the tray's and the title bar's, at up to 200 %) are stored as bitmaps, the
# larger ones as PNG: Windows (Vista and later) reads PNG frames of any size, a 48-pixel bitmap weighs
# 9 KiB against 2 KiB as PNG, and a 128-pixel one alone would weigh 64 KiB in Kestrel.exe.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
source_mvg=$root/src/res/kestrel_icon.mvg
output=$root/src/res/kestrel.ico
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

sizes=(16 24 32 48 64 128 256)
largest_bitmap=32

# Little-endian 16- and 32-bit numbers as raw bytes.
le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16 & 65535)); }

for size in "${sizes[@]}"; do
    # The drawing is scaled as a whole; MVG has no other way to say "draw at this size".
    {
        echo "viewbox 0 0 $size $size"
        echo "affine $(awk "BEGIN { print $size / 256 }"),0,0,$(awk "BEGIN { print $size / 256 }"),0,0"
        grep -v '^#' "$source_mvg"
    } >"$work/icon-$size.mvg"
    # No time stamps or other text chunks, so that the same drawing always packs to the same bytes.
    convert -background none "mvg:$work/icon-$size.mvg" -strip -define png:exclude-chunks=date,time \
        "png32:$work/icon-$size.png"
    if [ "$size" -le "$largest_bitmap" ]; then
        # A one-frame icon written by ImageMagick holds the bitmap (with its mask) after its 22-byte head.
        convert "$work/icon-$size.png" "ico:$work/one-$size.ico"
        tail -c +23 "$work/one-$size.ico" >"$work/frame-$size"
    else
        cp "$work/icon-$size.png" "$work/frame-$size"
    fi
done

# The icon directory: a 6-byte head, one 16-byte entry per frame, then the frames in the same order.
{
    le16 0
    le16 1
    le16 ${#sizes[@]}
    offset=$((6 + 16 * ${#sizes[@]}))
    for size in "${sizes[@]}"; do
        length=$(stat -c %s "$work/frame-$size")
        printf "\\x$(printf %02x $((size & 255)))\\x$(printf %02x $((size & 255)))\\x00\\x00" # 256 is 0
        le16 1  # colour planes
        le16 32 # bits per pixel
        le32 "$length"
        le32 "$offset"
        offset=$((offset + length))
    done
    for size in "${sizes[@]}"; do
        cat "$work/frame-$size"
    done
} >"$output"
echo "wrote $output ($(stat -c %s "$output") bytes)"
