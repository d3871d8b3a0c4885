#!/usr/bin/python3
"""The main job end to end, with real processes only: pictures made by
ImageMagick, prepared by the module as JPG at 640 pixels, sent by a host
deployed in a folder of its own (the sample catalogue, Relay32.dll and its
Relay32.ini) through SendMail with the mail-server system, to a real SMTP
server on 127.0.0.1 (scripts/lib/smtp_server.py).

  endtoend.py delivery|outbox|dialog --bin BUILD/bin --root SOURCE --work DIR

delivery: the server receives one message that parses with Python's email
          package, whose attachments are byte for byte the prepared files,
          with their names.
outbox:   with the server stopped, the same send leaves exactly one complete
          .eml (and its envelope) in the outbox of the per-user folder and a
          line in Relay32.log.
dialog:   the demo's way: the send options dialog shown by the host, driven by
          dialog-pilot (JPG, 640, a screenshot, OK); the files the dialog
          leaves in the attachment array are the prepared ones and arrive.

Runs under the Wine prefix of the environment (scripts/test makes it).
"""
import argparse
import hashlib
import os
import shutil
import subprocess
import sys

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "companions", "relay"))
from check_message import MessageError, check_message, read_files  # noqa: E402

RELAY_KEY = r"HKCU\Software\Email32\Relay"
SUBJECT = "Pictures, end to end"
HOST_FILES = ["email32.exe", "Email32.dll", "Userpath.dll", "Relay32.dll",
              "libstdc++-6.dll", "libwinpthread-1.dll"]
# MinGW's unwinder: DWARF-2 frames on i686, SEH on x86_64; a build holds one.
UNWINDERS = ["libgcc_s_dw2-1.dll", "libgcc_s_seh-1.dll"]
# Name and size of each picture, and the height it must have at 640 pixels.
PICTURES = [("Harbour at dusk.jpg", (2400, 1600), 426), ("chart.png", (1000, 750), 480)]


class Failure(Exception):
    pass


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def unix_path(path):
    return subprocess.run(["winepath", "-u", path], check=True, capture_output=True, text=True).stdout.strip()


def wine(*arguments, timeout=120):
    result = subprocess.run(["wine"] + list(arguments), capture_output=True, timeout=timeout)
    return result.returncode, result.stdout.decode("latin-1"), result.stderr.decode("latin-1")


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


class Scene:
    """A host deployed in work/host, the mail-server entry recorded for it,
    and two pictures in work/pictures."""

    def __init__(self, args):
        self.root = args.root
        self.bin = args.bin
        self.work = os.path.abspath(args.work)
        shutil.rmtree(self.work, ignore_errors=True)
        self.host = os.path.join(self.work, "host")
        self.pictures = os.path.join(self.work, "pictures")
        self.smtp = os.path.join(self.work, "smtp")
        os.makedirs(self.host)
        os.makedirs(self.pictures)
        for name in HOST_FILES + [u for u in UNWINDERS if os.path.exists(os.path.join(args.bin, u))]:
            shutil.copy(os.path.join(args.bin, name), self.host)
        shutil.copy(os.path.join(self.root, "samples", "EmailDB.ini"), self.host)
        self.make_pictures()
        self.originals = {p: digest(p) for p in self.picture_paths()}
        code, _, err = wine("reg", "add", RELAY_KEY, "/v", "Folder", "/d", windows_path(self.host), "/f")
        if code != 0:
            raise Failure("reg add failed: " + err)

    def close(self):
        self.sink("stop", "--state", os.path.join(self.smtp, "state"))
        wine("reg", "delete", RELAY_KEY, "/v", "Folder", "/f")

    def make_pictures(self):
        (photo, (w, h), _), (chart, (cw, ch), _) = PICTURES
        subprocess.run(["convert", "-seed", "3", "-size", "%dx%d" % (w, h), "plasma:fractal", "-blur", "0x1",
                        "-strip", "-quality", "90", os.path.join(self.pictures, photo)], check=True)
        subprocess.run(["convert", "-size", "%dx%d" % (cw, ch), "gradient:white-steelblue", "-fill", "crimson",
                        "-draw", "rectangle 100,500 300,700", "-draw", "rectangle 400,300 600,700",
                        "-strip", "PNG24:" + os.path.join(self.pictures, chart)], check=True)

    def picture_paths(self):
        return [os.path.join(self.pictures, name) for name, _, _ in PICTURES]

    def email32(self, *arguments):
        return wine(os.path.join(self.host, "email32.exe"), *arguments)

    def sink(self, *arguments):
        return subprocess.run([sys.executable, os.path.join(self.root, "scripts", "lib", "smtp_server.py")]
                              + list(arguments), capture_output=True, text=True)

    def start_server(self):
        started = self.sink("start", "--profile", "demo", "--mailbox", os.path.join(self.smtp, "mailbox"),
                            "--state", os.path.join(self.smtp, "state"))
        if started.returncode != 0:
            raise Failure("the SMTP server did not start: " + started.stderr)
        return int(started.stdout.strip())

    def stop_server(self):
        self.sink("stop", "--state", os.path.join(self.smtp, "state"))

    def write_settings(self, port):
        with open(os.path.join(self.host, "Relay32.ini"), "w", newline="\r\n") as f:
            f.write("[Server]\nHost=127.0.0.1\nPort=%d\nSender=Email32 <email32@localhost>\n"
                    "Recipient=pictures@localhost\nSubject=%s\nTimeout=10\n" % (port, SUBJECT))

    def detect(self):
        code, out, err = self.email32("detect")
        if code != 0 or not any(line.startswith("SmtpRelay\t") for line in out.splitlines()):
            raise Failure("detection did not find SmtpRelay (status %d):\n%s%s" % (code, out, err))

    def per_user_folder(self):
        code, out, err = self.email32("paths")
        lines = out.splitlines()
        if code != 0 or len(lines) != 2:
            raise Failure("email32 paths: " + out + err)
        return os.path.dirname(unix_path(lines[1]))

    def check_prepared(self, prepared):
        for path, (name, _, height) in zip(prepared, PICTURES):
            local = unix_path(path)
            expected = os.path.splitext(name)[0] + ".jpg"
            if os.path.basename(local) != expected:
                raise Failure("%s was prepared as %s, expected %s" % (name, path, expected))
            with Image.open(local) as picture:
                if picture.format != "JPEG" or picture.size != (640, height):
                    raise Failure("%s is %s %dx%d, expected JPEG 640x%d"
                                  % (path, picture.format, picture.size[0], picture.size[1], height))
        for path, before in self.originals.items():
            if digest(path) != before:
                raise Failure("the host's picture %s was written" % path)

    def prepare(self):
        """The files the preparation makes for JPG at 640 pixels: their
        Windows paths as the host gets them."""
        sources = [windows_path(p) for p in self.picture_paths()]
        code, out, err = self.email32("prepare", "--format", "JPG", "--width", "640", *sources)
        lines = out.splitlines()
        if code != 0 or len(lines) != len(sources) + 1 or not lines[-1].endswith(" KB"):
            raise Failure("email32 prepare (status %d):\n%s%s" % (code, out, err))
        prepared = lines[:-1]
        self.check_prepared(prepared)
        return prepared

    def send(self, files):
        code, out, err = self.email32("send", "--system", "SmtpRelay", *files)
        if code != 0 or out.strip() != "handed over":
            raise Failure("email32 send (status %d): %s%s" % (code, out, err))


