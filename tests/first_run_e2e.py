#!/usr/bin/env python3
"""The first run a newcomer makes: vellaro-demo seeds GOODS.db, prints the
Goods report through the report engine to KQ/<instance><page>.WMF and starts
vellaro on the pages. Checks that the pages are real placeable metafiles of
the report, that the message carries exactly those pages, and what the demo
says about the message.

With --libreoffice, converts the RTF document to PDF with LibreOffice
(soffice --headless) and checks with poppler (pdfinfo, pdftotext, pdftoppm)
that every page picture arrived as a page of its own that shows the report;
exits 77 (skipped) when those programs are missing.

Usage: first_run_e2e.py [--libreoffice] PATH_TO_VELLARO_DEMO PATH_TO_VELLARO
"""

import email
import os
import re
import shutil
import sqlite3
import struct
import subprocess
import sys
import tempfile
import unittest

DEMO = None
VELLARO = None
LIBREOFFICE = False
SKIPPED = 77

INSTANCE = 5
RECORDS = 300
PAGES = 12  # 26 detail bands to a page

# Record functions a page picture may hold.
FUNCTIONS = {
    0x0000: "EOF", 0x0102: "SetBkMode", 0x0103: "SetMapMode",
    0x012E: "SetTextAlign", 0x012D: "SelectObject", 0x01F0: "DeleteObject",
    0x0209: "SetTextColor", 0x020B: "SetWindowOrg", 0x020C: "SetWindowExt",
    0x0213: "LineTo", 0x0214: "MoveTo", 0x02FA: "CreatePenIndirect",
    0x02FB: "CreateFontIndirect", 0x02FC: "CreateBrushIndirect",
    0x041B: "Rectangle", 0x0521: "TextOut",
}
CREATES = {"CreatePenIndirect", "CreateFontIndirect", "CreateBrushIndirect"}


def read_metafile(data):
    """Checks a placeable metafile field by field; returns its frame and
    records as (name, parameter bytes)."""
    key, handle, left, top, right, bottom, inch, reserved, checksum = \
        struct.unpack_from("<IHhhhhHIH", data, 0)
    assert key == 0x9AC6CDD7, "placeable key"
    assert handle == 0 and reserved == 0
    xor = 0
    for (word,) in struct.iter_unpack("<H", data[:20]):
        xor ^= word
    assert checksum == xor, "checksum"
    kind, header_words, version, size_words, objects, largest, params = \
        struct.unpack_from("<HHHIHIH", data, 22)
    assert (kind, header_words, version, params) == (1, 9, 0x0300, 0)
    body = data[22:]
    assert size_words * 2 == len(body), "file size in words"
    at, records, slots, biggest = 18, [], [], 0
    while at < len(body):
        assert not records or records[-1][0] != "EOF", "records after EOF"
        words, function = struct.unpack_from("<IH", body, at)
        assert 3 <= words and at + 2 * words <= len(body), "record size"
        name = FUNCTIONS[function]
        params_bytes = body[at + 6:at + 2 * words]
        if name in CREATES:
            slot = slots.index(False) if False in slots else len(slots)
            slots[slot:slot + 1] = [True]
        elif name in ("SelectObject", "DeleteObject"):
            (index,) = struct.unpack_from("<H", params_bytes)
            assert index < len(slots) and slots[index], "object %d" % index
            if name == "DeleteObject":
                slots[index] = False
        records.append((name, params_bytes))
        biggest = max(biggest, words)
        at += 2 * words
    assert records[-1][0] == "EOF", "no EOF record"
    assert not any(slots), "objects left undeleted"
    assert objects == len(slots) and largest == biggest, "header counts"
    return (left, top, right, bottom, inch), records


def texts(records):
    """The texts of the TextOut records."""
    out = []
    for name, params in records:
        if name == "TextOut":
            (length,) = struct.unpack_from("<h", params)
            out.append(params[2:2 + length].decode("cp1252"))
    return out


class FirstRunTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory(prefix="vellaro_first_run_")
        cls.dir = os.path.join(cls.tmp.name, "demo folder")  # a blank too
        cls.demo = subprocess.run(
            [DEMO, "--vellaro", VELLARO, cls.dir], capture_output=True,
            text=True, timeout=120, stdin=subprocess.DEVNULL)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def path(self, *parts):
        return os.path.join(self.dir, *parts)

    def read(self, *parts):
        with open(self.path(*parts), "rb") as f:
            return f.read()

    def page(self, number):
        return self.read("KQ", "%d%d.WMF" % (INSTANCE, number))

    def message(self):
        return email.message_from_bytes(self.read("report.eml"))


class DemoTest(FirstRunTest):
    def test_demo_succeeds_and_says_where_things_landed(self):
        self.assertEqual(self.demo.returncode, 0, self.demo.stderr)
        out = self.demo.stdout
        self.assertIn("with %d Goods records" % RECORDS, out)
        self.assertIn("%d pages" % PAGES, out)
        self.assertIn(self.path("report.eml"), out)
        self.assertIn(self.path("KQ", "%d.RTF" % INSTANCE), out)
        self.assertIn(self.path("saved", "Goods.RTF"), out)

    def test_pages_are_placeable_metafiles_of_the_goods_report(self):
        for number in range(1, PAGES + 1):
            with self.subTest(page=number):
                frame, records = read_metafile(self.page(number))
                self.assertEqual(frame, (0, 0, 8270, 11530, 1000))
                names = [name for name, _ in records]
                self.assertEqual(names[:3], ["SetMapMode", "SetWindowOrg",
                                             "SetWindowExt"])
                self.assertIn("Rectangle", names)
                found = texts(records)
                self.assertEqual(found[:3], ["Report the Goods File",
                                             "Cus ID", "Goods"])
                self.assertIn("Page %d" % number, found)
                details = 26 if number < PAGES else RECORDS - 26 * (PAGES - 1)
                self.assertEqual(len(found), 4 + 2 * details)
                # One rule per detail band, and the heading's column line.
                self.assertEqual(names.count("LineTo"), 1 + details)
        self.assertFalse(os.path.exists(self.path("KQ", "%d%d.WMF" %
                                                  (INSTANCE, PAGES + 1))))

    def test_message_carries_exactly_the_printed_pages(self):
        parts = {p.get_param("name"): p.get_payload(decode=True)
                 for p in self.message().walk() if not p.is_multipart()
                 and p.get_param("name")}
        for number in range(1, PAGES + 1):
            self.assertEqual(parts.pop("%d.WMF" % number), self.page(number))
        self.assertEqual(parts.pop("Goods.RTF"),
                         self.read("KQ", "%d.RTF" % INSTANCE))
        self.assertEqual(sorted(parts), ["d.gif", "u.gif"])

    def test_rtf_document_holds_every_page_as_its_metafile(self):
        rtf = self.read("KQ", "%d.RTF" % INSTANCE).decode("ascii")
        groups = rtf.split("{\\pict")[1:]
        self.assertEqual(len(groups), PAGES)
        for number, group in enumerate(groups, start=1):
            self.assertIn("\\picscalex80\\picscaley80", group)
            hex_data = re.search(r"\}\r\n([0-9A-F\r\n]*)\}\}", group).group(1)
            self.assertEqual(bytes.fromhex(hex_data.replace("\r\n", "")),
                             self.page(number)[22:], "page %d" % number)

    def test_listing_agrees_with_a_mime_parser(self):
        listed = re.findall(r"^    (\S+/\S+) +(\S*(?: <\S+>)?) +(\d+) bytes$",
                            self.demo.stdout, re.MULTILINE)
        parsed = []
        for part in self.message().walk():
            if part.is_multipart():
                continue
            label = part.get_param("name") or ""
            cid = part.get("Content-ID", "").strip()
            if cid:
                label = (label + " " + cid).strip()
            base64 = part.get("Content-Transfer-Encoding", "") == "base64"
            size = len(part.get_payload(decode=True) or b"")
            parsed.append((part.get_content_type(), label, base64, size))
        self.assertEqual(len(listed), len(parsed))
        for (ctype, label, size), (ptype, plabel, base64, psize) in zip(
                listed, parsed):
            self.assertEqual((ctype, label), (ptype, plabel))
            if base64:
                self.assertEqual(int(size), psize, label)

    def test_start_up_run_leaves_the_seeded_goods_as_they_were(self):
        db = sqlite3.connect(self.path("GOODS.db"))
        try:
            rows = db.execute(
                "SELECT cus_id, goods FROM goods ORDER BY rowid").fetchall()
        finally:
            db.close()
        self.assertEqual(len(rows), RECORDS)
        self.assertTrue(all(0 < len(goods) <= 20 for _, goods in rows))
        frame, records = read_metafile(self.page(1))
        self.assertEqual(texts(records)[4].strip(), str(rows[0][0]))
        self.assertEqual(texts(records)[5], rows[0][1])


