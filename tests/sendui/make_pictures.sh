#!/usr/bin/env bash
# Makes the pictures the send options tests attach, with ImageMagick and
# exiftool, into the folder given.
set -euo pipefail
out="$1"
rm -rf "$out"
mkdir -p "$out"
cd "$out"

convert -size 320x200 gradient:red-blue -type TrueColor BMP3:photo.bmp
convert -size 1200x1600 gradient:yellow-green -type TrueColor BMP3:portrait.bmp
# Sizes whose scaled height lies just below a whole number in double
# precision (29 / 100 x 800 = 231.99999999999997).
convert -size 100x29 gradient:red-white -type TrueColor BMP3:band.bmp
convert -size 160x41 gradient:blue-white -type TrueColor BMP3:strip.bmp
convert -size 100x80 gradient:white-orange -strip -type TrueColor -depth 8 PNG24:picture.png
convert -size 64x48 xc:orange -strip single.gif
convert -size 40x30 -delay 20 xc:red xc:green xc:blue -loop 0 animated.gif
convert -size 1024x768 gradient:navy-pink -strip -quality 90 plain.jpg
convert -size 800x600 gradient:teal-white -strip -quality 90 exif.jpg
exiftool -q -overwrite_original -Make=Email32Test -Model=Fixture "-DateTimeOriginal=2024:01:02 03:04:05" exif.jpg
convert -size 200x150 gradient:gray-white -strip -compress none plain.tif
convert -size 200x150 gradient:gray-white -strip -compress none exif.tif
exiftool -q -overwrite_original "-ExifIFD:DateTimeOriginal=2024:01:02 03:04:05" -Make=Email32Test exif.tif
# A GIF file cut off inside its header: the GIF reader throws on it.
head -c 10 animated.gif > damaged.gif
cp plain.jpg photo.jpe
# So thin that at 160 pixels wide it is taller than a JPEG file can be.
convert -size 2x1000 gradient:black-white -strip -quality 90 tall.jpg
printf '<html><body>not a picture</body></html>\n' > page.htm
printf 'no extension\n' > README
# Pictures of phones and the web: HEIC and WebP, and an animated WebP file,
# which is sent as it is like an animated GIF file.
convert -size 320x240 gradient:orange-purple -strip phone.png
heif-enc -q 70 -o phone.heic phone.png >/dev/null
cwebp -quiet -q 80 phone.png -o phone.webp
convert -size 40x30 -delay 20 xc:red xc:green -loop 0 animated.webp
rm phone.png
