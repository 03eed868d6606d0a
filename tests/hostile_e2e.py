#!/usr/bin/env python3
"""The real program under hostile and failing conditions.

Whatever the command line, the page files and the data file hold, vellaro
must end (exit code 0) without a crash or a hang, write nothing outside the
paths it is given, lose nothing of what was there, and leave no broken
message as if it were whole. Each case runs vellaro in a fresh temporary
folder, with no terminal on standard input, and names its sound outcome.

Cases that need an unprivileged user (permission bits do not bind root) run
vellaro through setpriv; the full-disk case mounts a small tmpfs in a mount
namespace of its own. Both are skipped where the machine does not allow
them. A page past 4 GiB and a Goods file locked for longer than the
recover wait are covered by mail/hostile_test.cc and startup_e2e.py.

Usage: hostile_e2e.py <path of the vellaro executable>
"""

import email
import os
import re
import shutil
import sqlite3
import stat
import subprocess
import sys
import tempfile
import time
import unittest

VELLARO = None  # set from the command line

NOBODY = 65534
CLOSING_LINE = b"\r\n------=_1_--\r\n"
GOODS_SCHEMA = (
    "CREATE TABLE goods (cus_id INTEGER NOT NULL DEFAULT 0,"
    " goods TEXT NOT NULL DEFAULT '');"
    "CREATE INDEX by_id_goods ON goods (cus_id, goods);")


def literal(text):
    """`text` (bytes) as a string literal of a call."""
    return b"'" + text.replace(b"'", b"''") + b"'"


def call(*args):
    """A MakeEMLFileSW call (bytes) with `args` (bytes or str) as literals."""
    texts = [a if isinstance(a, bytes) else a.encode() for a in args]
    return b"MakeEMLFileSW(" + b",".join(map(literal, texts)) + b")"


def page_headers(page):
    """The headers of page part `page` and the empty line after them."""
    return (b"------=_1_\r\nContent-Type: application/octet-stream;\r\n"
            b'    name="%d.WMF"\r\nContent-Transfer-Encoding: base64\r\n'
            b"Content-ID: <%d>\r\n\r\n" % (page, page))


def some_bytes(size, seed):
    return bytes((i * 131 + seed * 17 + (i >> 7)) & 0xFF for i in range(size))


def can_run_unprivileged():
    return shutil.which("setpriv") is not None


def write_lock_held(path):
    """True when a process holds the advisory write lock on `path`. Read
    from /proc/locks, so that looking never takes a lock of its own."""
    try:
        inode = os.stat(path).st_ino
        with open("/proc/locks") as f:
            locks = f.read().splitlines()
    except OSError:
        return False
    for line in locks:
        fields = line.split()
        if ("FLOCK" in fields and "WRITE" in fields and
                any(f.endswith(":%d" % inode) for f in fields)):
            return True
    return False


