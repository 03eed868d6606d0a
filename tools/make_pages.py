#!/usr/bin/env python3
"""Prints sample report pages the way a host does: one Windows metafile per
page, with the 22-byte placeable header, named <instance><page>.WMF.

Each page is a real metafile that picture viewers and word processors can
show: a placeable header (key 0x9AC6CDD7, bounding box, units per inch and
the XOR checksum of its first ten words), the standard metafile header, and
records that set the window, draw a frame and a few table lines with a pen
and write a title and a page number in a font.

Usage:
  make_pages.py FOLDER INSTANCE COUNT [--width N] [--height N]

  FOLDER    where the pages go (created when missing), usually <cwd>/KQ
  INSTANCE  the host's instance number, 0..255
  COUNT     the number of pages, 1..255
  --width, --height  page size in thousandths of an inch (A4: 8270 x 11530)
"""

import argparse
import os
import struct
import sys

PLACEABLE_KEY = 0x9AC6CDD7
UNITS_PER_INCH = 1440  # twips

# Record functions of the metafile format.
META_EOF = 0x0000
META_SETBKMODE = 0x0102
META_SETMAPMODE = 0x0103
META_SETWINDOWORG = 0x020B
META_SETWINDOWEXT = 0x020C
META_SELECTOBJECT = 0x012D
META_DELETEOBJECT = 0x01F0
META_CREATEPENINDIRECT = 0x02FA
META_CREATEFONTINDIRECT = 0x02FB
META_MOVETO = 0x0214
META_LINETO = 0x0213
META_RECTANGLE = 0x041B
META_TEXTOUT = 0x0521

MM_ANISOTROPIC = 8
TRANSPARENT = 1


def record(function, payload=b""):
    """One record: its size in 16-bit words, its function, its parameters."""
    if len(payload) % 2:
        payload += b"\0"
    return struct.pack("<IH", 3 + len(payload) // 2, function) + payload


def words(*values):
    return struct.pack("<%dh" % len(values), *values)


def font(height, weight, face):
    name = face.encode("ascii")[:31] + b"\0"
    logfont = struct.pack("<hhhhhBBBBBBBB", -height, 0, 0, 0, weight,
                          0, 0, 0, 0, 0, 0, 2, 0x12)
    return record(META_CREATEFONTINDIRECT, logfont + name)


def pen(width, colour):
    return record(META_CREATEPENINDIRECT,
                  struct.pack("<HhhI", 0, width, 0, colour))


def text_out(x, y, text):
    data = text.encode("ascii")
    padded = data + (b"\0" if len(data) % 2 else b"")
    return record(META_TEXTOUT,
                  struct.pack("<h", len(data)) + padded + words(y, x))


def line(x1, y1, x2, y2):
    return record(META_MOVETO, words(y1, x1)) + record(META_LINETO,
                                                       words(y2, x2))


def page_records(page, count, width, height):
    """The drawing of one page in twips, as metafile records."""
    margin = 720
    body = [
        record(META_SETMAPMODE, words(MM_ANISOTROPIC)),
        record(META_SETWINDOWORG, words(0, 0)),
        record(META_SETWINDOWEXT, words(height, width)),
        record(META_SETBKMODE, words(TRANSPARENT)),
        font(280, 700, "Arial"),                    # object 0
        record(META_SELECTOBJECT, words(0)),
        pen(15, 0x000000),                          # object 1
        record(META_SELECTOBJECT, words(1)),
        text_out(margin, margin, "Goods report"),
        text_out(width - 3 * margin, margin, "Page %d of %d" % (page, count)),
        record(META_RECTANGLE,
               words(height - margin, width - margin, 2 * margin, margin)),
    ]
    for row in range(1, 6):
        y = 2 * margin + row * 600 + page * 40
        body.append(line(margin, y, width - margin, y))
        body.append(text_out(margin + 120, y - 400,
                             "Item %d.%d" % (page, row)))
    body += [
        record(META_DELETEOBJECT, words(0)),
        record(META_DELETEOBJECT, words(1)),
        record(META_EOF),
    ]
    return body


def placeable_header(width, height):
    head = struct.pack("<IHhhhhHI", PLACEABLE_KEY, 0, 0, 0, width, height,
                       UNITS_PER_INCH, 0)
    checksum = 0
    for (word,) in struct.iter_unpack("<H", head):
        checksum ^= word
    return head + struct.pack("<H", checksum)


def make_page(page, count, width_thou=8270, height_thou=11530):
    """The bytes of page `page` of `count`, the size in thousandths of an
    inch."""
    width = width_thou * UNITS_PER_INCH // 1000
    height = height_thou * UNITS_PER_INCH // 1000
    records = page_records(page, count, width, height)
    body = b"".join(records)
    header_words = 9
    metaheader = struct.pack("<HHHIHIH", 1, header_words, 0x0300,
                             header_words + len(body) // 2, 2,
                             max(len(r) // 2 for r in records), 0)
    return placeable_header(width, height) + metaheader + body


def write_pages(folder, instance, count, width=8270, height=11530):
    """Writes pages 1..count and returns their paths."""
    os.makedirs(folder, exist_ok=True)
    paths = []
    for page in range(1, count + 1):
        path = os.path.join(folder, "%d%d.WMF" % (instance, page))
        with open(path, "wb") as f:
            f.write(make_page(page, count, width, height))
        paths.append(path)
    return paths


def main(argv):
    parser = argparse.ArgumentParser(
        description="Print sample report pages as placeable metafiles.")
    parser.add_argument("folder")
    parser.add_argument("instance", type=int, choices=range(256),
                        metavar="INSTANCE")
    parser.add_argument("count", type=int, choices=range(1, 256),
                        metavar="COUNT")
    parser.add_argument("--width", type=int, default=8270)
    parser.add_argument("--height", type=int, default=11530)
    args = parser.parse_args(argv)
    # Page sizes are stored as 16-bit numbers of twips.
    for name in ("width", "height"):
        if not 1 <= getattr(args, name) * UNITS_PER_INCH // 1000 <= 32767:
            parser.error("--%s must be 1 to 22755 thousandths of an inch"
                         % name)
    for path in write_pages(args.folder, args.instance, args.count,
                            args.width, args.height):
        print(path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
