#!/usr/bin/python3
"""Prints where a received message lies and what it holds.

  show-message.py PATH   an .eml file, or a mailbox folder (its newest .eml)
"""
import email
import email.policy
import os
import sys


def newest(folder):
    messages = [os.path.join(folder, n) for n in os.listdir(folder) if n.endswith(".eml")]
    if not messages:
        sys.exit("show-message: no message in %s" % folder)
    return max(messages, key=os.path.getmtime)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    path = sys.argv[1]
    if os.path.isdir(path):
        path = newest(path)
    with open(path, "rb") as f:
        message = email.message_from_bytes(f.read(), policy=email.policy.default)
    print("message: %s" % os.path.abspath(path))
    for header in ("From", "To", "Subject", "Date", "Message-ID"):
        print("  %-11s %s" % (header + ":", message.get(header, "")))
    for part in message.walk():
        if part.is_multipart():
            continue
        name = part.get_filename()
        size = len(part.get_payload(decode=True) or b"")
        if name:
            print("  attachment  %s (%s, %d bytes)" % (name, part.get_content_type(), size))
        else:
            print("  text        %s" % " ".join(part.get_content().split()))


if __name__ == "__main__":
    main()
