#!/usr/bin/python3
"""check_host_gif.py BIN FIXTURES WORK: runs email32.exe (under Wine) on the
peer GIFs. Its animated answers follow the manifest; its frame dumps equal
Pillow's decoding pixel for pixel (every frame that covers the screen); the
files it rewrites are valid for gifsicle, dump in giflib exactly as the
originals do (every block, every frame's pixels; extension data beyond a
first sub-block excepted where the manifest says so) and decode in Pillow to
the same pixels; preparation as JPG sends every animation unchanged; damaged
headers give the module's exception and exit status 2, a missing file a
message and exit status 1, and a rewrite of an image too large
to create writes no pixels."""
import concurrent.futures
import os
import re
import shutil
import subprocess
import sys
import time

from PIL import Image

bin_dir, fixtures, work = sys.argv[1:4]
host = os.path.join(bin_dir, "email32.exe")
failures = []


def run(*args):
    p = subprocess.run(["wine", host, *args], capture_output=True, text=True, timeout=60)
    return p.returncode, p.stdout, p.stderr


def winpath(path):
    return "Z:" + path.replace("/", "\\")


def first_frame(path):
    im = Image.open(path)
    im.seek(0)
    return im.convert("RGB")


def without_extensions(dump):
    """A giflib dump of the screen, graphic controls, loop record and images
    only: the sections that extension data beyond a first sub-block, comments
    and unknown extensions do not touch."""
    kept = ("screen", "graphics control", "netscape", "image")
    return "\n\n".join(part for part in dump.split("\n\n") if part.lstrip("\n").startswith(kept))


def check(entry):
    """The failures for one manifest entry."""
    failures = []
    name, animated, frames, peer = entry[:4]
    first_only = entry[4:] == ["first"]
    gif = os.path.join(fixtures, name)
    code, out, err = run("gif", winpath(gif))
    expected = "yes" if animated == "yes" and not name.endswith("gif87a.gif") else "no"
    if code != 0 or out.strip() != f"animated: {expected}":
        failures.append(f"{name}: gif answered {code} {out!r} {err!r}, expected animated: {expected}")
    folder = os.path.join(work, name + ".frames")
    os.makedirs(folder)
    code, out, err = run("gif", "--frames", winpath(folder), winpath(gif))
    if code != 0 or out.strip() != frames:
        failures.append(f"{name}: --frames gave {code} {out!r} {err!r}, expected {frames} frames")
        return failures
    if peer != "yes":
        return failures
    theirs = first_frame(gif)
    peer_frames = Image.open(gif)
    # Pillow shows frames composed on the screen; a later frame that covers
    # it, in a file without transparency, is the frame's own picture.
    dump = subprocess.run(["gifbuild", "-d", gif], capture_output=True, text=True).stdout
    transparent = re.search(r"transparent index [0-9]", dump) is not None
    for i in range(1 if transparent else int(frames)):
        ours = Image.open(os.path.join(folder, f"frame-{i:03d}.png")).convert("RGB")
        peer_frames.seek(i)
        if ours.size != peer_frames.size:
            continue
        if list(ours.getdata()) != list(peer_frames.convert("RGB").getdata()):
            failures.append(f"{name}: frame {i} differs from Pillow's decoding")
    rewritten = os.path.join(work, name + ".rewritten.gif")
    code, out, err = run("gif", "--rewrite", winpath(rewritten), winpath(gif))
    if code != 0:
        failures.append(f"{name}: --rewrite failed {code} {err!r}")
        return failures
    info = subprocess.run(["gifsicle", "--info", rewritten], capture_output=True, text=True)
    if info.returncode != 0 or "warning" in info.stderr or "error" in info.stderr:
        failures.append(f"{name}: gifsicle finds the rewritten file faulty: {info.stderr.strip()}")
    # giflib's text dump: every block and every frame's pixels.
    dumps = [subprocess.run(["gifbuild", "-d", f], capture_output=True, text=True) for f in (gif, rewritten)]
    texts = ["\n".join(l for l in d.stdout.splitlines() if not l.startswith("#")) + "\n" for d in dumps]
    if first_only:
        texts = [without_extensions(t) for t in texts]
    if dumps[1].returncode != 0 or texts[0] != texts[1]:
        failures.append(f"{name}: giflib's dump of the rewritten file differs from the original's")
    if list(first_frame(rewritten).getdata()) != list(theirs.getdata()):
        failures.append(f"{name}: the rewritten file decodes differently in Pillow")
    n_src = Image.open(gif).n_frames
    n_out = Image.open(rewritten).n_frames
    if n_src != n_out:
        failures.append(f"{name}: {n_out} frames after rewriting, {n_src} before")
    return failures


shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)
entries = [line.split() for line in open(os.path.join(fixtures, "manifest.txt")) if line.strip()]
# Two Wine processes at a time: one per core.
with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
    for found in pool.map(check, entries):
        failures.extend(found)

for name in ("damaged-header-only.gif", "damaged-table-cut.gif"):
    code, out, err = run("gif", winpath(os.path.join(fixtures, name)))
    if code != 2 or "CArchiveException" not in err or "damaged GIF file" not in err or out:
        failures.append(f"{name}: expected the module's exception and status 2, got {code} {out!r} {err!r}")
code, out, err = run("gif", winpath(os.path.join(work, "missing.gif")))
if code != 1 or "not a readable GIF file" not in err:
    failures.append(f"missing file: got {code} {err!r}")

# Preparation as JPG sends animations as they are and converts a still GIF.
animations = [e[0] for e in entries if e[1] == "yes" and e[3] == "yes" and not e[0].endswith("gif87a.gif")]
paths = [winpath(os.path.join(fixtures, n)) for n in animations + ["im-16.gif"]]
code, out, err = run("prepare", "--format", "JPG", *paths)
sent = out.splitlines()[:-1]
if code != 0 or len(sent) != len(paths):
    failures.append(f"prepare --format JPG: {code} {out!r} {err!r}")
else:
    for path, line in zip(paths[:-1], sent):
        if line.lower() != path.lower():
            failures.append(f"prepare --format JPG sent {line!r} for the animation {path!r}")
    if not sent[-1].lower().endswith(".jpg"):
        failures.append(f"prepare --format JPG sent {sent[-1]!r} for a still GIF")

# An image descriptor of 65535 x 65535 in a small file: nothing to encode.
huge = os.path.join(fixtures, "damaged-huge-descriptor.gif")
rewritten = os.path.join(work, "huge.rewritten.gif")
start = time.monotonic()
code, out, err = run("gif", "--rewrite", winpath(rewritten), winpath(huge))
elapsed = time.monotonic() - start
size = os.path.getsize(rewritten) if os.path.exists(rewritten) else -1
print(f"[ figures  ] rewrite of a {os.path.getsize(huge)}-byte file claiming 65535 x 65535 pixels: "
      f"{elapsed:.2f} s with Wine's start, {size} bytes written")
if code != 0 or not 0 < size < os.path.getsize(huge):
    failures.append(f"damaged-huge-descriptor.gif: --rewrite gave {code} {err!r} and {size} bytes")

for f in failures:
    print("FAIL:", f)
print(f"checked {len(entries)} files, {len(failures)} failures")
sys.exit(1 if failures else 0)
