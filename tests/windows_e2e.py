#!/usr/bin/env python3
"""The Windows program under Wine against the Linux program, end to end.

Each case prints the same pages (and, for some, the same GOODS.db) into two
fresh folders whose names hold a blank and an "é", runs the Linux vellaro
in one and vellaro.exe under Wine in the other, with the same command tail,
and compares everything the two leave behind: the message byte for byte,
the RTF documents, GOODS.db and the work folder. The RTF documents (also
inside the message, in base64) may differ only in their date and time words
and their picture tag; those are checked for form and then set aside.

The Windows program is copied into a folder with a blank in its name, so its
command line starts with a quoted program path. Most cases let Wine build the
command line from arguments (which it joins with single blanks); one starts
the program through windows_launcher.c, which hands CreateProcessW a command
line with tabs, double blanks and double quotes as a host would. Text beyond ASCII goes to
the Linux program as ISO-8859-1 bytes and to the Windows program as Unicode
(Wine passes the arguments on from UTF-8); both must write the same bytes.

Every case also requires that the Windows run left GOODS.db and KQ\\ behind,
so a run that silently did nothing (a 32-bit program without Wine's 32-bit
DLLs exits 0 at once) fails.

Usage:
  windows_e2e.py --exe vellaro.exe --linux-exe vellaro [--wine wine]
                 [--cc x86_64-w64-mingw32-gcc-posix]

The Wine environment (WINEPREFIX, WINEDLLPATH for 32-bit programs, ...)
comes from the caller.
"""

import argparse
import base64
import os
import re
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import unittest

from message_e2e import call_text

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TOOLS = os.path.join(ROOT, "tools")
OPTIONS = None  # set from the command line

INSTANCE = 7
FOLDER_NAME = "case d\u00e9j\u00e0"
EXE_FOLDER = "program files"

GOODS_TABLE = ("CREATE TABLE goods (cus_id INTEGER NOT NULL DEFAULT 0,"
               " goods TEXT NOT NULL DEFAULT '');")
GOODS_KEY = "CREATE INDEX by_id_goods ON goods (cus_id, goods);"


def arguments(**overrides):
    args = {
        "EMLFileName": "out \u00e9.eml",
        "PageCount": "3",
        "MailTo": "ann@example.com, bob@example.com,carl@example.com",
        "MailSubject": "Ventes d'\u00e9t\u00e9 \u00bd",
        "BgColor": "15794175",
        "ScalePercent": "50",
        "MailCc": "cc@example.com",
        "MailBcc": "",
        "NoRTF": "0",
        "RTFName": "R\u00e9sum\u00e9",
        "RTFCopyFolder": "saved\\reports",
        "UpImage": "art\\u.gif",
        "DownImage": "art/d.gif",
        "FontFace": "Arial",
        "FontSize": "2",
        "FontColor": "255",
        "ContentMode": "0",
        "LeftMargin": "197",
        "TopMargin": "197",
        "PageWidth": "8270",
        "PageHeight": "11530",
        "SoundFile": "chime.wav",
        "SoundLoop": "Twice",
        "Priority": "High",
        "Landscape": "0",
        "PaperName": "A4",
        "MailFrom": "reports@example.com",
    }
    args.update(overrides)
    assert len(args) == 27
    return list(args.values())


def windows_path(path):
    """An absolute Unix path as Wine shows it: on drive Z:."""
    return "Z:" + path.replace("/", "\\")


def command_tail(args, prefix=str(INSTANCE)):
    """The tail as a list of arguments: split at single blanks, so that both
    programs see the same tail (the Linux one joins its arguments with one
    blank, Wine builds the command line the same way from pieces without
    blanks or double quotes)."""
    tail = prefix + " " + call_text(args)
    assert "  " not in tail and '"' not in tail and "\t" not in tail
    return tail.split(" ")


# The RTF words that hold the time of writing and the picture tag.
TIME_WORDS = re.compile(
    rb"\\(creatim|revtim)\\yr(\d{4})\\mo(\d{1,2})\\dy(\d{1,2})"
    rb"\\hr(\d{1,2})\\min(\d{1,2})")
