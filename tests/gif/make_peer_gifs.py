#!/usr/bin/python3
"""Writes GIF files made by Pillow and by hand (streams no common encoder
makes: no colour table, plain text, a table that fills with and without a
clear code, damaged and truncated files) into a folder, and appends the
expected animated answers to its manifest."""
import os
import random
import struct
import sys

from PIL import Image

out = sys.argv[1]
manifest = open(os.path.join(out, "manifest.txt"), "a")


def expect(name, animated, frames, peer_pixels=True, first_sub_blocks=False):
    # name animated(yes/no) frame-count peer-pixels(yes/no) [first]
    manifest.write(f"{name} {'yes' if animated else 'no'} {frames} {'yes' if peer_pixels else 'no'}"
                   f"{' first' if first_sub_blocks else ''}\n")


def lzw(indices, min_code_size, clear_when_full=True, early_clear_at=None):
    """A reference GIF LZW encoder: clears when the table is full, or keeps
    emitting 12-bit codes without adding entries (deferred clear)."""
    clear = 1 << min_code_size
    end = clear + 1
    codes = []
    width = min_code_size + 1
    out_bits = []

    def put(code):
        out_bits.append((code, width))

    def reset():
        return {bytes([i]): i for i in range(clear)}, clear + 2

    table, nxt = reset()
    put(clear)
    w = b""
    for p in indices:
        wc = w + bytes([p])
        if wc in table:
            w = wc
            continue
        put(table[w])
        if nxt < 4096:
            table[wc] = nxt
            nxt += 1
            # widen once the code just added needs the next width
            if nxt > (1 << width) and width < 12:
                width += 1
        elif clear_when_full:
            put(clear)
            table, nxt = reset()
            width = min_code_size + 1
        w = bytes([p])
    if w:
        put(table[w])
    put(end)
    acc = 0
    nbits = 0
    data = bytearray()
    for code, wdt in out_bits:
        acc |= code << nbits
        nbits += wdt
        while nbits >= 8:
            data.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8
    if nbits:
        data.append(acc & 0xFF)
    blocks = bytearray([min_code_size])
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        blocks.append(len(chunk))
        blocks += chunk
    blocks.append(0)
    return bytes(blocks)


def head(w, h, table=None):
    packed = 0
    body = b""
    if table:
        n = len(table) // 3
        bits = max(0, (n - 1).bit_length() - 1)
        packed = 0x80 | bits
        body = bytes(table) + bytes(3 * (2 << bits) - len(table))
    return b"GIF89a" + struct.pack("<HHBBB", w, h, packed, 0, 0) + body


def image(w, h, indices, m, table=None, interlaced=False, left=0, top=0, **kw):
    packed = 0x40 if interlaced else 0
    body = b""
    if table:
        n = len(table) // 3
        bits = max(0, (n - 1).bit_length() - 1)
        packed |= 0x80 | bits
        body = bytes(table) + bytes(3 * (2 << bits) - len(table))
    if interlaced:
        order = list(range(0, h, 8)) + list(range(4, h, 8)) + list(range(2, h, 4)) + list(range(1, h, 2))
        indices = [indices[r * w + x] for r in order for x in range(w)]
    return b"\x2c" + struct.pack("<HHHHB", left, top, w, h, packed) + body + lzw(indices, m, **kw)


def gce(delay=10, transparent=None):
    flags = 1 if transparent is not None else 0
    return b"\x21\xf9\x04" + struct.pack("<BHB", flags, delay, transparent or 0) + b"\x00"


