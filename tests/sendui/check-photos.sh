#!/usr/bin/env bash
# Photos and phone pictures prepared by `email32 prepare` under Wine, checked
# with the peer tools: ImageMagick for pixels, exiftool for metadata,
# heif-convert and dwebp for HEIC and WebP decodes.
#   check-photos.sh BINDIR WORKDIR
# - Eight 4000 x 3000 Exif JPEG files, orientations 1 to 8, with GPS data, a
#   maker note and a thumbnail, at JPG 640 with --shrink-photos: each matches
#   `convert -auto-orient -resize 640x` of its source within PSNR 35 dB, has
#   orientation 1, no GPS data, maker note or thumbnail, and keeps
#   DateTimeOriginal, Make, Model, ExposureTime and its ICC profile.
# - With --keep-location too the GPS data stays; without either option the
#   source itself is listed. Upright and at its own size, a photo keeps its
#   compressed picture byte for byte.
# - HEIC (8-bit and 10-bit) and WebP pictures at JPG 640: JPEG files 640
#   pixels wide within PSNR 35 dB of heif-convert's and dwebp's decodes;
#   their Exif data loses its GPS position, and a WebP file's orientation
#   turns it.
set -uo pipefail
bin=$1 work=$2
rm -rf "$work"
mkdir -p "$work"
cd "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
win() { echo "Z:${1//\//\\}"; }
# The files email32 prepare lists, as Unix paths, without the size line.
prepare() {
  local line
  wine "$bin/email32.exe" prepare "$@" | tr -d '\r' | head -n -1 | while IFS= read -r line; do
    winepath -u "$line" 2>/dev/null
  done
}
psnr_at_least() {  # OURS THEIRS MIN
  local psnr
  psnr=$(compare -metric PSNR "$1" "$2" null: 2>&1 | cut -d' ' -f1)
  awk -v p="$psnr" -v m="$3" 'BEGIN { exit !(p == "inf" || p + 0 >= m) }' || fail "$1: PSNR $psnr dB against $2"
}
tag() { exiftool -s -s -s "-$1" "$2"; }

# Stored pixels that show which way up they are: a fractal with a dark bar
# along the top edge and one down the left edge.
convert -seed 7 -size 4000x3000 plasma:fractal -fill black -draw 'rectangle 0,0 3999,199' \
  -draw 'rectangle 0,0 99,2999' -depth 8 -quality 92 -sampling-factor 2x2 stored.jpg
convert stored.jpg -resize 8x6 thumb.jpg
# The sRGB profile every Wine prefix holds.
cp "${WINEPREFIX:-$HOME/.wine}/drive_c/windows/system32/spool/drivers/color/srgb color space profile.icm" profile.icc ||
  fail "no ICC profile to attach"
sources=()
for o in 1 2 3 4 5 6 7 8; do
  exiftool -q -o "photo$o.jpg" -Orientation#=$o -Make=Maker -Model="Phone 12" \
    -DateTimeOriginal="2023:05:06 07:08:09" -ExposureTime=1/120 -FNumber=1.8 -ISO=50 \
    -GPSLatitude=25.03 -GPSLatitudeRef=N -GPSLongitude=121.56 -GPSLongitudeRef=E \
    -MakerNotes="private notes" "-ThumbnailImage<=thumb.jpg" "-ICC_Profile<=profile.icc" -XMP:City=Taipei stored.jpg
  sources+=("$(win "$work/photo$o.jpg")")
done
grep -q 'private notes' photo1.jpg || fail "the sources carry no maker note"

