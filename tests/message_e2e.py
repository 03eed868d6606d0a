#!/usr/bin/env python3
"""The host's road, end to end: pages printed to KQ/, vellaro started with an
instance number and one MakeEMLFileSW call, and the message it writes read
back by Python's own MIME parser.

Usage: message_e2e.py PATH_TO_VELLARO
"""

import email
import os
import re
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TOOLS = os.path.join(ROOT, "tools")
VELLARO = None  # set from the command line

INSTANCE = 5


def call_text(args):
    """A MakeEMLFileSW call with the texts `args` as string literals."""
    quoted = ["'" + a.replace("'", "''") + "'" for a in args]
    return "MakeEMLFileSW(" + ",".join(quoted) + ")"


def arguments(**overrides):
    """The 27 arguments of a three-page A4 report; keywords replace some."""
    args = {
        "EMLFileName": "out.eml",
        "PageCount": "3",
        "MailTo": "ann@example.com, bob@example.com",
        "MailSubject": "Goods report",
        "BgColor": "0",
        "ScalePercent": "50",
        "MailCc": "",
        "MailBcc": "",
        "NoRTF": "0",
        "RTFName": "Goods",
        "RTFCopyFolder": "",
        "UpImage": "art/u.gif",
        "DownImage": "art/d.gif",
        "FontFace": "Arial",
        "FontSize": "2",
        "FontColor": "0",
        "ContentMode": "0",
        "LeftMargin": "197",
        "TopMargin": "197",
        "PageWidth": "8270",
        "PageHeight": "11530",
        "SoundFile": "",
        "SoundLoop": "Once",
        "Priority": "High",
        "Landscape": "0",
        "PaperName": "A4",
        "MailFrom": "reports@example.com",
    }
    args.update(overrides)
    assert len(args) == 27
    return list(args.values())


