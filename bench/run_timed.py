#!/usr/bin/env python3
"""Runs one command and prints its wall time.

Usage: run_timed.py [--stdout FILE] -- COMMAND [ARGUMENT...]

Prints the seconds from just before the command starts to its end, and
exits 0; exits 1 when the command fails. With --stdout the command's standard output goes to FILE, a new file
(any earlier FILE is deleted first, outside the timing), so that every
command measured writes a fresh file the same way. Standard input is
/dev/null.
"""

import argparse
import os
import sys
import time


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--stdout")
    parser.add_argument("command", nargs="+")
    args = parser.parse_args()

    actions = []
    stdin = os.open(os.devnull, os.O_RDONLY)
    actions.append((os.POSIX_SPAWN_DUP2, stdin, 0))
    if args.stdout:
        try:
            os.unlink(args.stdout)
        except FileNotFoundError:
            pass
        out = os.open(args.stdout, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644)
        actions.append((os.POSIX_SPAWN_DUP2, out, 1))

    start = time.perf_counter()
    pid = os.posix_spawnp(args.command[0], args.command, os.environ,
                          file_actions=actions)
    _, status = os.waitpid(pid, 0)
    seconds = time.perf_counter() - start

    if os.waitstatus_to_exitcode(status) != 0:
        print(f"run_timed: {args.command[0]} failed", file=sys.stderr)
        return 1
    print(f"{seconds:.6f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
