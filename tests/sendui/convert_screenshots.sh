#!/usr/bin/env bash
# Turns the screenshots the dialog tests saved as bitmaps into PNG files. The
# one taken under code page 950, where the captions are Chinese, is dialog.png.
set -euo pipefail
folder="$1"
[ -d "$folder" ] || exit 0
shopt -s nullglob
for bmp in "$folder"/*.bmp; do
  convert "$bmp" "${bmp%.bmp}.png"
  rm -f "$bmp"
done
if [ -f "$folder/dialog-cp950.png" ]; then
  cp "$folder/dialog-cp950.png" "$folder/dialog.png"
fi