class LibreOfficeTest(FirstRunTest):
    def test_every_page_picture_becomes_a_page_showing_the_report(self):
        self.assertEqual(self.demo.returncode, 0, self.demo.stderr)
        out = os.path.join(self.tmp.name, "pdf")
        profile = "file://" + os.path.join(self.tmp.name, "lo_profile")
        subprocess.run(
            ["soffice", "-env:UserInstallation=" + profile, "--headless",
             "--convert-to", "pdf", "--outdir", out,
             self.path("KQ", "%d.RTF" % INSTANCE)],
            check=True, capture_output=True, timeout=240,
            stdin=subprocess.DEVNULL)
        pdf = os.path.join(out, "%d.pdf" % INSTANCE)
        info = subprocess.run(["pdfinfo", pdf], check=True,
                              capture_output=True, text=True).stdout
        self.assertEqual(int(re.search(r"^Pages:\s+(\d+)", info,
                                       re.MULTILINE).group(1)), PAGES)
        for number in range(1, PAGES + 1):
            with self.subTest(page=number):
                text = subprocess.run(
                    ["pdftotext", "-f", str(number), "-l", str(number),
                     "-layout", pdf, "-"],
                    check=True, capture_output=True, text=True).stdout
                self.assertIn("Report the Goods File", text)
                self.assertRegex(text, r"Page %d\b" % number)
                self.assertGreater(self.dark_share(pdf, number), 0.005)

    def dark_share(self, pdf, number):
        """The share of the page's pixels that are dark, at 30 dpi."""
        pgm = subprocess.run(
            ["pdftoppm", "-f", str(number), "-l", str(number), "-r", "30",
             "-gray", pdf], check=True, capture_output=True).stdout
        header = re.match(rb"P5\s+(\d+)\s+(\d+)\s+(\d+)\s", pgm)
        pixels = pgm[header.end():]
        return sum(1 for p in pixels if p < 128) / len(pixels)


def main():
    global DEMO, VELLARO, LIBREOFFICE
    args = sys.argv[1:]
    if args and args[0] == "--libreoffice":
        LIBREOFFICE = True
        args.pop(0)
    if len(args) != 2:
        sys.exit(__doc__)
    DEMO, VELLARO = (os.path.abspath(a) for a in args)
    if LIBREOFFICE:
        missing = [p for p in ("soffice", "pdfinfo", "pdftotext", "pdftoppm")
                   if shutil.which(p) is None]
        if missing:
            print("skipped: not installed: " + ", ".join(missing))
            sys.exit(SKIPPED)
        suite = unittest.defaultTestLoader.loadTestsFromTestCase(
            LibreOfficeTest)
    else:
        suite = unittest.defaultTestLoader.loadTestsFromTestCase(DemoTest)
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