class MessageTest(unittest.TestCase):
    def setUp(self):
        self._tmp = tempfile.TemporaryDirectory(prefix="vellaro-e2e-")
        self.dir = self._tmp.name
        self.tool("make_pages.py", os.path.join(self.dir, "KQ"),
                  str(INSTANCE), "3")
        self.tool("make_arrows.py", "--out-dir", os.path.join(self.dir, "art"))

    def tearDown(self):
        self._tmp.cleanup()

    def tool(self, script, *args):
        subprocess.run([sys.executable, os.path.join(TOOLS, script), *args],
                       check=True, stdout=subprocess.DEVNULL)

    def path(self, *parts):
        return os.path.join(self.dir, *parts)

    def read(self, *parts):
        with open(self.path(*parts), "rb") as f:
            return f.read()

    def run_vellaro(self, args):
        done = subprocess.run([VELLARO, str(INSTANCE), call_text(args)],
                              cwd=self.dir, stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=120)
        self.assertEqual(done.returncode, 0, done.stderr)
        return self.read("out.eml")

    def test_three_pages_with_arrows_sound_and_rtf(self):
        with open(self.path("chime.wav"), "wb") as f:
            f.write(b"RIFF" + bytes(range(256)) * 3)
        data = self.run_vellaro(arguments(
            SoundFile="chime.wav",
            RTFCopyFolder=self.path("saved", "reports")))

        # Every line is a record of the message file: CR LF, at most 256.
        self.assertTrue(data.endswith(b"\r\n------=_1_--\r\n"))
        for line in data.split(b"\r\n"):
            self.assertNotIn(b"\n", line)
            self.assertLessEqual(len(line), 256)

        msg = email.message_from_bytes(data)
        self.assertEqual(msg.get_content_type(), "multipart/related")
        self.assertEqual(msg["X-Unsent"], "1")
        self.assertEqual(msg["X-Priority"], "1")
        self.assertEqual(msg["From"], "reports@example.com")
        self.assertEqual(re.sub(r"\s+", " ", msg["To"]),
                         "ann@example.com, bob@example.com")
        self.assertIsNone(msg["Cc"])
        self.assertEqual(msg.defects, [])

        parts = msg.get_payload()
        alternative = parts[0]
        self.assertEqual(alternative.get_content_type(),
                         "multipart/alternative")
        plain, html_part = alternative.get_payload()
        self.assertEqual(plain.get_content_type(), "text/plain")
        self.assertEqual(html_part.get_content_type(), "text/html")
        html = html_part.get_payload(decode=True).decode("iso-8859-1")
        self.assertIn('<IMG height=553 src="cid:1" width=396 border=0>',
                      re.sub(r"\s+", " ", html))

        sources = {
            "Goods.RTF": self.path("KQ", "%d.RTF" % INSTANCE),
            "1.WMF": self.path("KQ", "%d1.WMF" % INSTANCE),
            "2.WMF": self.path("KQ", "%d2.WMF" % INSTANCE),
            "3.WMF": self.path("KQ", "%d3.WMF" % INSTANCE),
            "u.gif": self.path("art", "u.gif"),
            "d.gif": self.path("art", "d.gif"),
            "snd.wav": self.path("chime.wav"),
        }
        names = []
        content_ids = set()
        for part in parts[1:]:
            self.assertEqual(part.defects, [])
            self.assertEqual(part["Content-Transfer-Encoding"], "base64")
            name = part.get_param("name")
            names.append(name)
            with open(sources[name], "rb") as f:
                self.assertEqual(part.get_payload(decode=True), f.read(),
                                 name)
            if part["Content-ID"]:
                content_ids.add(part["Content-ID"].strip("<>"))
        self.assertEqual(names, ["Goods.RTF", "1.WMF", "2.WMF", "3.WMF",
                                 "u.gif", "d.gif", "snd.wav"])
        self.assertEqual(parts[1].get_content_disposition(), "attachment")
        self.assertEqual(parts[1].get_filename(), "Goods.RTF")

        # Every picture and the sound that the HTML shows travels along.
        cids = set(re.findall(r'cid:([^"\s>]+)', html))
        self.assertEqual(cids, {"1", "2", "3", "u", "d", "sf"})
        self.assertLessEqual(cids, content_ids)

        # The RTF document stays behind, with its two copies.
        rtf = self.read("KQ", "%d.RTF" % INSTANCE)
        self.assertTrue(rtf.startswith(b"{\\rtf1"))
        self.assertEqual(rtf.count(b"{\\pict"), 3)
        self.assertEqual(self.read("KQ", "Goods.RTF"), rtf)
        self.assertEqual(self.read("saved", "reports", "Goods.RTF"), rtf)

    def test_missing_page_ends_the_message_at_its_part(self):
        os.remove(self.path("KQ", "%d2.WMF" % INSTANCE))
        data = self.run_vellaro(arguments(ContentMode="4"))
        self.assertTrue(data.endswith(
            b"------=_1_\r\n"
            b"Content-Type: application/octet-stream;\r\n"
            b'    name="2.WMF"\r\n'
            b"Content-Transfer-Encoding: base64\r\n"
            b"Content-ID: <2>\r\n"
            b"\r\n"), data[-300:])
        self.assertNotIn(b"Goods.RTF", data)
        self.assertFalse(os.path.exists(self.path("KQ", "%d.RTF" % INSTANCE)))
        # What was written is still a readable message up to that point.
        msg = email.message_from_bytes(data)
        first_page = msg.get_payload()[1]
        self.assertEqual(first_page.get_payload(decode=True),
                         self.read("KQ", "%d1.WMF" % INSTANCE))

    def test_built_in_arrows_replace_missing_files(self):
        data = self.run_vellaro(arguments(UpImage="art/none-up.gif",
                                          DownImage="art/none-down.gif",
                                          ContentMode="4"))
        msg = email.message_from_bytes(data)
        arrows = {p.get_param("name"): p.get_payload(decode=True)
                  for p in msg.get_payload()[1:]
                  if p.get_param("name").endswith(".gif")}
        self.assertEqual(arrows["u.gif"], self.read("art", "u.gif"))
        self.assertEqual(arrows["d.gif"], self.read("art", "d.gif"))
        self.assertEqual(len(arrows["u.gif"]), 863)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    VELLARO = os.path.abspath(sys.argv.pop(1))
    unittest.main()
