#!/usr/bin/env python3
"""Checks built Windows binaries from their PE headers and resources.

check_binaries.py [--version X.Y.Z] [--stripped] FILE...

--version   every file carries a VERSIONINFO with that file and product
            version and its own name as OriginalFilename
--stripped  no symbol table and no debug sections
Every program (.exe) must be large-address aware.
"""
import argparse
import os
import struct
import sys


def pe_header(data):
    offset = struct.unpack_from("<I", data, 0x3C)[0]
    if data[offset:offset + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    machine, sections, _, symbols_at, symbols, optional_size, characteristics = struct.unpack_from(
        "<HHIIIHH", data, offset + 4)
    table = offset + 24 + optional_size
    names = []
    for i in range(sections):
        raw = data[table + 40 * i:table + 40 * i + 8].rstrip(b"\0").decode("latin-1")
        if raw.startswith("/"):  # a long name, kept in the string table after the symbols
            at = symbols_at + 18 * symbols + int(raw[1:])
            raw = data[at:data.index(b"\0", at)].decode("latin-1")
        names.append(raw)
    return characteristics, symbols_at, symbols, names


def fixed_version(data):
    at = data.find(struct.pack("<I", 0xFEEF04BD))
    if at < 0:
        return None
    ms, ls, pms, pls = struct.unpack_from("<IIII", data, at + 8)
    as_text = lambda high, low: f"{high >> 16}.{high & 0xFFFF}.{low >> 16}"
    return as_text(ms, ls), as_text(pms, pls)


def string_value(data, key):
    marker = (key + "\0").encode("utf-16-le")
    at = data.find(marker)
    if at < 0:
        return None
    at += len(marker)
    at += (-at) % 4  # values start on 32-bit boundaries
    end = at
    while data[end:end + 2] != b"\0\0":
        end += 2
    return data[at:end].decode("utf-16-le")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--version")
    parser.add_argument("--stripped", action="store_true")
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    faults = []
    for path in args.files:
        name = os.path.basename(path)
        with open(path, "rb") as f:
            data = f.read()
        characteristics, symbols_at, symbols, sections = pe_header(data)
        if name.lower().endswith(".exe") and not characteristics & 0x20:
            faults.append(f"{name}: not large-address aware")
        if args.version:
            versions = fixed_version(data)
            if versions != (args.version, args.version):
                faults.append(f"{name}: VERSIONINFO {versions}, expected {args.version}")
            original = string_value(data, "OriginalFilename")
            if original is None or original.lower() != name.lower():
                faults.append(f"{name}: OriginalFilename {original!r}")
        if args.stripped:
            debug = [s for s in sections if s.startswith(".debug")]
            if symbols or debug:
                faults.append(f"{name}: not stripped ({symbols} symbols, sections {debug})")
    for fault in faults:
        print(fault, file=sys.stderr)
    if not faults:
        print(f"{len(args.files)} binaries as expected")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
