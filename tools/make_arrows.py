#!/usr/bin/env python3
"""Makes the two arrow pictures that the message carries between its pages.

Each arrow is a 20x20 interlaced GIF89a with a 256-entry colour table: index
0 is black, index 255 white and transparent, and a solid black triangle ten
rows high is centred on the vertical middle line. The image data is a real
LZW stream; each file is exactly 863 bytes (a comment extension would pad a
shorter stream to that size), so the base64 text is 15 lines of 76
characters and one of 12.

Usage:
  make_arrows.py --out-dir DIR   writes DIR/u.gif and DIR/d.gif
  make_arrows.py --cpp           prints the base64 lines as C++ string arrays
"""

import argparse
import base64
import os
import struct
import sys

SIZE = 20
FILE_SIZE = 863
BLACK = 0
WHITE = 255
MIN_CODE_SIZE = 8

# Widths of the black run on rows 6 to 15 (counted from 1 at the top).
UP_ROWS = [2, 4, 6, 8, 10, 12, 14, 16, 18, 18]
DOWN_ROWS = list(reversed(UP_ROWS))
FIRST_ROW = 5  # row 6, counted from 0


def arrow_pixels(widths):
    """Rows of colour indices, top to bottom."""
    rows = []
    for y in range(SIZE):
        row = [WHITE] * SIZE
        k = y - FIRST_ROW
        if 0 <= k < len(widths):
            left = (SIZE - widths[k]) // 2
            for x in range(left, left + widths[k]):
                row[x] = BLACK
        rows.append(row)
    return rows


def interlace_order(height):
    """Row numbers in the order of the four interlaced passes."""
    order = []
    for start, step in ((0, 8), (4, 8), (2, 4), (1, 2)):
        order.extend(range(start, height, step))
    return order


def lzw_encode(indices, min_code_size):
    """Variable-length LZW as GIF uses it: clear code first, EOI last."""
    clear = 1 << min_code_size
    eoi = clear + 1
    table = {bytes([i]): i for i in range(clear)}
    next_code = eoi + 1
    code_size = min_code_size + 1
    codes = [(clear, code_size)]
    current = b""
    for index in indices:
        candidate = current + bytes([index])
        if candidate in table:
            current = candidate
            continue
        codes.append((table[current], code_size))
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            # The decoder adds this entry one code later, so the width grows
            # once the entry before it used the last code of the width.
            if next_code - 1 == (1 << code_size) and code_size < 12:
                code_size += 1
        current = bytes([index])
    if current:
        codes.append((table[current], code_size))
    codes.append((eoi, code_size))

    out = bytearray()
    bits = 0
    nbits = 0
    for code, width in codes:
        bits |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8
    if nbits:
        out.append(bits & 0xFF)
    return bytes(out)


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out.extend(chunk)
    out.append(0)
    return bytes(out)


def padding(room):
    """A comment extension of exactly `room` bytes (none when room is 0)."""
    if room == 0:
        return b""
    if room == 3:
        return b"\x21\xfe\x00"
    if not 5 <= room <= 259:
        raise SystemExit("arrow does not fit in %d bytes" % FILE_SIZE)
    text = (b"arrow " * 50)[:room - 4]
    return bytes([0x21, 0xFE, len(text)]) + text + b"\x00"


def make_gif(widths):
    rows = arrow_pixels(widths)
    indices = [p for y in interlace_order(SIZE) for p in rows[y]]

    head = bytearray(b"GIF89a")
    # Screen: 20x20, global table of 256 entries (8 bits of colour
    # resolution), background index 255, square pixels.
    head += struct.pack("<HHBBB", SIZE, SIZE, 0xF7, WHITE, 0)
    table = bytearray(3 * 256)  # all black but the last entry
    table[3 * WHITE:3 * WHITE + 3] = b"\xff\xff\xff"
    head += table
    # Graphic control: no disposal, no delay, index 255 transparent.
    head += bytes([0x21, 0xF9, 4, 0x01, 0, 0, WHITE, 0])

    image = bytearray()
    image += b"\x2c" + struct.pack("<HHHHB", 0, 0, SIZE, SIZE, 0x40)
    image.append(MIN_CODE_SIZE)
    image += sub_blocks(lzw_encode(indices, MIN_CODE_SIZE))
    trailer = b"\x3b"

    gif = bytes(head + padding(FILE_SIZE - len(head) - len(image) - 1) +
                image + trailer)
    assert len(gif) == FILE_SIZE
    return gif


def base64_lines(data):
    text = base64.b64encode(data).decode("ascii")
    return [text[i:i + 76] for i in range(0, len(text), 76)]


def print_cpp():
    for name, widths in (("kUpArrowLines", UP_ROWS),
                         ("kDownArrowLines", DOWN_ROWS)):
        print("constexpr std::string_view %s[] = {" % name)
        for line in base64_lines(make_gif(widths)):
            print('    "%s",' % line)
        print("};")


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out-dir", help="folder for u.gif and d.gif")
    parser.add_argument("--cpp", action="store_true",
                        help="print the base64 lines as C++ arrays")
    args = parser.parse_args(argv)
    if args.cpp:
        print_cpp()
    if args.out_dir:
        os.makedirs(args.out_dir, exist_ok=True)
        for name, widths in (("u.gif", UP_ROWS), ("d.gif", DOWN_ROWS)):
            with open(os.path.join(args.out_dir, name), "wb") as f:
                f.write(make_gif(widths))
    if not args.cpp and not args.out_dir:
        parser.print_usage()
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
