#!/usr/bin/python3
"""Checks a message of the mail-server plug-in as a mail reader would see it.

  check_message.py MESSAGE.eml SENT_FOLDER [--subject S] [--rcpt A ...]

The message must parse with Python's email package as multipart/mixed with
the standard headers, a text part, and one attachment per file of
SENT_FOLDER: the same name, byte for byte the same content, the content type
of its extension, base64 in CRLF lines of at most 76 characters. With --rcpt
the envelope recipients (NNNN.json beside the message) must be exactly those.

Other tests import check_message() and read_files().
"""
import argparse
import email
import email.policy
import json
import os
import sys

TYPES = {"jpg": "image/jpeg", "jpeg": "image/jpeg", "jpe": "image/jpeg", "gif": "image/gif", "png": "image/png",
         "bmp": "image/bmp", "tif": "image/tiff", "tiff": "image/tiff", "pcx": "image/x-pcx", "tga": "image/x-tga"}


class MessageError(Exception):
    pass


def check_message(raw, sent, subject=None):
    """Checks the bytes of a message against the files sent (name -> bytes);
    returns the parsed message, raises MessageError on the first fault."""
    if b"\n" in raw.replace(b"\r\n", b""):
        raise MessageError("a line ends without CR")
    message = email.message_from_bytes(raw, policy=email.policy.default)
    if message.defects:
        raise MessageError("defects: %r" % message.defects)
    for header in ("From", "To", "Subject", "Date", "Message-ID", "MIME-Version"):
        if message[header] is None:
            raise MessageError("no %s header" % header)
    if message["Date"].datetime is None:
        raise MessageError("Date does not parse: %s" % message["Date"])
    if message.get_content_type() != "multipart/mixed":
        raise MessageError("not multipart/mixed: " + message.get_content_type())
    if subject is not None and str(message["Subject"]) != subject:
        raise MessageError("subject %r, expected %r" % (str(message["Subject"]), subject))

    parts = list(message.iter_parts())
    if not parts or parts[0].get_content_type() != "text/plain" or parts[0].get_filename():
        raise MessageError("the first part is not the text")
    attachments = {}
    for part in parts[1:]:
        name = part.get_filename()
        if not name:
            raise MessageError("an attachment without a name")
        if part.get("Content-Transfer-Encoding", "").lower() != "base64":
            raise MessageError("%s is not base64" % name)
        body = part.get_payload(decode=False)
        for line in body.split("\r\n") if "\r\n" in body else body.split("\n"):
            if len(line) > 76:
                raise MessageError("%s has a base64 line of %d characters" % (name, len(line)))
        extension = name.rsplit(".", 1)[-1].lower() if "." in name else ""
        expected_type = TYPES.get(extension, "application/octet-stream")
        if part.get_content_type() != expected_type:
            raise MessageError("%s has type %s, expected %s" % (name, part.get_content_type(), expected_type))
        attachments[name] = part.get_payload(decode=True)

    if sorted(attachments) != sorted(sent):
        raise MessageError("attachments %r, sent files %r" % (sorted(attachments), sorted(sent)))
    for name, data in sent.items():
        if attachments[name] != data:
            raise MessageError("%s differs from the file sent (%d bytes received, %d sent)"
                               % (name, len(attachments[name]), len(data)))
    return message


def read_files(paths):
    """name -> bytes of each file."""
    files = {}
    for path in paths:
        with open(path, "rb") as f:
            files[os.fsdecode(os.path.basename(path))] = f.read()
    return files


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("message")
    parser.add_argument("sent")
    parser.add_argument("--subject")
    parser.add_argument("--rcpt", nargs="*")
    args = parser.parse_args()

    with open(args.message, "rb") as f:
        raw = f.read()
    sent = read_files(os.path.join(args.sent, name) for name in os.listdir(args.sent))
    try:
        check_message(raw, sent, args.subject)
        if args.rcpt is not None:
            with open(os.path.splitext(args.message)[0] + ".json") as f:
                envelope = json.load(f)
            if envelope["rcpt_tos"] != args.rcpt:
                raise MessageError("envelope recipients %r, expected %r" % (envelope["rcpt_tos"], args.rcpt))
    except MessageError as e:
        print("check_message: %s" % e, file=sys.stderr)
        sys.exit(1)
    print("%s: %d attachments, byte for byte the files of %s" % (args.message, len(sent), args.sent))


if __name__ == "__main__":
    main()
