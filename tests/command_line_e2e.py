"""The road from a command line to a message file, on the real program.

Each case runs vellaro in a fresh temporary folder as its current
directory, with the page files a host would leave in KQ/, and no terminal
on standard input. Usage: command_line_e2e.py <path of vellaro>
"""

import os
import struct
import subprocess
import sys
import tempfile
import unittest

VELLARO = None

CLOSING_LINE = b"------=_1_--\r\n"
CALL = "MakeEMLFileSW('out.eml','1')"


def placeable_metafile():
    """A one-inch page: the 22-byte placeable header, a metafile header and
    the end-of-file record."""
    words = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, 0, 0, 1440, 1440, 1440, 0)
    checksum = 0
    for (word,) in struct.iter_unpack("<H", words):
        checksum ^= word
    header = words + struct.pack("<H", checksum)
    body_words = 9 + 3
    meta = struct.pack("<HHHIHIH", 1, 9, 0x0300, body_words, 0, 3, 0)
    end = struct.pack("<IH", 3, 0)
    return header + meta + end


class CommandLineTest(unittest.TestCase):
    def run_vellaro(self, args, pages=("51",)):
        """Runs vellaro with `args` in a new folder holding KQ/<p>.WMF for
        each of `pages`; returns (completed process, folder path)."""
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        os.makedirs(os.path.join(folder.name, "KQ"))
        for page in pages:
            with open(os.path.join(folder.name, "KQ", page + ".WMF"), "wb") as f:
                f.write(placeable_metafile())
        done = subprocess.run(
            [VELLARO, *args], cwd=folder.name, stdin=subprocess.DEVNULL,
            capture_output=True, timeout=60)
        return done, folder.name

    def test_valid_calls_write_the_message(self):
        cases = [
            ("plain", ["5", CALL], ("51",)),
            ("lower case", ["5", CALL.lower()], ("51",)),
            ("blanks", ["5", "MakeEMLFileSW ( 'out.eml' , '1' )"], ("51",)),
            ("split arguments", ["5", "MakeEMLFileSW('out.eml',", "1)"],
             ("51",)),
            ("further number", ["12", "3", CALL], ("121",)),
            ("instance past 255", ["300", CALL], ("441",)),
        ]
        for name, args, pages in cases:
            with self.subTest(name):
                done, folder = self.run_vellaro(args, pages)
                self.assertEqual(done.returncode, 0)
                self.assertEqual(done.stderr, b"")
                with open(os.path.join(folder, "out.eml"), "rb") as f:
                    message = f.read()
                self.assertTrue(message.endswith(CLOSING_LINE), message[-200:])

    def test_malformed_calls_write_and_show_nothing(self):
        many = ",".join(["'out.eml'"] + ["'1'"] * 27)
        long_text = "x" * 10000
        cases = [
            ("28 arguments", ["5", "MakeEMLFileSW(%s)" % many]),
            ("empty parentheses", ["5", "MakeEMLFileSW()"]),
            ("two commas", ["5", "MakeEMLFileSW('out.eml',,'1')"]),
            ("double quotes", ["5", 'MakeEMLFileSW("out.eml","1")']),
            ("unclosed literal", ["5", "MakeEMLFileSW('out.eml','1)"]),
            ("stray token", ["5", CALL, "x"]),
            ("second call", ["5", CALL, CALL]),
            ("cut before the closing parenthesis",
             ["5", "MakeEMLFileSW('out.eml','1','%s')" % long_text]),
            ("leading minus", ["-5", CALL]),
            ("comma between numbers", ["12,3", CALL]),
            ("unknown name", ["5", "MakeEMLFile('out.eml','1')"]),
            ("no call", ["5"]),
            ("empty command line", []),
        ]
        for name, args in cases:
            with self.subTest(name):
                done, folder = self.run_vellaro(args, ("51", "121"))
                self.assertEqual(done.returncode, 0)
                self.assertEqual(done.stdout, b"")
                self.assertEqual(done.stderr, b"")
                self.assertFalse(
                    os.path.exists(os.path.join(folder, "out.eml")))


if __name__ == "__main__":
    VELLARO = os.path.abspath(sys.argv.pop(1))
    unittest.main()