TAG_WORDS = re.compile(
    rb"\\bliptag(\d+)\\blipupi-58\{\\\*\\blipuid b09f3721717b6ae0a7a87d(\d+)\}")


def normalised_rtf(test, data, pages):
    """The RTF document with its time words and picture tags replaced, after
    checking their form: two time groups, and one tag of ten digits in
    1111111111..1410065407 shared by every page."""
    times = TIME_WORDS.findall(data)
    test.assertEqual([t[0] for t in times], [b"creatim", b"revtim"])
    test.assertEqual(times[0][1:], times[1][1:])
    year, month, day, hour, minute = (int(v) for v in times[0][1:])
    test.assertTrue(1 <= month <= 12 and 1 <= day <= 31 and hour <= 23
                    and minute <= 59 and year >= 2000, times[0])
    tags = TAG_WORDS.findall(data)
    test.assertEqual(len(tags), pages)
    values = {v for pair in tags for v in pair}
    test.assertEqual(len(values), 1, "one picture tag per document")
    tag = values.pop()
    test.assertEqual(len(tag), 10)
    test.assertTrue(1111111111 <= int(tag) <= 1410065407)
    data = TIME_WORDS.sub(rb"\\\1<time>", data)
    return TAG_WORDS.sub(rb"\\bliptag<tag>{\\blipuid <tag>}", data)


def normalised_message(test, data, pages):
    """The message with the base64 body of its RTF part replaced by the
    normalised document."""
    lines = data.split(b"\r\n")
    out = []
    i = 0
    rtf_parts = 0
    while i < len(lines):
        out.append(lines[i])
        if (lines[i].startswith(b'    filename="')
                and lines[i].endswith(b'.RTF"')):
            # The last part header; then an empty line and the base64 body
            # up to the next boundary (or the end of a message cut short).
            i += 1
            test.assertEqual(lines[i], b"")
            body = []
            i += 1
            while i < len(lines) and not lines[i].startswith(b"------=_"):
                body.append(lines[i])
                i += 1
            out.append(normalised_rtf(
                test, base64.b64decode(b"".join(body)), pages))
            rtf_parts += 1
            continue
        i += 1
    return b"\r\n".join(out), rtf_parts


class Run:
    """One program's run of a case in a folder of its own."""

    def __init__(self, parent, kind):
        self.kind = kind
        self.dir = os.path.join(parent, kind, FOLDER_NAME)
        os.makedirs(self.dir)

    def path(self, name):
        """A file the program wrote; `name` as the program's texts spell it
        (the Linux program writes their bytes, Wine UTF-8)."""
        if self.kind == "linux":
            return os.path.join(os.fsencode(self.dir),
                                name.encode("iso-8859-1"))
        return os.path.join(self.dir, name)

    def read(self, name):
        path = self.path(name)
        if not os.path.exists(path):
            return None
        with open(path, "rb") as f:
            return f.read()