mapfile -t sent < <(prepare --format JPG --width 640 --shrink-photos "${sources[@]}")
[ ${#sent[@]} -eq 8 ] || fail "--shrink-photos listed ${#sent[@]} files for 8"
for o in 1 2 3 4 5 6 7 8; do
  out=${sent[$((o - 1))]:-missing}
  [ -f "$out" ] || { fail "photo$o.jpg: no file $out"; continue; }
  [ "$out" != "$work/photo$o.jpg" ] || { fail "photo$o.jpg sent as it is"; continue; }
  want=$( ((o >= 5)) && echo 640x853 || echo 640x480)
  [ "$(identify -format '%wx%h' "$out")" = "$want" ] || fail "photo$o: $(identify -format '%wx%h' "$out"), not $want"
  convert "photo$o.jpg" -auto-orient -resize 640x "reference$o.png"
  psnr_at_least "$out" "reference$o.png" 35
  orientation=$(tag Orientation# "$out")
  [ -z "$orientation" ] || [ "$orientation" = 1 ] || fail "photo$o: orientation $orientation"
  [ -z "$(exiftool -s -s -s -GPS:all "$out")" ] || fail "photo$o: GPS data kept"
  [ -z "$(tag ThumbnailImage "$out")$(tag XMP:City "$out")" ] && ! grep -q 'private notes' "$out" ||
    fail "photo$o: maker note, thumbnail or XMP kept"
  [ "$(tag DateTimeOriginal "$out")" = "2023:05:06 07:08:09" ] || fail "photo$o: DateTimeOriginal lost"
  [ "$(tag Make "$out")/$(tag Model "$out")/$(tag ExposureTime "$out")" = "Maker/Phone 12/1/120" ] ||
    fail "photo$o: camera or exposure lost"
  [ "$(tag ExifImageWidth "$out")" = 640 ] || [ -z "$(tag ExifImageWidth "$out")" ] ||
    fail "photo$o: Exif pixel width $(tag ExifImageWidth "$out")"
  exiftool -b -ICC_Profile "$out" >got.icc 2>/dev/null
  cmp -s profile.icc got.icc || fail "photo$o: ICC profile not kept"
done

mapfile -t kept < <(prepare --format JPG --width 640 --shrink-photos --keep-location "${sources[5]}")
[ "$(tag GPSLatitudeRef "${kept[0]:-none}")" = North ] || fail "--keep-location: GPS data lost"
mapfile -t plain < <(prepare --format JPG --width 640 "${sources[@]:0:2}")
[ "${plain[*]}" = "$work/photo1.jpg $work/photo2.jpg" ] || fail "without --shrink-photos: ${plain[*]}"
# Upright at its own size: the same compressed picture, other metadata.
mapfile -t same < <(prepare --format JPG --width original --shrink-photos "${sources[0]}")
cmp -s <(djpeg -ppm "${same[0]:-none}") <(djpeg -ppm photo1.jpg) || fail "photo1 at its own size was decoded again"
[ -z "$(exiftool -s -s -s -GPS:all "${same[0]:-none}")" ] || fail "photo1 at its own size kept GPS data"

# HEIC, 8-bit with Exif data and 10-bit, and WebP, one without and one with
# an orientation, at JPG 640.
convert -seed 3 -size 1600x1200 plasma:fractal -depth 8 picture.png
convert picture.png -quality 95 tmp.jpg
exiftool -q -o tagged.jpg -Make=Maker -GPSLatitude=25.03 -GPSLatitudeRef=N tmp.jpg
heif-enc -q 80 -o photo.heic tagged.jpg >/dev/null
convert -seed 5 -size 1600x1200 plasma:fractal picture16.png
heif-enc -q 80 -o deep.heic picture16.png >/dev/null
cwebp -quiet -q 90 picture.png -o picture.webp
exiftool -q -o turned.jpg -Orientation#=6 -Make=Maker -GPSLatitude=25.03 -GPSLatitudeRef=N tmp.jpg
cwebp -quiet -q 90 -metadata exif turned.jpg -o turned.webp
mapfile -t phone < <(prepare --format JPG --width 640 "$(win "$work/photo.heic")" "$(win "$work/deep.heic")" \
  "$(win "$work/picture.webp")" "$(win "$work/turned.webp")")
[ ${#phone[@]} -eq 4 ] || fail "phone pictures: ${#phone[@]} files listed for 4"
heif-convert photo.heic photo-peer.png >/dev/null && convert photo-peer.png -resize 640x photo-ref.png
heif-convert deep.heic deep-peer.png >/dev/null && convert deep-peer.png -depth 8 -resize 640x deep-ref.png
dwebp -quiet picture.webp -o webp-peer.png && convert webp-peer.png -resize 640x webp-ref.png
dwebp -quiet turned.webp -o turned-peer.png && convert turned-peer.png -rotate 90 -resize 640x turned-ref.png
i=0
for ref in photo-ref.png deep-ref.png webp-ref.png turned-ref.png; do
  out=${phone[$i]:-missing}
  i=$((i + 1))
  [ "$(identify -format '%m %w' "$out" 2>/dev/null)" = "JPEG 640" ] || { fail "$ref: $out is not a JPEG file 640 wide"; continue; }
  # The 10-bit picture's rounding differs between 32- and 64-bit builds of
  # libheif: the bound is a tolerance, not an exact match.
  psnr_at_least "$out" "$ref" 35
done
[ -z "$(exiftool -s -s -s -GPS:all "${phone[0]:-none}")" ] && [ "$(tag Make "${phone[0]:-none}")" = Maker ] ||
  fail "HEIC: Exif data not made fit to send"
[ "$(tag Orientation# "${phone[3]:-none}")" = 1 ] && [ -z "$(exiftool -s -s -s -GPS:all "${phone[3]:-none}")" ] ||
  fail "WebP: Exif data not made fit to send"

echo "$failures failures"
[ "$failures" -eq 0 ]