def grey(n):
    return [v for i in range(n) for v in (i * 255 // max(1, n - 1),) * 3]


def save(name, data):
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)


rng = random.Random(7)

# Pillow: every depth, interlaced or not, transparency, animation with a loop.
for bits in range(1, 9):
    colours = 1 << bits
    im = Image.new("P", (37, 23))
    im.putpalette([rng.randrange(256) for _ in range(3 * colours)])
    im.putdata([(x * 7 + y * 3) % colours for y in range(23) for x in range(37)])
    im.save(os.path.join(out, f"pillow-{bits}bit.gif"))
    expect(f"pillow-{bits}bit.gif", False, 1)
im = Image.new("P", (40, 30))
im.putpalette(grey(16))
im.putdata([rng.randrange(16) for _ in range(1200)])
im.save(os.path.join(out, "pillow-interlaced.gif"), interlace=True)
expect("pillow-interlaced.gif", False, 1)
im.save(os.path.join(out, "pillow-transparent.gif"), transparency=3)
expect("pillow-transparent.gif", False, 1)
frames = []
for i in range(5):
    f = Image.new("P", (32, 32))
    f.putpalette(grey(256))
    f.putdata([(x * y + i * 40) % 256 for y in range(32) for x in range(32)])
    frames.append(f)
frames[0].save(os.path.join(out, "pillow-anim-loop.gif"), save_all=True, append_images=frames[1:],
               loop=0, duration=50, optimize=False)
expect("pillow-anim-loop.gif", True, 5)

# By hand.
noise = [rng.randrange(256) for _ in range(200 * 200)]
save("hand-fill-clear.gif", head(200, 200, grey(256)) + gce() + image(200, 200, noise, 8) + b"\x3b")
expect("hand-fill-clear.gif", False, 1)
save("hand-fill-noclear.gif",
     head(200, 200, grey(256)) + gce() + image(200, 200, noise, 8, clear_when_full=False) + b"\x3b")
expect("hand-fill-noclear.gif", False, 1)
small = [rng.randrange(4) for _ in range(30 * 20)]
save("hand-no-table.gif", head(30, 20) + image(30, 20, [p & 1 for p in small], 2) + b"\x3b")
expect("hand-no-table.gif", False, 1, peer_pixels=False)
plain = b"\x21\x01\x0c" + struct.pack("<HHHHBBBB", 0, 0, 30, 20, 8, 8, 1, 0) + b"\x05Hello\x00"
save("hand-plain-text.gif", head(30, 20, grey(4)) + plain + gce() + image(30, 20, small, 2) + b"\x3b")
expect("hand-plain-text.gif", False, 1)
comment = b"\x21\xfe" + b"\xff" + b"c" * 255 + b"\x2d" + b"d" * 45 + b"\x00"
two = gce(5) + image(30, 20, small, 2) + gce(5, 1) + image(30, 20, small[::-1], 2, interlaced=True)
save("hand-two-frames.gif", head(30, 20, grey(4)) + comment + two + b"\x3b")
expect("hand-two-frames.gif", True, 2)
save("hand-two-images-no-gce.gif",
     head(30, 20, grey(4)) + image(30, 20, small, 2) + image(30, 20, small[::-1], 2) + b"\x3b")
expect("hand-two-images-no-gce.gif", False, 1, peer_pixels=False)
save("hand-stray-zeros.gif", head(30, 20, grey(4)) + gce() + image(30, 20, small, 2) + b"\x00\x00"
     + gce() + image(30, 20, small, 2) + b"\x3b")
expect("hand-stray-zeros.gif", True, 2, peer_pixels=False)  # giflib refuses stray zeros
save("hand-no-trailer.gif", head(30, 20, grey(4)) + gce() + image(30, 20, small, 2) + gce() + image(30, 20, small, 2))
expect("hand-no-trailer.gif", True, 2, peer_pixels=False)  # giflib wants the trailer
save("hand-gif87a.gif", b"GIF87a" + head(30, 20, grey(4))[6:] + image(30, 20, small, 2) + b"\x3b")
expect("hand-gif87a.gif", False, 1)
whole = head(30, 20, grey(4)) + gce() + image(30, 20, small, 2) + gce() + image(30, 20, small, 2) + b"\x3b"
save("damaged-truncated.gif", whole[:len(whole) - 40])
expect("damaged-truncated.gif", True, 2, peer_pixels=False)

# Extension data in several sub-blocks, and image data that goes on after
# its end code: each a two-frame animation that peers show as such.
def sub_blocks(data, size=255):
    return b"".join(bytes([len(data[i:i + size])]) + data[i:i + size] for i in range(0, len(data), size)) + b"\x00"


animexts = b"\x21\xff\x0bANIMEXTS1.0" + b"\x03\x01\x00\x00" + b"\x05\x02\x00\x10\x00\x00" + b"\x00"
two = gce() + image(30, 20, small, 2) + gce() + image(30, 20, small[::-1], 2)
save("hand-animexts.gif", head(30, 20, grey(4)) + animexts + two + b"\x3b")
expect("hand-animexts.gif", True, 2, first_sub_blocks=True)
private = b"\x21\xff\x0bEMAIL32TEST" + sub_blocks(bytes(range(256)) * 2 + b"end")
unknown = b"\x21\x99" + sub_blocks(b"\x2c\x3b\x21" * 100, 7)
short_first = b"\x21\xfe" + b"\x05first" + b"\x06second" + b"\x00"
save("hand-unknown-extensions.gif", head(30, 20, grey(4)) + private + gce() + image(30, 20, small, 2) + unknown
     + short_first + gce() + image(30, 20, small[::-1], 2) + b"\x3b")
expect("hand-unknown-extensions.gif", True, 2, first_sub_blocks=True)


def after_end_code(data):
    """Image data with bytes that look like block starts after its end code:
    three more in the last sub-block, then a sub-block of them."""
    chain = bytearray(data[:-1])  # without the terminator
    position, last = 1, 1
    while position < len(chain):
        last = position
        position += 1 + chain[position]
    assert chain[last] <= 252
    chain[last] += 3
    return bytes(chain) + b"\x2c\x21\x3b" + b"\x04\x2c\x3b\x21\xf9" + b"\x00"


def image_after_end_code(w, h, indices, m):
    return image(w, h, indices, m)[:10] + after_end_code(lzw(indices, m))


save("hand-after-end-code.gif", head(30, 20, grey(4)) + gce() + image_after_end_code(30, 20, small, 2) + gce()
     + image_after_end_code(30, 20, small[::-1], 2) + b"\x3b")
expect("hand-after-end-code.gif", True, 2)

# About 4 KB whose image descriptor claims 65535 x 65535 pixels.
huge = b"\x2c" + struct.pack("<HHHHB", 0, 0, 65535, 65535, 0) + lzw([rng.randrange(256) for _ in range(2600)], 8)
save("damaged-huge-descriptor.gif", head(16, 16, grey(256)) + gce() + huge + b"\x3b")

save("damaged-header-only.gif", b"GIF89a")
save("damaged-table-cut.gif", head(30, 20, grey(256))[:200])
