#!/usr/bin/env bash
# Makes the picture files the imaging tests read, with well-known native
# tools: ImageMagick, cjpeg/djpeg, exiftool. Run by ctest as a fixture step.
#   make-fixtures.sh OUTDIR
# OUTDIR/manifest.txt: NAME WIDTH HEIGHT TYPE MAXDIFF MINPSNR, one picture a
# line (MINPSNR 0: not checked);
# NAME.rgb beside it holds the pixels the peer tools see (8-bit RGB, top row
# first). OUTDIR/exif.txt: NAME yes|no as exiftool sees it. OUTDIR/damaged/
# holds broken and hostile files.
set -euo pipefail
out=$1
rm -rf "$out"
mkdir -p "$out/damaged"
cd "$out"

# A colourful 37 x 23 picture: odd sizes exercise line padding.
convert rose: -crop 37x23+12+9 +repage -depth 8 base.png
convert base.png -colors 16 palette16.png
convert base.png -monochrome mono.png

manifest=manifest.txt
: >"$manifest"
# add NAME TYPE MAXDIFF [MINPSNR]
add() {
  local name=$1 type=$2 tolerance="$3 ${4:-0}"
  convert "$name" -auto-orient -background white -alpha remove -alpha off -depth 8 "rgb:$name.rgb"
  local size
  size=$(identify -format '%w %h' "$name[0]")
  echo "$name $size $type $tolerance" >>"$manifest"
}

# True colour in every format.
convert base.png -type TrueColor BMP3:true.bmp;            add true.bmp 1 0
convert base.png -type TrueColor PNG24:true.png;           add true.png 1 0
convert base.png -type TrueColor -compress none true.tif;  add true.tif 1 0
convert base.png -type TrueColor -compress lzw true-lzw.tif; add true-lzw.tif 1 0
convert base.png -type TrueColor true.pcx;                 add true.pcx 1 0
convert base.png -type TrueColor -orient topleft true.tga; add true.tga 1 0
convert base.png -type TrueColor -compress RLE -orient topleft true-rle.tga; add true-rle.tga 1 0
convert base.png ppm:- | cjpeg -quality 95 >true.jpg
djpeg -pnm true.jpg | convert - -depth 8 rgb:true.jpg.rgb
echo "true.jpg 37 23 1 1 0" >>"$manifest"
convert base.png -depth 16 PNG48:deep.png;                 add deep.png 1 0
convert base.png -alpha set -channel A -evaluate set 50% +channel PNG32:alpha.png; add alpha.png 1 1
convert base.png -type TrueColor -define bmp:subtype=RGB565 BMP:rgb565.bmp; add rgb565.bmp 9 0
convert base.png -type TrueColor -define bmp:subtype=RGB555 BMP:rgb555.bmp; add rgb555.bmp 8 0
cp rgb565.bmp rgb565.dib

# 256 colours.
convert base.png -type Palette BMP3:index256.bmp;          add index256.bmp 3 0
convert base.png -type Palette -compress none BMP3:index256-raw.bmp; add index256-raw.bmp 3 0
convert base.png index256.gif;                             add index256.gif 3 0
convert base.png -type Palette PNG8:index256.png;          add index256.png 3 0
convert base.png -type Palette index256.pcx;               add index256.pcx 3 0
convert base.png -type Palette -compress none index256.tif; add index256.tif 3 1
convert base.png -type Palette -orient topleft index256.tga; add index256.tga 3 0

# 16 colours.
convert palette16.png -type Palette BMP3:index16.bmp;      add index16.bmp 3 0
convert palette16.png -type Palette index16.pcx;           add index16.pcx 3 0

# Black and white.
convert mono.png -type Bilevel BMP3:mono.bmp;              add mono.bmp 0 0
convert mono.png -type Bilevel mono1.png;                  add mono1.png 0 0
convert mono.png -type Bilevel -compress none mono.tif;    add mono.tif 5 0
convert mono.png -type Bilevel mono.pcx;                   add mono.pcx 1 0

# Grey.
convert base.png -colorspace Gray -type Grayscale grey.png; add grey.png 5 0
convert base.png -colorspace Gray -type Grayscale -compress none grey.tif; add grey.tif 5 0
convert base.png -colorspace Gray ppm:- | cjpeg -grayscale -quality 95 >grey.jpg
djpeg -pnm grey.jpg | convert - -depth 8 rgb:grey.jpg.rgb
echo "grey.jpg 37 23 5 1 0" >>"$manifest"

# A big picture for the rescaling paths.
convert -size 400x300 gradient:navy-orange -depth 8 PNG24:gradient.png

