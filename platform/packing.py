"""Packs bytes the program holds as tables (its texts, the zones' names) for
platform/Packed.cpp to unpack once at run time: a plain LZ77, parsed for the
fewest bytes at build time, so that the program needs a few lines to unpack.

Tokens, each a first byte and what follows it:
  0x00-0x7F  a run of (byte + 1) literal bytes, which follow
  0x80-0xBF  a copy of 3 + (bits 3-5) bytes from 1 + (bits 0-2 : next byte) bytes back
  0xC0-0xFF  a copy of 3 + (bits 0-5) bytes from 1 + (next two bytes, low first) bytes back
"""
import collections

SHORTEST, LONGEST_NEAR, LONGEST = 3, 10, 66
NEAREST_REACH, REACH = 2048, 65536
CANDIDATES = 512  # earlier places tried for each: more finds little


def pack(data):
    size = len(data)
    # For each place, the nearest earlier place of each length that repeats there.
    seen, copies = collections.defaultdict(list), []
    for at in range(size):
        found = {}
        key = data[at:at + SHORTEST]
        if len(key) == SHORTEST:
            for earlier in reversed(seen[key][-CANDIDATES:]):
                if at - earlier > REACH:
                    break
                length = 0
                while length < LONGEST and at + length < size and data[earlier + length] == data[at + length]:
                    length += 1
                for each in range(SHORTEST, length + 1):
                    found.setdefault(each, at - earlier)
            seen[key].append(at)
        copies.append(found)
    # The fewest bytes from each place to the end, back to front.
    cost, choice = [0] * (size + 1), [None] * (size + 1)
    for at in range(size - 1, -1, -1):
        cost[at] = None
        for run in range(1, min(128, size - at) + 1):
            if cost[at] is None or 1 + run + cost[at + run] < cost[at]:
                cost[at], choice[at] = 1 + run + cost[at + run], (run, 0)
        for length, back in copies[at].items():
            taken = (2 if length <= LONGEST_NEAR and back <= NEAREST_REACH else 3) + cost[at + length]
            if taken < cost[at]:
                cost[at], choice[at] = taken, (length, back)
    out, at = bytearray(), 0
    while at < size:
        length, back = choice[at]
        if back == 0:
            out.append(length - 1)
            out += data[at:at + length]
        elif length <= LONGEST_NEAR and back <= NEAREST_REACH:
            out += bytes([0x80 | (length - SHORTEST) << 3 | (back - 1) >> 8, (back - 1) & 0xFF])
        else:
            out += bytes([0xC0 | (length - SHORTEST), (back - 1) & 0xFF, (back - 1) >> 8])
        at += length
    packed = bytes(out)
    if unpack(packed) != data:
        raise AssertionError("packing.py: the packed bytes do not unpack to the table")
    return packed


def unpack(packed):
    """What platform/Packed.cpp does, to check each packing at build time."""
    out, at = bytearray(), 0
    while at < len(packed):
        first = packed[at]
        if first < 0x80:
            out += packed[at + 1:at + 2 + first]
            at += 2 + first
            continue
        if first < 0xC0:
            length, back = SHORTEST + (first >> 3 & 7), 1 + ((first & 7) << 8 | packed[at + 1])
            at += 2
        else:
            length, back = SHORTEST + (first & 0x3F), 1 + (packed[at + 1] | packed[at + 2] << 8)
            at += 3
        for _ in range(length):
            out.append(out[-back])
    return bytes(out)


def c_literal(data):
    """The bytes as a C string literal (the compiler adds a NUL); octal escapes take three digits."""
    out = ""
    for byte in data:
        c = chr(byte)
        if c in '"\\?':
            out += "\\" + c
        elif 32 <= byte < 127:
            out += c
        else:
            out += f"\\{byte:03o}"
    return f'"{out}"'
