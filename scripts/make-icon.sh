#!/usr/bin/env bash
# Draws the application icon (src/app/win32/halverne.ico): three bars in the
# colours of the BMI bands on a rounded tile, at 48, 32 and 16 pixels.
# Run by hand when the design changes; the .ico is committed.
set -euo pipefail
out="$(cd "$(dirname "$0")/.." && pwd)/src/app/win32/halverne.ico"
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
for s in 48 32 16; do
  k=$(awk "BEGIN{print $s/48}")
  r() { awk "BEGIN{printf \"%d\", $1*$k+0.5}"; }
  convert -size ${s}x${s} xc:none \
    -fill '#1f5f8b' -draw "roundrectangle 0,0 $((s-1)),$((s-1)) $(r 9),$(r 9)" \
    -fill '#7cc6f2' -draw "rectangle $(r 8),$(r 26) $(r 15),$(r 39)" \
    -fill '#6ccf6a' -draw "rectangle $(r 20),$(r 17) $(r 27),$(r 39)" \
    -fill '#f2b134' -draw "rectangle $(r 32),$(r 9) $(r 39),$(r 39)" \
    -fill white -draw "rectangle $(r 6),$(r 40) $(r 41),$(r 41)" \
    PNG32:"$tmp/$s.png"
done
convert "$tmp/48.png" "$tmp/32.png" "$tmp/16.png" "$out"
echo "$out"