# JPEG as cameras and editors write it: progressive, CMYK (Adobe's inverted
# inks), and a photo-like picture with djpeg's decodes at 1/4 and 3/8 of its
# size (400 x 300: 100 x 75 and 150 x 113).
convert base.png ppm:- | cjpeg -progressive -quality 90 >progressive.jpg
djpeg -pnm progressive.jpg | convert - -depth 8 rgb:progressive.jpg.rgb
echo "progressive.jpg 37 23 1 1 0" >>"$manifest"
convert base.png -colorspace CMYK -quality 95 cmyk.jpg;    add cmyk.jpg 1 255 28
convert -seed 3 -size 400x300 plasma:fractal -blur 0x1 ppm:- | cjpeg -quality 90 >scaled.jpg
for eighths in 2 3; do
  djpeg -scale "$eighths/8" -pnm scaled.jpg | convert - -depth 8 "rgb:scaled.jpg.$eighths.rgb"
done
# Large enough (1280 x 960) that a single one shares its decode with a
# second thread: each chroma layout, restart markers, grey and CMYK.
convert -seed 5 -size 1280x960 plasma:fractal -attenuate 0.2 +noise Gaussian ppm:large.ppm
cjpeg -quality 90 -sample 1x1 large.ppm >large444.jpg
cjpeg -quality 90 -sample 2x2 large.ppm >large420.jpg
cjpeg -quality 90 -sample 2x1 -restart 1 large.ppm >large422-restart.jpg
cjpeg -quality 90 -grayscale large.ppm >large-grey.jpg
convert large.ppm -colorspace CMYK -quality 90 large-cmyk.jpg
rm large.ppm

# Exif, as exiftool sees it: for JPEG any Exif segment, for TIFF an Exif IFD.
exif() {
  local name=$1 group=$2
  if [ -n "$(exiftool -s -s -s "-$group:all" "$name" 2>/dev/null)" ]; then echo "$name yes"; else echo "$name no"; fi
}
exiftool -q -o exif.jpg -DateTimeOriginal="2021:02:03 04:05:06" true.jpg
cp true.tif exif.tif
exiftool -q -overwrite_original -DateTimeOriginal="2021:02:03 04:05:06" exif.tif
exiftool -q -o ifd0only.jpg -Artist="Nobody" true.jpg
# What a phone writes: orientation, camera, date, exposure, position, a
# maker note's place, an XMP packet and a thumbnail.
convert true.jpg -resize 8x8 thumb.jpg
exiftool -q -o phone.jpg -Orientation#=6 -Make=Maker -Model="Phone 12" -DateTimeOriginal="2023:05:06 07:08:09" \
  -ExposureTime=1/120 -FNumber=1.8 -ISO=50 -GPSLatitude=25.03 -GPSLatitudeRef=N -GPSLongitude=121.56 \
  -GPSLongitudeRef=E -XMP:City=Taipei "-ThumbnailImage<=thumb.jpg" true.jpg
rm thumb.jpg
# The same photo as HEIC and WebP files, with its Exif data.
heif-enc -q 60 -o phone.heic phone.jpg >/dev/null
cwebp -quiet -q 80 -metadata exif phone.jpg -o phone.webp
{
  exif exif.jpg EXIF; exif true.jpg EXIF; exif ifd0only.jpg EXIF; exif grey.jpg EXIF
  exif exif.tif ExifIFD; exif true.tif ExifIFD; exif mono.tif ExifIFD
} >exif.txt

# Damaged and hostile files.
cd damaged
for f in true.png true.bmp index256.gif true.tif true.pcx true.tga true-rle.tga true.jpg index256.pcx; do
  size=$(stat -c %s "../$f")
  head -c $((size / 2)) "../$f" >"truncated-$f"
  head -c 20 "../$f" >"stub-$f"
done
: >empty.png
head -c 4096 /dev/urandom >noise.png
cp noise.png noise.tga
python3 - <<'PY'
import struct, zlib

def png(width, height):
    ihdr = struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)
    chunk = lambda t, d: struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
    return b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', ihdr) + chunk(b'IDAT', zlib.compress(b'\0' * 64)) + chunk(b'IEND', b'')
open('huge.png', 'wb').write(png(100000, 100000))

bmp = bytearray(b'BM' + struct.pack('<IHHI', 54 + 64, 0, 0, 54))
bmp += struct.pack('<IiiHHIIiiII', 40, 100000, 100000, 1, 24, 0, 0, 2835, 2835, 0, 0) + b'\0' * 64
open('huge.bmp', 'wb').write(bmp)

