#!/usr/bin/env python3
"""The start-up run of the real program over real Goods data files.

Each test runs vellaro in a fresh temporary folder holding a GOODS.db in
some state, with its standard input not a terminal (unless the test gives
it one), and checks what the user would see on standard error, what is
left on disk and whether the command line was still carried out.

Usage: startup_e2e.py <path of the vellaro executable>
"""

import os
import pty
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import time
import unittest

VELLARO = None  # set from the command line

# A call that makes a message without any page file: content mode 1, no RTF.
CALL = ("MakeEMLFileSW('out.eml','1','someone@example.com','Goods',"
        "'0','100','','','1','','','','','','','0','1')")

GOODS_SCHEMA = (
    "CREATE TABLE goods (cus_id INTEGER NOT NULL DEFAULT 0,"
    " goods TEXT NOT NULL DEFAULT '');"
    "CREATE INDEX by_id_goods ON goods (cus_id, goods);")

PAGE_SIZE = 4096


def box(title, text, icon="Warning"):
    """The lines a box shows on standard error: heading and text."""
    return f"== {icon}: {title} ==\n{text}\n"


def stop(final_text):
    return box("Vellaro", final_text, icon="Error")


class StartupTest(unittest.TestCase):

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="vellaro_startup_")
        self.goods = os.path.join(self.folder, "GOODS.db")
        self.holders = []

    def tearDown(self):
        for holder in self.holders:
            holder.kill()
            holder.wait()
            holder.stdout.close()
        shutil.rmtree(self.folder, ignore_errors=True)

    # --- Fixtures -------------------------------------------------------

    def sql(self, script):
        db = sqlite3.connect(self.goods)
        db.executescript(script)
        db.commit()
        db.close()

    def make_goods(self, count):
        rows = ",".join(f"({i}, 'Item {i}')" for i in range(1, count + 1))
        self.sql(GOODS_SCHEMA +
                 (f"INSERT INTO goods VALUES {rows};" if count else ""))

    def hold_lock(self, seconds):
        """Another process takes an exclusive lock on GOODS.db and keeps it
        for `seconds`; returns once the lock is held."""
        holder = subprocess.Popen(
            [sys.executable, "-c",
             "import sqlite3, sys, time\n"
             "db = sqlite3.connect(sys.argv[1], isolation_level=None)\n"
             "db.execute('BEGIN EXCLUSIVE')\n"
             "print('locked', flush=True)\n"
             "time.sleep(float(sys.argv[2]))\n"
             "db.execute('ROLLBACK')\n",
             self.goods, str(seconds)],
            stdout=subprocess.PIPE, text=True)
        self.holders.append(holder)
        self.assertEqual(holder.stdout.readline().strip(), "locked")
        return holder

    def corrupt_page(self, page):
        with open(self.goods, "r+b") as f:
            f.seek((page - 1) * PAGE_SIZE)
            f.write(b"\xee" * PAGE_SIZE)

    # --- Running --------------------------------------------------------

    def run_vellaro(self, *args, stdin=subprocess.DEVNULL, timeout=60):
        """Runs vellaro in the folder; returns its standard error. Standard
        input is not a terminal: with stdin=subprocess.PIPE it is a pipe
        that stays open and unwritten, so a box that waited for an answer
        would hang the run."""
        started = time.monotonic()
        with subprocess.Popen(
                [VELLARO, *args], cwd=self.folder, stdin=stdin,
                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE) as process:
            try:
                process.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                process.kill()
                raise
            err = process.stderr.read()
        self.elapsed = time.monotonic() - started
        self.assertEqual(process.returncode, 0)
        return err.decode("utf-8")

    def run_on_terminal(self, typed, *args):
        """Runs vellaro with a terminal as standard input, on which `typed`
        has been typed; returns its standard error."""
        master, slave = pty.openpty()
        try:
            with subprocess.Popen(
                    [VELLARO, *args], cwd=self.folder, stdin=slave,
                    stdout=subprocess.DEVNULL,
                    stderr=subprocess.PIPE) as process:
                os.close(slave)
                slave = None
                os.write(master, typed.encode())
                _, err = process.communicate(timeout=60)
        finally:
            if slave is not None:
                os.close(slave)
            os.close(master)
        self.assertEqual(process.returncode, 0)
        return err.decode("utf-8")

    # --- What is left ---------------------------------------------------

    def listing(self):
        return sorted(os.listdir(self.folder))

    def message_made(self):
        return os.path.isfile(os.path.join(self.folder, "out.eml"))

    def indexes(self):
        db = sqlite3.connect(self.goods)
        names = [row[0] for row in db.execute(
            "SELECT name FROM sqlite_master WHERE type = 'index'")]
        db.close()
        return names

    def records(self):
        db = sqlite3.connect(self.goods)
        rows = db.execute("SELECT cus_id, goods FROM goods ORDER BY rowid")
        records = rows.fetchall()
        db.close()
        return records

    def read_goods(self):
        with open(self.goods, "rb") as f:
            return f.read()

    def assertBoxes(self, err, *expected):
        """`err` shows exactly the boxes `expected`, in that order."""
        self.assertEqual(err.count("\n== "), len(expected), err)
        position = 0
        for block in expected:
            found = err.find(block, position)
            self.assertGreaterEqual(found, 0, f"{block!r} not in {err!r}")
            position = found + len(block)

    # --- A good file, or none -------------------------------------------

    def test_fresh_folder_gets_goods_and_work_folder_silently(self):
        err = self.run_vellaro("5", CALL)
        self.assertEqual(err, "")
        self.assertEqual(self.listing(), ["GOODS.db", "KQ", "out.eml"])
        self.assertTrue(os.path.isdir(os.path.join(self.folder, "KQ")))
        self.assertEqual(self.records(), [])
        self.assertEqual(self.indexes(), ["by_id_goods"])

        # The next run finds the file it made, and changes nothing.
        before = self.read_goods()
        self.assertEqual(self.run_vellaro("5", CALL), "")
        self.assertEqual(self.read_goods(), before)

    def test_records_are_read_silently_and_left_as_they_were(self):
        self.make_goods(2500)
        before = self.read_goods()
        err = self.run_vellaro("5", CALL, stdin=subprocess.PIPE)
        self.assertEqual(err, "")
        self.assertTrue(self.message_made())
        self.assertEqual(self.read_goods(), before)
        self.assertEqual(self.listing(), ["GOODS.db", "KQ", "out.eml"])

    # --- Locks ----------------------------------------------------------

    def test_lock_that_clears_is_waited_for_without_a_warning(self):
        self.make_goods(3)
        self.hold_lock(1.5)
        err = self.run_vellaro("5", CALL)
        self.assertEqual(err, "")
        self.assertGreater(self.elapsed, 1.0)
        self.assertTrue(self.message_made())

    def test_lock_held_throughout_ends_with_disk_error(self):
        self.make_goods(3)
        self.hold_lock(60)
        err = self.run_vellaro("5", CALL)
        self.assertGreater(self.elapsed, 9.5)  # the reopen waited 10 seconds
        self.assertBoxes(
            err,
            box("File Access Error",
                "File (GOODS.db) could not be opened.  "
                "Error: File Is Already Locked (32)."),
            stop("Disk Error"))
        self.assertFalse(self.message_made())

    # --- Keys -----------------------------------------------------------

    def test_dropped_key_is_rebuilt_on_the_default_answer(self):
        self.make_goods(10)
        self.sql("DROP INDEX by_id_goods;")
        err = self.run_vellaro("5", CALL, stdin=subprocess.PIPE)
        self.assertBoxes(
            err,
            box("Invalid Key",
                "GOODS.db key file is invalid.  "
                "Do you want to rebuild the key?", icon="Question"))
        self.assertIn("[ Yes ]    No\n", err)
        self.assertEqual(self.indexes(), ["by_id_goods"])
        self.assertEqual(len(self.records()), 10)
        self.assertTrue(self.message_made())
        self.assertEqual(self.listing(), ["GOODS.db", "KQ", "out.eml"])

    def test_dropped_key_answered_no_on_a_terminal_ends_the_program(self):
        self.make_goods(10)
        self.sql("DROP INDEX by_id_goods;")
        err = self.run_on_terminal("n\n\n", "5", CALL)
        self.assertBoxes(
            err,
            box("Invalid Key",
                "GOODS.db key file is invalid.  "
                "Do you want to rebuild the key?", icon="Question"),
            stop("Invalid Key!"))
        self.assertIn("Type Y for Yes or N for No (Enter: Yes): ", err)
        self.assertEqual(self.indexes(), [])
        self.assertFalse(self.message_made())

    def test_key_that_cannot_be_rebuilt_ends_the_program(self):
        self.sql("CREATE TABLE goods (cus_id INTEGER, goods TEXT);"
                 "CREATE TABLE by_id_goods (x);")
        err = self.run_vellaro("5", CALL)
        self.assertBoxes(
            err,
            box("Invalid Key",
                "GOODS.db key file is invalid.  "
                "Do you want to rebuild the key?", icon="Question"),
            box("Key Rebuild Error",
                "Error: (there is already a table named by_id_goods (1)) "
                "repairing key for GOODS.db.  "
                "Press OK to end this application."),
            stop("Error Rebuilding Key!"))
        self.assertFalse(self.message_made())
        self.assertEqual(self.listing(), ["GOODS.db", "KQ"])

    # --- Files that cannot be used --------------------------------------

    def test_table_of_another_layout_ends_the_program(self):
        self.sql("CREATE TABLE goods (id INTEGER, name TEXT, price REAL);"
                 "INSERT INTO goods VALUES (1, 'kept', 2.5);")
        before = self.read_goods()
        err = self.run_vellaro("5", CALL)
        self.assertBoxes(
            err,
            box("Invalid File",
                "Error: (Invalid Record Declaration (47)) accessing "
                "GOODS.db.  Press OK to end this application."),
            stop("Invalid File!"))
        self.assertFalse(self.message_made())
        self.assertEqual(self.read_goods(), before)

    def test_file_that_is_not_a_database_ends_with_disk_error(self):
        with open(self.goods, "w") as f:
            f.write("Goods, as a list someone typed in.\n" * 200)
        before = self.read_goods()
        err = self.run_vellaro("5", CALL, stdin=subprocess.PIPE)
        self.assertBoxes(
            err,
            box("File Access Error",
                "File (GOODS.db) could not be opened.  "
                "Error: Invalid Data File (36)."),
            stop("Disk Error"))
        self.assertFalse(self.message_made())
        self.assertEqual(self.read_goods(), before)
        self.assertTrue(os.path.isdir(os.path.join(self.folder, "KQ")))

    def test_file_that_cannot_be_created_ends_the_program(self):
        os.symlink(os.path.join(self.folder, "missing", "GOODS.db"),
                   self.goods)
        err = self.run_vellaro("5", CALL)
        self.assertBoxes(
            err,
            box("File Creation Error",
                "Error: (unable to open database file (14)) creating "
                "GOODS.db.  Press OK to end this application."),
            stop("File Creation Error!"))
        self.assertFalse(self.message_made())

    @unittest.skipIf(os.geteuid() == 0, "permissions do not bind root")
    def test_write_protected_file_ends_with_disk_error(self):
        self.make_goods(3)
        os.chmod(self.goods, 0o444)
        err = self.run_vellaro("5", CALL)
        self.assertBoxes(
            err,
            box("File Access Error",
                "File (GOODS.db) could not be opened.  "
                "Error: Access Denied (5)."),
            stop("Disk Error"))

    # --- Reading --------------------------------------------------------

    def test_first_read_failing_is_reported_once_and_the_run_goes_on(self):
        self.make_goods(2500)
        self.corrupt_page(2)  # the first page of the goods table
        err = self.run_vellaro("5", CALL)
        self.assertBoxes(
            err,
            box("Record Retrieval Error",
                "Error: (Invalid Data File (36)) attempting to access a "
                "record from the Goods file.  "
                "Returning to previous window."))
        self.assertTrue(self.message_made())


if __name__ == "__main__":
    VELLARO = os.path.abspath(sys.argv.pop(1))
    unittest.main()