def delivery(scene):
    port = scene.start_server()
    scene.write_settings(port)
    scene.detect()
    prepared = scene.prepare()
    scene.send(prepared)
    expect_one_received(scene, prepared)


def expect_one_received(scene, prepared):
    mailbox = os.path.join(scene.smtp, "mailbox")
    messages = sorted(n for n in os.listdir(mailbox) if n.endswith(".eml"))
    if len(messages) != 1:
        raise Failure("the server holds %d messages, expected 1" % len(messages))
    with open(os.path.join(mailbox, messages[0]), "rb") as f:
        check_message(f.read(), read_files(unix_path(p) for p in prepared), SUBJECT)
    print("received %s: %s, byte for byte the prepared files"
          % (messages[0], ", ".join(os.path.basename(unix_path(p)) for p in prepared)))


def outbox(scene):
    port = scene.start_server()
    scene.stop_server()
    scene.write_settings(port)
    scene.detect()
    prepared = scene.prepare()
    folder = scene.per_user_folder()
    box = os.path.join(folder, "Outbox")
    log = os.path.join(folder, "Relay32.log")
    before = set(os.listdir(box)) if os.path.isdir(box) else set()
    log_before = os.path.getsize(log) if os.path.exists(log) else 0

    scene.send(prepared)
    added = sorted(set(os.listdir(box)) - before) if os.path.isdir(box) else []
    try:
        # The message and the envelope that says who it is for.
        if len(added) != 2 or not added[0].endswith(".eml") or added[1] != added[0][:-4] + ".env":
            raise Failure("the outbox gained %r, expected one .eml and its .env" % added)
        with open(os.path.join(box, added[0]), "rb") as f:
            check_message(f.read(), read_files(unix_path(p) for p in prepared), SUBJECT)
        with open(log, "rb") as f:
            f.seek(log_before)
            reason = f.read().decode("latin-1").strip()
        if not reason:
            raise Failure("Relay32.log says nothing about the failed delivery")
        print("kept %s in the outbox; Relay32.log: %s" % (added[0], reason.splitlines()[-1]))
    finally:
        for name in added:
            os.remove(os.path.join(box, name))


def dialog(scene):
    port = scene.start_server()
    scene.write_settings(port)
    scene.detect()
    host = subprocess.Popen(["wine", os.path.join(scene.host, "email32.exe"), "dialog"]
                            + [windows_path(p) for p in scene.picture_paths()],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    screenshot = os.path.join(scene.work, "dialog.bmp")
    code, out, err = wine(os.path.join(scene.bin, "dialog-pilot.exe"), "--format", "JPG", "--width", "640",
                          "--screenshot", windows_path(screenshot))
    try:
        shown, _ = host.communicate(timeout=120)
    except subprocess.TimeoutExpired:
        host.kill()
        raise Failure("the dialog did not close; dialog-pilot said:\n" + out + err)
    if code != 0 or "pressed OK" not in out:
        raise Failure("dialog-pilot (status %d):\n%s%s" % (code, out, err))
    lines = shown.decode("latin-1").splitlines()
    if host.returncode != 0 or len(lines) != len(PICTURES) + 1 or lines[0] != "SmtpRelay":
        raise Failure("email32 dialog (status %d): %r" % (host.returncode, lines))
    prepared = lines[1:]
    scene.check_prepared(prepared)
    with Image.open(screenshot) as picture:
        if picture.format != "BMP" or picture.size[0] < 200 or picture.size[1] < 100:
            raise Failure("the screenshot is %s %dx%d" % (picture.format, picture.size[0], picture.size[1]))
    scene.send(prepared)
    expect_one_received(scene, prepared)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("case", choices=["delivery", "outbox", "dialog"])
    parser.add_argument("--bin", required=True)
    parser.add_argument("--root", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()
    scene = Scene(args)
    try:
        {"delivery": delivery, "outbox": outbox, "dialog": dialog}[args.case](scene)
    except (Failure, MessageError) as e:
        print("endtoend %s: %s" % (args.case, e), file=sys.stderr)
        return 1
    finally:
        scene.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