class HostileTest(unittest.TestCase):

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="vellaro_hostile_")
        os.chmod(self.dir, 0o777)  # an unprivileged run writes here too
        os.makedirs(self.path("KQ"))
        os.chmod(self.path("KQ"), 0o777)
        self.children = []

    def tearDown(self):
        for child in self.children:
            if child.poll() is None:
                child.kill()
            child.wait()
            for stream in (child.stdin, child.stdout, child.stderr):
                if stream is not None:
                    stream.close()
        for root, dirs, _ in os.walk(self.dir):
            for d in dirs:
                os.chmod(os.path.join(root, d), 0o755)
        shutil.rmtree(self.dir, ignore_errors=True)

    # --- Fixtures -------------------------------------------------------

    def path(self, *parts):
        return os.path.join(self.dir, *parts)

    def put(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def put_pages(self, instance, count, size=1000):
        for page in range(1, count + 1):
            self.put(os.path.join("KQ", "%d%d.WMF" % (instance, page)),
                     some_bytes(size, page))

    def listing(self):
        """Every file and folder under the folder, with every file's bytes
        (except the Goods file, which each run opens)."""
        found = {}
        for root, dirs, files in os.walk(self.dir):
            for d in dirs:
                found[os.path.relpath(os.path.join(root, d), self.dir)] = "/"
            for f in files:
                full = os.path.join(root, f)
                rel = os.path.relpath(full, self.dir)
                if rel != "GOODS.db" and not stat.S_ISFIFO(
                        os.lstat(full).st_mode):
                    with open(full, "rb") as data:
                        found[rel] = data.read()
        return found

    # --- Running --------------------------------------------------------

    def command(self, args, unprivileged=False):
        command = [VELLARO, *args]
        if unprivileged:
            command = ["setpriv", "--reuid=%d" % NOBODY,
                       "--regid=%d" % NOBODY, "--clear-groups", *command]
        return command

    def run_vellaro(self, *args, unprivileged=False, timeout=120):
        """Runs vellaro with `args` in the folder; returns standard error.
        A hang fails the case through the timeout."""
        done = subprocess.run(self.command(args, unprivileged),
                              cwd=self.dir, stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=timeout)
        self.assertEqual(done.returncode, 0, done.stderr[-2000:])
        self.assertEqual(done.stdout, b"")
        return done.stderr.decode("utf-8", "replace")

    def start_vellaro(self, *args):
        child = subprocess.Popen(self.command(args), cwd=self.dir,
                                 stdin=subprocess.DEVNULL,
                                 stdout=subprocess.DEVNULL,
                                 stderr=subprocess.PIPE)
        self.children.append(child)
        return child

    def finish(self, child):
        _, err = child.communicate(timeout=120)
        self.assertEqual(child.returncode, 0, err[-2000:])
        return err.decode("utf-8", "replace")

    def message(self, name="out.eml"):
        data = self.read(name)
        self.assertTrue(data.endswith(CLOSING_LINE), data[-200:])
        for line in data.split(b"\r\n"):
            self.assertNotIn(b"\n", line)
            self.assertLessEqual(len(line), 256)
        return data

    def header_block(self, data):
        return data[:data.index(b"\r\n\r\n")].split(b"\r\n")

    def hold_lock(self, path):
        """Another process takes the advisory write lock on `path` and keeps
        it until the case ends."""
        holder = subprocess.Popen(
            [sys.executable, "-c",
             "import fcntl, sys\n"
             "f = open(sys.argv[1], 'r+b')\n"
             "fcntl.flock(f, fcntl.LOCK_EX)\n"
             "print('locked', flush=True)\n"
             "sys.stdin.read()\n",
             path],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.children.append(holder)
        self.assertEqual(holder.stdout.readline().strip(), "locked")
        return holder


class CommandLineTest(HostileTest):
    """Command tails that are long, odd or built to mislead."""

    def test_tails_past_10000_characters(self):
        self.put_pages(5, 1)
        valid = call("out.eml", "1", "", "Long", "0", "100", "", "", "1")
        cases = [
            ("junk past the 10000th character is cut off: the call runs",
             [b"5", valid + b" " * (10000 - len(valid) - 2) + b" x" * 5000],
             True),
            ("a tail of exactly 10000 characters: the call runs",
             [b"5", b" " * (10000 - len(valid) - 2) + valid], True),
            ("the closing parenthesis beyond it: no call",
             [b"5", call("out.eml", "1", "", "x" * 10000)], False),
            ("50000 digits and blanks: no call",
             [b"12 " * 16000 + b"99"], False),
            ("a literal left open for 60000 characters: no call",
             [b"5", b"MakeEMLFileSW('out.eml','" + b"'" * 60001], False),
        ]
        for name, args, written in cases:
            with self.subTest(name):
                if os.path.exists(self.path("out.eml")):
                    os.remove(self.path("out.eml"))
                self.assertEqual(self.run_vellaro(*args), "")
                self.assertEqual(os.path.exists(self.path("out.eml")),
                                 written)
                if written:
                    self.message()

    def test_every_byte_value_inside_literals(self):
        """Bytes 1 to 255 reach their parameters unchanged; a CR or LF
        among them cannot add a line to the header block."""
        self.put_pages(5, 1)
        every = bytes(range(1, 256))
        # After "Subject: " the record holds 247 characters; CR and LF
        # become blanks.
        subject = every.replace(b"\r", b" ").replace(b"\n", b" ")
        self.assertEqual(
            self.run_vellaro(b"5", call("out.eml", "1", b"to" + every,
                                        every, "0", "100", "", "", "1")),
            "")
        data = self.message()
        headers = self.header_block(data)
        self.assertIn(b"Subject: " + subject[:247].rstrip(b" "), headers)
        known = (b"To: ", b"Subject: ", b"Date:", b"MIME-Version:",
                 b"Content-Type:", b"X-Priority:", b"X-MSMail-Priority:",
                 b"X-Unsent:", b"X-MimeOLE:", b"    ")
        for line in headers:
            self.assertTrue(line.startswith(known), line)
        self.assertEqual(sum(1 for l in headers if l.startswith(b"Subject")),
                         1)

    def test_27_arguments_of_10000_characters_in_all(self):
        self.put_pages(5, 1)
        args = ["out.eml", "1"] + ["%02d" % k + "x" * 358 for k in range(3, 28)]
        numeric = {5: "0", 6: "100", 9: "1", 15: "2", 16: "0", 17: "1",
                   18: "0", 19: "0", 20: "8270", 21: "11530", 25: "0"}
        for k, value in numeric.items():
            args[k - 1] = value + " " * 350 + "text after the number"
        args[21] = ""  # no sound file
        # The font face fills the tail up to 9990 characters.
        args[13] += "x" * (9990 - 2 - len(call(*args)))
        text = call(*args)
        self.assertEqual(len(b"5 " + text), 9990)
        self.assertEqual(self.run_vellaro(b"5", text), "")
        data = self.message()
        headers = self.header_block(data)
        self.assertIn(b"Subject: 04" + b"x" * 245, headers)
        self.assertIn(b"From: 27" + b"x" * 248, headers)

    def test_deeply_repeated_signs(self):
        """9000 signs before a number: an even count of minus signs keeps
        it, an odd count negates it (-1 is 255 pages, of which only the
        first is there)."""
        self.put_pages(5, 1)
        for minus_signs, whole in ((9000, True), (8999, False)):
            with self.subTest(minus_signs=minus_signs):
                text = (b"MakeEMLFileSW('out.eml'," + b"-" * minus_signs +
                        b"1,'','','0','100','','','1','','','','','','0',"
                        b"'0','4')")
                self.assertEqual(self.run_vellaro(b"5", text), "")
                data = self.read("out.eml")
                self.assertEqual(data.endswith(CLOSING_LINE), whole)
                if not whole:
                    self.assertTrue(data.endswith(page_headers(2)))
        # Signs make a text a number: 'out.eml' then stands for 0, and no
        # page count means nothing is written at all.
        os.remove(self.path("out.eml"))
        self.assertEqual(self.run_vellaro(
            b"5", b"MakeEMLFileSW(" + b"+-" * 4990 + b"'out.eml')"), "")
        self.assertFalse(os.path.exists(self.path("out.eml")))
        self.assertFalse(os.path.exists(self.path("0")))


class MessagePathTest(HostileTest):
    """A message file that cannot be written: no message, nothing lost."""

    def setUp(self):
        super().setUp()
        self.put_pages(5, 2, size=200000)

    def run_for(self, message_path, unprivileged=False):
        return self.run_vellaro(
            b"5", call(message_path, "2", "", "", "0", "100", "", "", "1",
                       "", "", "", "", "", "0", "0", "4"),
            unprivileged=unprivileged)

    def test_missing_folder_and_a_folder(self):
        os.makedirs(self.path("box"))
        self.put(os.path.join("box", "keep.txt"), b"kept")
        self.run_vellaro()  # the start-up run's own files are made
        for target in ("missing/out.eml", "box", "box\\"):
            with self.subTest(target):
                before = self.listing()
                self.assertEqual(self.run_for(target), "")
                self.assertEqual(self.listing(), before)

    @unittest.skipUnless(can_run_unprivileged(), "needs setpriv")
    def test_read_only_folder(self):
        os.makedirs(self.path("ro"))
        self.put(os.path.join("ro", "out.eml"), b"an older message")
        os.chmod(self.path("ro"), 0o555)
        self.run_vellaro(unprivileged=True)
        before = self.listing()
        self.assertEqual(self.run_for("ro/out.eml", unprivileged=True), "")
        self.assertEqual(self.listing(), before)

    def test_full_disk(self):
        """On a 256 KiB tmpfs the 540 KB message does not fit: vellaro
        removes what it wrote of it."""
        os.makedirs(self.path("small"))
        script = ('mount -t tmpfs -o size=256k tmpfs "$1" || exit 97\n'
                  '"$2" 5 "$3" || exit 98\n'
                  'ls -A "$1"\n')
        try:
            done = subprocess.run(
                ["unshare", "--mount", "--propagation", "private",
                 "sh", "-c", script, "sh", self.path("small"), VELLARO,
                 call(self.path("small", "out.eml"), "2", "", "", "0", "100",
                      "", "", "1", "", "", "", "", "", "0", "0", "4")],
                cwd=self.dir, stdin=subprocess.DEVNULL, capture_output=True,
                timeout=120)
        except FileNotFoundError:
            self.skipTest("no unshare")
        if done.returncode == 97 or done.stderr.startswith(b"unshare:"):
            self.skipTest("mounting is not permitted here: %r" % done.stderr)
        self.assertEqual(done.returncode, 0, done.stderr[-2000:])
        self.assertEqual(done.stderr, b"")
        self.assertEqual(done.stdout, b"")  # nothing left on the small disk


class PageFileTest(HostileTest):
    """Page files that cannot be read end the message at that page; empty
    ones are whole pages. None of them makes the run wait."""

    MODE_4 = ("", "", "0", "100", "", "", "1", "", "", "", "", "", "0", "0",
              "4")

    def run_pages(self, count, unprivileged=False):
        return self.run_vellaro(b"5", call("out.eml", str(count),
                                           *self.MODE_4),
                                unprivileged=unprivileged)

    def assert_ends_at_page_2(self):
        data = self.read("out.eml")
        self.assertTrue(data.endswith(page_headers(2)), data[-300:])
        self.assertEqual(email.message_from_bytes(data).get_payload()[1]
                         .get_payload(decode=True),
                         self.read(os.path.join("KQ", "51.WMF")))

    def test_unreadable_pages(self):
        page = self.path("KQ", "52.WMF")

        def folder():
            os.remove(page)
            os.makedirs(page)

        def fifo():
            os.remove(page)
            os.mkfifo(page)

        cases = [("a folder", folder, False), ("a FIFO", fifo, False),
                 ("no right to read it", lambda: os.chmod(page, 0), True)]
        # The unprivileged run needs a Goods file it may open.
        self.run_vellaro(unprivileged=can_run_unprivileged())
        for name, spoil, unprivileged in cases:
            if unprivileged and not can_run_unprivileged():
                continue
            with self.subTest(name):
                if os.path.isdir(page):
                    os.rmdir(page)
                elif os.path.lexists(page):
                    os.remove(page)
                self.put_pages(5, 3)
                spoil()
                self.assertEqual(
                    self.run_pages(3, unprivileged=unprivileged), "")
                self.assert_ends_at_page_2()
                self.assertEqual(self.read(os.path.join("KQ", "53.WMF")),
                                 some_bytes(1000, 3))

    def test_page_locked_by_another_process(self):
        self.put_pages(5, 3)
        holder = self.hold_lock(self.path("KQ", "52.WMF"))
        self.assertEqual(self.run_pages(3), "")
        self.assert_ends_at_page_2()
        holder.stdin.close()
        holder.wait()
        self.assertEqual(self.run_pages(3), "")
        self.message()

    def test_empty_and_header_only_pages(self):
        for size in (0, 22):
            with self.subTest(size=size):
                self.put_pages(5, 2, size=size)
                self.assertEqual(self.run_vellaro(
                    b"5", call("out.eml", "2", "", "", "0", "100", "", "",
                               "0", "Report")), "")
                msg = email.message_from_bytes(self.message())
                names = [p.get_param("name") for p in msg.get_payload()[1:]]
                self.assertEqual(names, ["Report.RTF", "1.WMF", "2.WMF"])
                self.assertEqual(msg.get_payload()[2].get_payload(decode=True),
                                 some_bytes(size, 1))
                rtf = self.read(os.path.join("KQ", "5.RTF"))
                self.assertEqual(rtf.count(b"{\\pict"), 2)
                self.assertTrue(rtf.endswith(b"\\par }}"))


class TwoRunsTest(HostileTest):
    """Two vellaro processes at once in the same folder."""

    def args(self, instance, subject, message="out.eml", mode="0"):
        return (b"%d" % instance,
                call(message, "2", "", subject, "0", "100", "", "", "0",
                     "Report", "", "", "", "", "0", "0", mode))

    def test_different_instances_make_two_whole_messages(self):
        """Both runs race to create Goods and the work folder; each message
        carries its own instance's pages and RTF document."""
        shutil.rmtree(self.path("KQ"))
        os.makedirs(self.path("pages"))
        for instance in (5, 6):
            for page in (1, 2):
                self.put(os.path.join("pages", "%d%d.WMF" % (instance, page)),
                         some_bytes(300000, instance * 10 + page))
        # The host prints its pages once the work folder exists.
        self.run_vellaro()
        for name in os.listdir(self.path("pages")):
            os.rename(self.path("pages", name), self.path("KQ", name))
        os.remove(self.path("GOODS.db"))
        first = self.start_vellaro(*self.args(5, "five", "five.eml"))
        second = self.start_vellaro(*self.args(6, "six", "six.eml"))
        self.assertEqual(self.finish(first), "")
        self.assertEqual(self.finish(second), "")
        for instance, name in ((5, "five"), (6, "six")):
            msg = email.message_from_bytes(self.message(name + ".eml"))
            self.assertEqual(msg["Subject"], name)
            parts = {p.get_param("name"): p.get_payload(decode=True)
                     for p in msg.get_payload()[1:]}
            self.assertEqual(parts["1.WMF"], some_bytes(300000,
                                                        instance * 10 + 1))
            self.assertEqual(parts["2.WMF"], some_bytes(300000,
                                                        instance * 10 + 2))
            self.assertEqual(parts["Report.RTF"],
                             self.read(os.path.join("KQ", "%d.RTF" % instance)))

    def test_same_message_path_one_wins(self):
        """The run that holds the message file wins; the other writes
        nothing; the file is never a mix of the two."""
        for instance in (5, 6):
            for page in (1, 2):
                self.put(os.path.join("KQ", "%d%d.WMF" % (instance, page)),
                         some_bytes(6 << 20, page))
        self.run_vellaro()
        first = self.start_vellaro(*self.args(5, "first"))
        # Wait until the first holds the message file, then start the other.
        held = False
        deadline = time.monotonic() + 60
        while not held and first.poll() is None and \
                time.monotonic() < deadline:
            held = write_lock_held(self.path("out.eml"))
        second = self.start_vellaro(*self.args(6, "second"))
        self.assertEqual(self.finish(second), "")
        second_done_first = first.poll() is None
        self.assertEqual(self.finish(first), "")

        msg = email.message_from_bytes(self.message())
        self.assertIn(msg["Subject"], ("first", "second"))
        self.assertEqual(self.read("out.eml").count(b"\r\nSubject: "), 1)
        self.assertEqual(self.read("out.eml").count(b"------=_1_--"), 1)
        if held and second_done_first:
            # The second ran while the first held the file: it gave way.
            self.assertEqual(msg["Subject"], "first")


class GoodsFileTest(HostileTest):
    """Goods files that cannot be used end the run with the standard
    warnings before the command line is read, and are never changed."""

    def make_goods(self, path, count):
        db = sqlite3.connect(path)
        rows = ",".join("(%d, 'Item %d')" % (i, i) for i in range(count))
        db.executescript(GOODS_SCHEMA + "INSERT INTO goods VALUES %s;" % rows)
        db.commit()
        db.close()

    def expect_disk_error(self, error, unprivileged=False):
        self.put_pages(5, 1)
        before = self.listing()
        goods = (self.read("GOODS.db")
                 if os.path.isfile(self.path("GOODS.db")) else None)
        started = time.monotonic()
        err = self.run_vellaro(
            b"5", call("out.eml", "1", "", "", "0", "100", "", "", "1"),
            unprivileged=unprivileged)
        self.assertLess(time.monotonic() - started, 9)  # no lock to wait for
        self.assertEqual(len(re.findall(r"^== ", err, re.M)), 2, err)
        self.assertIn("== Warning: File Access Error ==\n"
                      "File (GOODS.db) could not be opened.  Error: %s.\n"
                      % error, err)
        self.assertIn("== Error: Vellaro ==\nDisk Error\n", err)
        self.assertEqual(self.listing(), before)  # no message, nothing else
        if goods is not None:
            self.assertEqual(self.read("GOODS.db"), goods)
        return err

    def test_broken_goods_files(self):
        full = self.path("full.db")
        self.make_goods(full, 2500)
        with open(full, "rb") as f:
            whole = f.read()
        os.remove(full)
        cases = [
            ("cut inside its header", whole[:100], "Invalid Data File (36)"),
            ("cut after its first page", whole[:4096],
             "Invalid Data File (36)"),
            ("cut in half", whole[:len(whole) // 2], "Invalid Data File (36)"),
            ("zero-filled", bytes(len(whole)), "Invalid Data File (36)"),
        ]
        for name, data, error in cases:
            with self.subTest(name):
                self.put("GOODS.db", data)
                self.expect_disk_error(error)

    def test_goods_is_a_folder(self):
        os.makedirs(self.path("GOODS.db"))
        self.put(os.path.join("GOODS.db", "inside"), b"kept")
        self.expect_disk_error("unable to open database file (14)")

    def test_goods_is_a_fifo(self):
        """Nothing waits for a writer that never comes."""
        os.mkfifo(self.path("GOODS.db"))
        self.expect_disk_error("disk I/O error (10)")
        self.assertTrue(stat.S_ISFIFO(os.lstat(self.path("GOODS.db")).st_mode))

    @unittest.skipUnless(can_run_unprivileged(), "needs setpriv")
    def test_read_only_goods(self):
        self.make_goods(self.path("GOODS.db"), 3)
        os.chmod(self.path("GOODS.db"), 0o444)
        self.expect_disk_error("Access Denied (5)", unprivileged=True)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    VELLARO = os.path.abspath(sys.argv.pop(1))
    unittest.main()
