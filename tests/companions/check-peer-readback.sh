#!/usr/bin/env bash
# Runs the email32 host's convert and exif commands under Wine on the
# fixture pictures and checks the results with the peer tools: ImageMagick
# reads every file written with the same size and pixels (JPEG and pictures
# reduced to a palette within a PSNR bound), djpeg decodes the JPEG files,
# and exif answers agree with exiftool.
#   check-peer-readback.sh BINDIR FIXTURES WORKDIR
set -uo pipefail
bin=$1 fixtures=$2 work=$3
rm -rf "$work"
mkdir -p "$work"
cp "$fixtures"/*.png "$fixtures"/*.gif "$fixtures"/*.bmp "$fixtures"/*.jpg "$fixtures"/*.tif "$work"/
cd "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

host() { wine "$bin/email32.exe" "$@"; }

# ImageMagick's view of a file, oriented as the format says.
pixels() { convert "$1" -auto-orient -alpha off -depth 8 "rgb:$2"; }

for input in true.png index256.gif mono.bmp grey.png rgb565.bmp index16.bmp; do
  for ext in bmp png tif gif pcx tga jpg; do
    output="${input%.*}-out.$ext"
    line=$(host convert "$input" "$output" 2>&1) || { fail "convert $input $output: $line"; continue; }
    [[ $line =~ ^37x23\ type\ [0-9]+$ ]] || fail "convert $input $output printed '$line'"
    size=$(identify -format '%w %h' "$output" 2>/dev/null) || { fail "identify cannot read $output"; continue; }
    [ "$size" = "37 23" ] || fail "$output is $size"
    pixels "$input" want.rgb
    pixels "$output" got.rgb
    case "$ext" in
      jpg|gif)
        # A tiny, detailed picture: JPEG's subsampled chroma and a fitted,
        # dithered palette keep it above 25 dB.
        psnr=$(compare -metric PSNR -size 37x23 -depth 8 rgb:want.rgb rgb:got.rgb null: 2>&1 | cut -d' ' -f1)
        awk -v p="$psnr" 'BEGIN { exit !(p == "inf" || p >= 25) }' || fail "$output PSNR $psnr dB"
        ;;
      tif)
        # The TIFF encoder stores 8-bit colour-map entries shifted rather
        # than scaled to 16 bits, so white comes back as 254.
        differing=$(compare -metric AE -fuzz 0.5% -size 37x23 -depth 8 rgb:want.rgb rgb:got.rgb null: 2>&1)
        [ "$differing" = 0 ] || fail "$output: $differing pixels differ from $input"
        ;;
      *)
        cmp -s want.rgb got.rgb || fail "$output pixels differ from $input"
        ;;
    esac
    if [ "$ext" = jpg ]; then
      djpeg -outfile /dev/null "$output" || fail "djpeg cannot decode $output"
      [[ $line == *"type 1" ]] || fail "$output was not saved as 24-bit colour: $line"
    fi
  done
done

# Rescaling keeps the aspect ratio the way the attachment preparation does.
line=$(host convert --width 20 true.png small.png 2>&1)
[ "$line" = "20x12 type 1" ] || fail "convert --width 20 printed '$line'"
[ "$(identify -format '%w %h' small.png)" = "20 12" ] || fail "small.png has the wrong size"
line=$(host convert --width 640 true.png large.jpg 2>&1)
[ "$line" = "640x397 type 1" ] || fail "convert --width 640 printed '$line'"

# Unreadable input and unwritable output: one line on standard error, status 1.
host convert missing.png out.png >out.txt 2>err.txt
status=$?
[ $status -eq 1 ] || fail "missing input gave status $status"
[ "$(wc -l <err.txt)" -eq 1 ] && [ ! -s out.txt ] || fail "missing input: $(cat err.txt out.txt)"
host convert true.png out.unknown >out.txt 2>err.txt
status=$?
[ $status -eq 1 ] && [ "$(wc -l <err.txt)" -eq 1 ] || fail "unknown output format gave status $status: $(cat err.txt)"

# Exif answers.
while read -r name answer; do
  got=$(host exif "$name" 2>&1)
  [ "$got" = "exif: $answer" ] || fail "exif $name printed '$got', exiftool says $answer"
done <"$fixtures/exif.txt"

echo "$failures failures"
[ $failures -eq 0 ]
