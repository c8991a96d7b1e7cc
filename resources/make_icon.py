#!/usr/bin/env python3
"""Writes a 32 by 32, 16-colour .ico from rows of pixels.

Each row of the input is 32 characters: '.' for a transparent pixel, or a hex
digit naming a colour of the standard 16-colour palette (0 black, 9 red, ...).
Usage: make_icon.py icon.txt out.ico
"""
import struct
import sys

SIZE = 32
PALETTE = [  # the standard 16 colours, as (red, green, blue)
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def read_rows(path):
    with open(path) as source:
        rows = [line.rstrip("\n") for line in source if line.strip()]
    if len(rows) != SIZE or any(len(row) != SIZE for row in rows):
        sys.exit(f"{path}: expected {SIZE} rows of {SIZE} pixels")
    for y, row in enumerate(rows):
        for x, pixel in enumerate(row):
            if pixel != "." and pixel not in "0123456789abcdefABCDEF":
                sys.exit(f"{path}: row {y} column {x}: '{pixel}' is neither '.' nor a palette index")
    return rows


def icon_bytes(rows):
    # Bitmaps are stored bottom row first. Colour: 4 bits a pixel, 16 bytes a
    # row. Mask: 1 bit a pixel (1 = transparent), rows padded to 4 bytes.
    colour, mask = bytearray(), bytearray()
    for row in reversed(rows):
        indices = [0 if p == "." else int(p, 16) for p in row]
        colour += bytes(indices[i] << 4 | indices[i + 1] for i in range(0, SIZE, 2))
        bits = 0
        for p in row:
            bits = bits << 1 | (p == ".")
        mask += bits.to_bytes(SIZE // 8, "big")
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 4, 0, len(colour) + len(mask), 0, 0, 16, 0)
    image = header + palette + colour + mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + image


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    with open(sys.argv[2], "wb") as out:
        out.write(icon_bytes(read_rows(sys.argv[1])))


if __name__ == "__main__":
    main()
