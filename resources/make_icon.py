#!/usr/bin/env python3
"""Writes one 16-colour .ico holding an image for each file of rows of pixels.

Each file is N rows of N characters, N the image's size in pixels: '.' for a
transparent pixel, or a hex digit naming a colour of the standard 16-colour
palette (0 black, 9 red, ...). The images go into the icon in the order given.
Usage: make_icon.py out.ico icon16.txt icon32.txt ...
"""
import struct
import sys

PALETTE = [  # the standard 16 colours, as (red, green, blue)
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def read_rows(path):
    with open(path) as source:
        rows = [line.rstrip("\n") for line in source if line.strip()]
    size = len(rows)
    if not 1 <= size <= 256 or any(len(row) != size for row in rows):
        sys.exit(f"{path}: expected N rows of N pixels, saw {size} rows of {sorted({len(r) for r in rows})}")
    for y, row in enumerate(rows):
        for x, pixel in enumerate(row):
            if pixel != "." and pixel not in "0123456789abcdefABCDEF":
                sys.exit(f"{path}: row {y} column {x}: '{pixel}' is neither '.' nor a palette index")
    return rows


def padded(bits):
    """Bytes for a row of so many bits: bitmap rows are padded to 4 bytes."""
    return (bits + 31) // 32 * 4


def image_bytes(rows):
    # Bitmaps are stored bottom row first. Colour: 4 bits a pixel. Mask: 1 bit
    # a pixel (1 = transparent). The height counts colour and mask together.
    size = len(rows)
    colour, mask = bytearray(), bytearray()
    for row in reversed(rows):
        indices = [0 if p == "." else int(p, 16) for p in row] + [0]
        packed = bytes(indices[i] << 4 | indices[i + 1] for i in range(0, size, 2))
        colour += packed.ljust(padded(4 * size), b"\0")
        bits = 0
        for p in row:
            bits = bits << 1 | (p == ".")
        mask += (bits << (8 * padded(size) - size)).to_bytes(padded(size), "big")
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 4, 0, len(colour) + len(mask), 0, 0, 16, 0)
    return header + palette + colour + mask


def icon_bytes(images):
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for rows, image in images:
        size = len(rows) % 256  # 0 stands for 256
        directory += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return directory + b"".join(image for _, image in images)


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    images = []
    for path in sys.argv[2:]:
        rows = read_rows(path)
        images.append((rows, image_bytes(rows)))
    with open(sys.argv[1], "wb") as out:
        out.write(icon_bytes(images))


if __name__ == "__main__":
    main()