gif = b'GIF89a' + struct.pack('<HHBBB', 65535, 65535, 0, 0, 0)
gif += b',' + struct.pack('<HHHHB', 0, 0, 65535, 65535, 0) + b'\x08\x02\x4c\x01\x00;'
open('huge.gif', 'wb').write(gif)

jpeg = b'\xff\xd8' + b'\xff\xc0' + struct.pack('>HBHHB', 17, 8, 65535, 65535, 3)
jpeg += b'\x01\x22\x00\x02\x11\x01\x03\x11\x01' + b'\xff\xd9'
open('huge.jpg', 'wb').write(jpeg)

def pcx_header(width, height, bits, planes, bpl):
    h = bytearray(128)
    h[0:4] = bytes([10, 5, 1, bits])
    h[8:12] = struct.pack('<HH', width - 1, height - 1)
    h[65] = planes
    h[66:68] = struct.pack('<H', bpl)
    return h
open('huge.pcx', 'wb').write(pcx_header(65535, 65535, 8, 3, 65535) + b'\xc1\x00' * 16)
# 4 x 2 pixels of 8 bits: 8 bytes of data, but a run of 63.
open('overrun.pcx', 'wb').write(pcx_header(4, 2, 8, 1, 4) + b'\xff\x07' + b'\x0c' + b'\0' * 768)

def tga_header(kind, width, height, bits):
    return struct.pack('<BBBHHBHHHHBB', 0, 0, kind, 0, 0, 0, 0, 0, width, height, bits, 0)
open('huge.tga', 'wb').write(tga_header(2, 65535, 65535, 24) + b'\0' * 64)
# 4 x 2 pixels run-length encoded: one run packet of 128 pixels.
open('overrun.tga', 'wb').write(tga_header(10, 4, 2, 24) + b'\xff\x10\x20\x30')
# A raw packet that reads beyond the file.
open('shortraw.tga', 'wb').write(tga_header(10, 4, 2, 24) + b'\x7f\x10\x20\x30')

def tiff(entries, next_ifd_self=True):
    # Little-endian TIFF, IFD at 8.
    count = len(entries)
    ifd = struct.pack('<H', count)
    for tag, typ, n, value in entries:
        ifd += struct.pack('<HHII', tag, typ, n, value)
    ifd += struct.pack('<I', 8 if next_ifd_self else 0)
    return b'II*\0' + struct.pack('<I', 8) + ifd
# The first IFD names itself as the next one and as its Exif IFD.
loop = tiff([(256, 3, 1, 4), (257, 3, 1, 4), (258, 3, 1, 8), (262, 3, 1, 1), (273, 4, 1, 8), (277, 3, 1, 1),
             (278, 3, 1, 4), (279, 4, 1, 16), (0x8769, 4, 1, 8)])
open('loop.tif', 'wb').write(loop)
# An IFD that claims 65535 entries.
open('longifd.tif', 'wb').write(b'II*\0' + struct.pack('<IH', 8, 65535) + b'\0' * 40)
# An Exif pointer beyond the end of the file.
open('farexif.tif', 'wb').write(tiff([(256, 3, 1, 4), (0x8769, 4, 1, 0x7FFFFFF0)], False))
# A flat 12000 x 8000 colour JPEG (4:4:4, every block DC only): 288 MB of
# pixels at its own size, beyond the limit, 4.5 MB at an eighth.
sof = struct.pack('>HBHHB', 17, 8, 8000, 12000, 3) + bytes([1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0])
def dht(cls_id, bits, values):
    return b'\xff\xc4' + struct.pack('>H', 2 + 1 + 16 + len(values)) + bytes([cls_id]) + bytes(bits) + bytes(values)
# One-symbol tables: DC category 0 and AC end-of-block, both the 1-bit code 0.
tables = dht(0x00, [1] + [0] * 15, [0]) + dht(0x10, [1] + [0] * 15, [0])
dqt = b'\xff\xdb' + struct.pack('>HB', 67, 0) + bytes([8] * 64)
sos = b'\xff\xda' + struct.pack('>HB', 12, 3) + bytes([1, 0, 2, 0, 3, 0]) + bytes([0, 63, 0])
# Two bits per block, three blocks per unit: 1500 x 1000 units of 6 zero bits.
data = bytes((1500 * 1000 * 6 + 7) // 8)
open('../flat96mp.jpg', 'wb').write(b'\xff\xd8' + dqt + b'\xff\xc0' + sof + tables + sos + data + b'\xff\xd9')
# JPEG whose APP1 length runs past the end.
open('longapp1.jpg', 'wb').write(b'\xff\xd8\xff\xe1\xff\xf0Exif\0\0')
# A FlashPix-like compound document.
open('flash.fpx', 'wb').write(b'\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1' + b'\0' * 504)
PY
