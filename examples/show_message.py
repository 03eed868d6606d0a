#!/usr/bin/env python3
"""Prints what an .eml file written by Vellaro holds: headers and parts."""

import email
import email.policy
import sys


def main(path: str) -> int:
    with open(path, "rb") as f:
        message = email.message_from_binary_file(f, policy=email.policy.compat32)
    print(f"{path}:")
    for name in ("From", "To", "Cc", "Subject", "X-Priority", "X-Unsent"):
        if message[name] is not None:
            value = " ".join(message[name].split())
            print(f"  {name}: {value}")
    for part in message.walk():
        if part.is_multipart():
            continue
        body = part.get_payload(decode=True) or b""
        label = part.get_filename() or part.get_param("name") or ""
        cid = part.get("Content-ID", "")
        print(f"  part {part.get_content_type():28} {label:12} {cid:6} "
              f"{len(body):>9} bytes")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
