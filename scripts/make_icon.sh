#!/usr/bin/env bash
# Renders src/res/kestrel_icon.mvg (a 256 x 256 drawing) at each icon size, straight from the vector
# source so small sizes stay sharp, and packs them into src/res/kestrel.ico. Needs ImageMagick.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
source_mvg=$root/src/res/kestrel_icon.mvg
output=$root/src/res/kestrel.ico
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

frames=()
for size in 16 24 32 48 64 128 256; do
    # The drawing is scaled as a whole; MVG has no other way to say "draw at this size".
    {
        echo "viewbox 0 0 $size $size"
        echo "affine $(awk "BEGIN { print $size / 256 }"),0,0,$(awk "BEGIN { print $size / 256 }"),0,0"
        grep -v '^#' "$source_mvg"
    } >"$work/icon-$size.mvg"
    convert -background none "mvg:$work/icon-$size.mvg" "png32:$work/icon-$size.png"
    frames+=("$work/icon-$size.png")
done
convert "${frames[@]}" "$output"
echo "wrote $output"
