#!/usr/bin/python3
"""check_host_gif.py BIN FIXTURES WORK: runs email32.exe (under Wine) on the
peer GIFs. Its animated answers follow the manifest; its frame dumps equal
Pillow's decoding of the first frame pixel for pixel; the files it rewrites
are valid for gifsicle, dump in giflib exactly as the originals do (every
block, every frame's pixels) and decode in Pillow to the same pixels; damaged
files give a message and exit status 1."""
import concurrent.futures
import os
import shutil
import subprocess
import sys

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


def check(entry):
    """The failures for one manifest entry."""
    failures = []
    name, animated, frames, peer = entry
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
    ours = Image.open(os.path.join(folder, "frame-000.png")).convert("RGB")
    theirs = first_frame(gif)
    if ours.size == theirs.size and list(ours.getdata()) != list(theirs.getdata()):
        failures.append(f"{name}: frame 0 differs from Pillow's decoding")
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
    texts = ["\n".join(l for l in d.stdout.splitlines() if not l.startswith("#")) for d in dumps]
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
    if code != 1 or "damaged GIF file" not in err or out:
        failures.append(f"{name}: expected a message and status 1, got {code} {out!r} {err!r}")
code, out, err = run("gif", winpath(os.path.join(work, "missing.gif")))
if code != 1 or "not a readable GIF file" not in err:
    failures.append(f"missing file: got {code} {err!r}")

for f in failures:
    print("FAIL:", f)
print(f"checked {len(entries)} files, {len(failures)} failures")
sys.exit(1 if failures else 0)
