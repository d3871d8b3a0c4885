#!/usr/bin/env bash
# make_peer_gifs.sh DIR: GIF files made by well-known encoders (ImageMagick,
# giflib's gifbuild, gifsicle, Pillow, exiftool) and by hand, with
# DIR/manifest.txt listing "name animated frames peer-pixels [first]" for each
# readable one ("first": the file carries extension data beyond a first
# sub-block, which a rewrite does not keep).
set -euo pipefail
out="$1"
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$out"
mkdir -p "$out"
cd "$out"
# The distribution's ImageMagick, whatever else PATH holds.
im=$(command -v convert-im6.q16 || echo /usr/bin/convert)
m=manifest.txt
: >"$m"

for colours in 2 4 8 16 32 64 128 256; do
  "$im" -size 61x47 plasma:fractal -seed 3 -colors $colours "im-$colours.gif"
  echo "im-$colours.gif no 1 yes" >>"$m"
done
"$im" -size 64x40 gradient:red-blue -colors 16 -interlace GIF im-interlaced.gif
echo "im-interlaced.gif no 1 yes" >>"$m"
"$im" -size 48x48 xc:white -fill red -draw 'circle 24,24 24,8' -colors 8 -transparent white im-transparent.gif
echo "im-transparent.gif no 1 yes" >>"$m"
"$im" -size 40x30 gradient:green-yellow -colors 32 -set comment 'made for the tests' im-comment.gif
echo "im-comment.gif no 1 yes" >>"$m"
"$im" -size 300x220 xc: +noise Random -colors 256 im-noise-fill.gif
echo "im-noise-fill.gif no 1 yes" >>"$m"
"$im" -delay 10 -loop 0 -size 50x40 xc:red xc:green gradient:blue-white -colors 64 im-anim-loop.gif
echo "im-anim-loop.gif yes 3 yes" >>"$m"

# giflib's own encoder, through its text form.
for source in im-4 im-16 im-interlaced im-transparent; do
  gifbuild -d "$source.gif" >"$source.txt"
  gifbuild "$source.txt" >"giflib-${source#im-}.gif"
  rm "$source.txt"
  echo "giflib-${source#im-}.gif no 1 yes" >>"$m"
done

gifsicle --colors 16 im-256.gif >gifsicle-16.gif
echo "gifsicle-16.gif no 1 yes" >>"$m"
gifsicle -i im-64.gif >gifsicle-interlaced.gif
echo "gifsicle-interlaced.gif no 1 yes" >>"$m"
gifsicle --transparent 0 --comment 'gifsicle comment' im-32.gif >gifsicle-transparent-comment.gif
echo "gifsicle-transparent-comment.gif no 1 yes" >>"$m"
gifsicle --loopcount=3 --delay 20 im-16.gif im-16.gif im-16.gif >gifsicle-anim.gif
echo "gifsicle-anim.gif yes 3 yes" >>"$m"
gifsicle -O2 im-anim-loop.gif >gifsicle-anim-optimized.gif
echo "gifsicle-anim-optimized.gif yes 3 yes" >>"$m"

# Metadata as image editors and encoders write it into animations: XMP (a raw
# packet with its "magic trailer") and ICC profiles (several sub-blocks).
"$im" -delay 10 -loop 0 -size 40x30 gradient:red-blue gradient:yellow-green -colors 32 im-anim-two.gif
exiftool -q -XMP-dc:Title='made for the tests' -XMP-dc:Description="$(printf 'x%.0s' $(seq 600))" \
  -o exiftool-xmp-anim.gif im-anim-two.gif
echo "exiftool-xmp-anim.gif yes 2 yes first" >>"$m"
/usr/bin/python3 -c "from PIL import ImageCms; open('srgb.icc', 'wb').write(ImageCms.ImageCmsProfile(ImageCms.createProfile('sRGB')).tobytes())"
exiftool -q '-ICC_Profile<=srgb.icc' -o exiftool-icc-anim.gif im-anim-two.gif
echo "exiftool-icc-anim.gif yes 2 yes first" >>"$m"
"$im" im-anim-two.gif -profile srgb.icc im-icc-anim.gif
echo "im-icc-anim.gif yes 2 yes first" >>"$m"
rm srgb.icc

/usr/bin/python3 "$here/make_peer_gifs.py" "$out"
echo "peer GIFs in $out: $(ls "$out"/*.gif | wc -l)"