class WindowsAgainstLinuxTest(unittest.TestCase):

    def setUp(self):
        self._tmp = tempfile.TemporaryDirectory(prefix="vellaro-windows-")
        exe_dir = os.path.join(self._tmp.name, EXE_FOLDER)
        os.makedirs(exe_dir)
        self.exe = os.path.join(exe_dir, "vellaro.exe")
        shutil.copy(OPTIONS.exe, self.exe)
        self.fresh_folders("case")

    def tearDown(self):
        self._tmp.cleanup()

    def launcher(self):
        """windows_launcher.exe, compiled for this test."""
        exe = os.path.join(self._tmp.name, "windows_launcher.exe")
        if not os.path.exists(exe):
            subprocess.run([OPTIONS.cc, "-municode", "-O2", "-static", "-o",
                            exe, os.path.join(ROOT, "tests",
                                              "windows_launcher.c")],
                           check=True)
        return exe

    def fresh_folders(self, label):
        """Two new, empty case folders, one for each program."""
        parent = os.path.join(self._tmp.name, label)
        self.linux = Run(parent, "linux")
        self.windows = Run(parent, "windows")

    # --- Fixtures, the same in both folders ------------------------------

    def each(self, fn):
        for run in (self.linux, self.windows):
            fn(run.dir)

    def tool(self, script, *args):
        subprocess.run([sys.executable, os.path.join(TOOLS, script), *args],
                       check=True, stdout=subprocess.DEVNULL)

    def print_pages(self, count, missing=()):
        def make(folder):
            kq = os.path.join(folder, "KQ")
            self.tool("make_pages.py", kq, str(INSTANCE), str(count))
            for page in missing:
                os.remove(os.path.join(kq, "%d%d.WMF" % (INSTANCE, page)))
            self.tool("make_arrows.py", "--out-dir",
                      os.path.join(folder, "art"))
            with open(os.path.join(folder, "chime.wav"), "wb") as f:
                f.write(b"RIFF" + bytes(range(256)) * 5)
        self.each(make)

    def goods(self, script):
        def make(folder):
            db = sqlite3.connect(os.path.join(folder, "GOODS.db"))
            db.executescript(script)
            db.commit()
            db.close()
        self.each(make)

    # --- Running -----------------------------------------------------------

    def run_both(self, tail, command_line=None):
        """Runs the Linux program with the arguments `tail` and the Windows
        one with the same arguments, or, when `command_line` is given, with
        that whole command line after the program's quoted path."""
        linux_args = [a.encode("iso-8859-1") for a in tail]
        done = subprocess.run([os.fsencode(OPTIONS.linux_exe), *linux_args],
                              cwd=self.linux.dir, stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=120)
        self.assertEqual(done.returncode, 0, done.stderr)
        env = dict(os.environ, LC_ALL="C.UTF-8")
        env.pop("DISPLAY", None)
        if command_line is None:
            windows_args = [self.exe, *tail]
        else:
            command_file = os.path.join(self._tmp.name, "command line.txt")
            with open(command_file, "w", encoding="utf-8") as f:
                f.write(command_line.replace("<exe>", windows_path(self.exe)))
            windows_args = [self.launcher(), windows_path(self.exe),
                            command_file]
        done = subprocess.run([OPTIONS.wine, *windows_args],
                              cwd=self.windows.dir, stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=300, env=env)
        self.assertEqual(done.returncode, 0, done.stderr)
        # Every run makes the work folder and the data file.
        for name in ("KQ", "GOODS.db"):
            self.assertTrue(os.path.exists(self.windows.path(name)),
                            "the Windows run left no " + name)

    def assert_same_files(self, names, pages):
        for name in names:
            linux, windows = self.linux.read(name), self.windows.read(name)
            self.assertEqual(linux is None, windows is None, name)
            if linux is None:
                continue
            if name.upper().endswith(".RTF"):
                linux = normalised_rtf(self, linux, pages)
                windows = normalised_rtf(self, windows, pages)
            self.assertEqual(linux, windows, name)

    def assert_same_message(self, name, pages, rtf_parts):
        linux, windows = self.linux.read(name), self.windows.read(name)
        self.assertIsNotNone(linux, "the Linux run wrote no message")
        self.assertIsNotNone(windows, "the Windows run wrote no message")
        linux, linux_rtf = normalised_message(self, linux, pages)
        windows, windows_rtf = normalised_message(self, windows, pages)
        self.assertEqual((linux_rtf, windows_rtf), (rtf_parts, rtf_parts))
        if linux != windows:
            for n, (a, b) in enumerate(zip(linux.split(b"\r\n"),
                                           windows.split(b"\r\n"))):
                self.assertEqual(a, b, "first difference in line %d" % (n + 1))
        self.assertEqual(linux, windows)

    # --- Cases ---------------------------------------------------------------

    def test_messages_and_documents_are_the_same(self):
        cases = [
            ("pages, arrows, sound and RTF", {}, 1),
            ("pages only, landscape Letter",
             dict(ContentMode="4", Landscape="1", PaperName="Letter",
                  Priority="Low", MailBcc="x@example.com,y@example.com",
                  SoundFile=""), 0),
            ("RTF only, A5, no arrows", dict(ContentMode="2", PaperName="A5",
                                             UpImage="", Landscape="1"), 1),
        ]
        for n, (label, overrides, rtf_parts) in enumerate(cases):
            with self.subTest(label):
                self.fresh_folders("case %d" % n)
                self.print_pages(3)
                args = arguments(**overrides)
                self.run_both(command_tail(args))
                self.assert_same_message(args[0], 3, rtf_parts)
                self.assert_same_files(
                    ["KQ/%d.RTF" % INSTANCE, "KQ/R\u00e9sum\u00e9.RTF",
                     "saved/reports/R\u00e9sum\u00e9.RTF"], 3)

    def test_the_command_line_is_taken_as_written(self):
        # Tabs and double blanks around the program path go; after it, the
        # tail keeps its double blanks and the double quotes and tab inside
        # a text. The Linux program gets the same tail as two arguments.
        self.print_pages(2)
        args = arguments(PageCount="2", ContentMode="4",
                         MailSubject='Goods  report "Q4"\tfinal  ')
        rest = " 2  " + call_text(args)
        self.run_both([str(INSTANCE), rest],
                      command_line=' \t"<exe>"\t  %d %s' % (INSTANCE, rest))
        self.assert_same_message(args[0], 2, 0)
        self.assertIn(b'\r\nSubject: Goods  report "Q4"\tfinal\r\n',
                      self.windows.read(args[0]))

    def test_a_missing_page_ends_the_message_at_that_page(self):
        self.print_pages(3, missing=(2,))
        args = arguments(ContentMode="4")
        self.run_both(command_tail(args))
        self.assert_same_message(args[0], 3, 0)
        self.assertTrue(self.windows.read(args[0]).endswith(b"\r\n\r\n"))

    def test_goods_with_a_missing_key_is_rebuilt_and_the_call_runs(self):
        # The question box cannot be shown (no display): its default, Yes,
        # rebuilds the key.
        self.print_pages(1)
        rows = ",".join("(%d, 'Item %d')" % (i, i) for i in range(1, 2501))
        self.goods(GOODS_TABLE + "INSERT INTO goods VALUES %s;" % rows)
        args = arguments(PageCount="1", ContentMode="4")
        self.run_both(command_tail(args))
        self.assert_same_message(args[0], 1, 0)
        for run in (self.linux, self.windows):
            db = sqlite3.connect(run.path("GOODS.db"))
            indexes = db.execute(
                "SELECT name FROM sqlite_master WHERE type='index'").fetchall()
            count = db.execute("SELECT count(*) FROM goods").fetchone()[0]
            db.close()
            self.assertEqual((indexes, count), ([("by_id_goods",)], 2500),
                             run.kind)

    def test_goods_of_another_layout_ends_the_run_before_the_call(self):
        self.print_pages(1)
        self.goods("CREATE TABLE goods (name TEXT);")
        args = arguments(PageCount="1", ContentMode="4")
        self.run_both(command_tail(args))
        self.assertIsNone(self.linux.read(args[0]))
        self.assertIsNone(self.windows.read(args[0]))

    def test_malformed_command_lines_write_nothing(self):
        args = arguments(PageCount="1")
        for n, tail in enumerate((command_tail(args, prefix="12,3"),
                                  command_tail(args + ["extra"]),
                                  ["7"])):
            with self.subTest(" ".join(tail)[:40]):
                self.fresh_folders("case %d" % n)
                self.print_pages(1)
                self.run_both(tail)
                self.assertIsNone(self.linux.read(args[0]))
                self.assertIsNone(self.windows.read(args[0]))


def main():
    global OPTIONS
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True, help="vellaro.exe")
    parser.add_argument("--linux-exe", required=True, help="Linux vellaro")
    parser.add_argument("--wine", default="wine")
    parser.add_argument("--cc", default="x86_64-w64-mingw32-gcc-posix",
                        help="C compiler for windows_launcher.c")
    OPTIONS, rest = parser.parse_known_args()
    if not os.path.isabs(os.environ.get("WINEPREFIX", "")):
        parser.error("set WINEPREFIX to the absolute path of a Wine prefix "
                     "(the tests never use ~/.wine)")
    OPTIONS.exe = os.path.abspath(OPTIONS.exe)
    OPTIONS.linux_exe = os.path.abspath(OPTIONS.linux_exe)
    unittest.main(argv=[sys.argv[0], "-v", *rest])


if __name__ == "__main__":
    main()
