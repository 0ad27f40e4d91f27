#!/usr/bin/env python3
"""Lists a GIF's images block by block, to see where two files' bytes differ.

One line per image: its rectangle, disposal, delay, transparent index, local
table entries, LZW minimum code size and image data bytes (sub-block headers
included), then the totals. With two files, the images are paired by position
and the data bytes compared side by side. Usage:
  bench/gif/frame-blocks.py A.gif [B.gif]
"""
import sys


def images(path):
    data = open(path, "rb").read()
    if data[:6] not in (b"GIF87a", b"GIF89a"):
        sys.exit(f"{path}: not a GIF")
    flags = data[10]
    pos = 13
    header = {"global": 0, "total": len(data)}
    if flags & 0x80:
        header["global"] = 2 << (flags & 7)
        pos += 3 * header["global"]
    control = {}
    found = []
    while pos < len(data):
        kind = data[pos]
        if kind == 0x3B:
            break
        if kind == 0x21:
            label = data[pos + 1]
            pos += 2
            if label == 0xF9:
                packed = data[pos + 1]
                control = {
                    "disposal": (packed >> 2) & 7,
                    "delay": data[pos + 2] | data[pos + 3] << 8,
                    "transparent": data[pos + 4] if packed & 1 else -1,
                }
            while data[pos]:
                pos += data[pos] + 1
            pos += 1
            continue
        if kind != 0x2C:
            sys.exit(f"{path}: unknown block 0x{kind:02x} at {pos}")
        x, y, w, h = (data[pos + 1 + 2 * k] | data[pos + 2 + 2 * k] << 8 for k in range(4))
        flags = data[pos + 9]
        pos += 10
        local = 0
        if flags & 0x80:
            local = 2 << (flags & 7)
            pos += 3 * local
        min_code = data[pos]
        start = pos
        pos += 1
        while data[pos]:
            pos += data[pos] + 1
        pos += 1
        found.append(dict(control, rect=(x, y, w, h), local=local, min_code=min_code, lzw=pos - start))
        control = {}
    return header, found


def line(image):
    x, y, w, h = image["rect"]
    return (f"{w}x{h}+{x}+{y} d{image.get('disposal', '-')} t{image.get('transparent', -1)} "
            f"delay {image.get('delay', '-')} local {image['local']} code {image['min_code']} "
            f"data {image['lzw']}")


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    parsed = [images(path) for path in sys.argv[1:]]
    for (header, found), path in zip(parsed, sys.argv[1:]):
        print(f"{path}: {header['total']} bytes, {len(found)} images, global table {header['global']}, "
              f"image data {sum(i['lzw'] for i in found)}, local tables {sum(i['local'] for i in found)} entries")
    if len(parsed) == 1:
        for n, image in enumerate(parsed[0][1]):
            print(f"{n:4d} {line(image)}")
        return
    a, b = parsed[0][1], parsed[1][1]
    for n in range(max(len(a), len(b))):
        left = line(a[n]) if n < len(a) else "-"
        right = line(b[n]) if n < len(b) else "-"
        diff = (b[n]["lzw"] - a[n]["lzw"]) if n < len(a) and n < len(b) else ""
        print(f"{n:4d} {left:60s} | {right:60s} {diff}")


if __name__ == "__main__":
    main()
