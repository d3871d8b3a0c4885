#!/usr/bin/env python3
"""make_seeds.py FIXTURES OUT: the fuzzers' seed folders, OUT/<target>/, from
the imaging fixtures (ImageMagick, exiftool and the damaged files) plus a few
made here of layouts no well-known tool writes: RLE4 bitmaps, 16-bit and
right-to-left TGA files, a big-endian TIFF with an Exif IFD."""
import glob
import os
import shutil
import struct
import sys

fixtures, out = sys.argv[1], sys.argv[2]
shutil.rmtree(out, ignore_errors=True)


def seeds(target, patterns, keep=lambda data: True, made=()):
    folder = os.path.join(out, target)
    os.makedirs(folder)
    for pattern in patterns:
        for path in glob.glob(os.path.join(fixtures, pattern)) + glob.glob(os.path.join(fixtures, 'damaged', pattern)):
            data = open(path, 'rb').read()
            if keep(data):
                shutil.copy(path, os.path.join(folder, os.path.basename(path)))
    for name, data in made:
        open(os.path.join(folder, name), 'wb').write(data)


def bmp_rle4(width, height, data):
    table = b''.join(bytes([i * 16, 255 - i * 16, i * 8, 0]) for i in range(16))
    offset = 14 + 40 + len(table)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 2, len(data), 2835, 2835, 16, 0)
    return b'BM' + struct.pack('<IHHI', offset + len(data), 0, 0, offset) + info + table + data


def tga(kind, width, height, bits, descriptor, body, colour_map=b'', map_bits=0):
    entries = len(colour_map) // max(1, (map_bits + 7) // 8)
    head = struct.pack('<BBBHHBHHHHBB', 0, 1 if colour_map else 0, kind, 0, entries, map_bits, 0, 0, width, height,
                       bits, descriptor)
    return head + colour_map + body


is_rle_bmp = lambda d: len(d) >= 34 and d[:2] == b'BM' and struct.unpack('<I', d[30:34])[0] in (1, 2)
seeds('pcx', ['*.pcx'])
seeds('tga', ['*.tga'], made=[
    # 3 x 2 pixels of 16 bits, run-length, right to left and top down.
    ('rle16-rtl.tga', tga(10, 3, 2, 16, 0x30, b'\x81\x1f\x80\x03\x00\xe0\x03\x00\x7c\x1f\x00')),
    # Colour-mapped with 16-bit map entries.
    ('map16.tga', tga(1, 2, 2, 8, 0, b'\x00\x01\x01\x00', b'\x1f\x00\xe0\x03', 16)),
])
seeds('bmprle', ['*.bmp'], keep=is_rle_bmp, made=[
    # A run, an absolute run with padding, a delta, an early end of line,
    # then the end of the picture.
    ('rle4.bmp', bmp_rle4(7, 3, b'\x05\x12\x00\x03\x34\x50\x00\x00' b'\x00\x02\x01\x01\x02\x9a\x00\x01')),
])
seeds('jpeg_exif', ['*.jpg'])
seeds('tiff_exif', ['*.tif'], made=[
    ('bigendian.tif', b'MM\x00\x2a\x00\x00\x00\x08\x00\x01\x87\x69\x00\x04\x00\x00\x00\x01\x00\x00\x00\x1a'
                      b'\x00\x00\x00\x00\x00\x00\x00\x00'),
])
# The rewriters' first byte chooses their options.
phone = open(os.path.join(fixtures, 'phone.jpg'), 'rb').read()
seeds('exif_rewrite', [], made=[(f'{flags}-{os.path.basename(path)}', bytes([flags]) + open(path, 'rb').read())
                                for path in glob.glob(os.path.join(fixtures, '*.jpg'))
                                for flags in (0, 3)] + [
    ('block.tif', b'\x00' + phone[phone.find(b'Exif\0\0') + 6:][:4000]),
])
