#!/usr/bin/python3
"""The mail-server plug-in with whole processes: a host deployed in a folder
of its own (email32.exe, the module, Relay32.dll and its Relay32.ini) run
under Wine, real SMTP servers on 127.0.0.1, and processes that die.

  relay_scenarios.py CASE --bin BUILD/bin --root SOURCE --work DIR

flush       server down: the send keeps the message; server up:
            "email32 relay --flush" delivers it once and empties the outbox
killed      the host killed in the middle of DATA: the message stays queued,
            and the next flush delivers it whole
concurrent  8 sends at once with the server down: 8 messages, 8 log lines
large       a 300 MB attachment, server up and down: delivered or queued, the
            host lives, and its peak working set grows by less than 64 MB
sendmail    500 sends through SendMail and link 7 grow committed memory by
            less than 1 MB
trickle     (a figure, not a test) a server sending one byte every 2 s, with
            Timeout=3: how long the send takes against its bound

Each case prints its figures. Runs under the Wine prefix of the environment.
"""
import argparse
import base64
import hashlib
import os
import re
import shutil
import socket
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from check_message import check_message, read_files  # noqa: E402

HOST_FILES = ["email32.exe", "Email32.dll", "Userpath.dll", "Relay32.dll", "RelaySendLoop.exe",
              "libstdc++-6.dll", "libwinpthread-1.dll"]
# MinGW's unwinder: DWARF-2 frames on i686, SEH on x86_64; a build holds one.
UNWINDERS = ["libgcc_s_dw2-1.dll", "libgcc_s_seh-1.dll"]
RELAY_KEY = r"HKCU\Software\Email32\Relay"
MB = 1024 * 1024


class Failure(Exception):
    pass


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def peak_rss(command, **kwargs):
    """Runs the command in a process of its own and returns (result, peak
    resident set in bytes): Wine reports a process's working set from it."""
    probe = ("import resource, subprocess, sys\n"
             "r = subprocess.run(sys.argv[1:], capture_output=True)\n"
             "sys.stdout.buffer.write(r.stdout)\n"
             "sys.stderr.buffer.write(b'%d %d' % (r.returncode, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss))\n")
    result = subprocess.run([sys.executable, "-c", probe] + command, capture_output=True, **kwargs)
    code, kilobytes = result.stderr.decode().split()[-2:]
    return int(code), result.stdout.decode("latin-1"), int(kilobytes) * 1024


class Scene:
    """The deployed host, its per-user folder, a sink for plain SMTP."""

    def __init__(self, args):
        self.root = args.root
        self.work = os.path.abspath(args.work)
        shutil.rmtree(self.work, ignore_errors=True)
        self.host = os.path.join(self.work, "host")
        self.files = os.path.join(self.work, "files")
        os.makedirs(self.host)
        os.makedirs(self.files)
        for name in HOST_FILES + [u for u in UNWINDERS if os.path.exists(os.path.join(args.bin, u))]:
            shutil.copy(os.path.join(args.bin, name), self.host)
        code, out, err = self.email32("paths")
        if code != 0:
            raise Failure("email32 paths: " + out + err)
        alive = subprocess.run(["winepath", "-u", out.splitlines()[1]], capture_output=True, text=True).stdout.strip()
        self.user = os.path.dirname(alive)
        self.outbox = os.path.join(self.user, "Outbox")
        self.log = os.path.join(self.user, "Relay32.log")
        self.clear_outbox()
        self.sinks = []

    def close(self):
        for state in self.sinks:
            self.sink("stop", "--state", state)
        self.clear_outbox()

    def clear_outbox(self):
        if os.path.isdir(self.outbox):
            # Failed\ and Damaged\ hold what earlier sends set aside.
            for name in os.listdir(self.outbox):
                path = os.path.join(self.outbox, name)
                if os.path.isdir(path):
                    shutil.rmtree(path)
                else:
                    os.remove(path)

    def queued(self):
        return sorted(n for n in os.listdir(self.outbox) if n.endswith(".eml")) if os.path.isdir(self.outbox) else []

    def log_size(self):
        return os.path.getsize(self.log) if os.path.exists(self.log) else 0

    def log_since(self, size):
        with open(self.log, "rb") as f:
            f.seek(size)
            return f.read().decode("utf-8", "replace")

    def email32(self, *arguments, timeout=600):
        result = subprocess.run(["wine", os.path.join(self.host, "email32.exe")] + list(arguments),
                                capture_output=True, timeout=timeout)
        return result.returncode, result.stdout.decode("latin-1"), result.stderr.decode("latin-1")

    def settings(self, port, more=""):
        with open(os.path.join(self.host, "Relay32.ini"), "w", newline="\r\n") as f:
            f.write("[Server]\nHost=127.0.0.1\nPort=%d\nRecipient=pictures@localhost\n%s" % (port, more))

    def sink(self, *arguments):
        return subprocess.run([sys.executable, os.path.join(self.root, "scripts", "lib", "smtp_server.py")]
                              + list(arguments), capture_output=True, text=True)

    def start_sink(self, name, port=0):
        state = os.path.join(self.work, name + "-state")
        mailbox = os.path.join(self.work, name)
        started = self.sink("start", "--profile", "demo", "--mailbox", mailbox, "--state", state, "--port", str(port))
        if started.returncode != 0:
            raise Failure("the SMTP server did not start: " + started.stderr)
        self.sinks.append(state)
        return int(started.stdout.strip()), mailbox

    def bench_server(self, name):
        """The port of a server of the benchmarks' profile, and its folder."""
        state = os.path.join(self.work, "bench-servers")
        if state not in self.sinks:
            started = self.sink("start", "--profile", "bench", "--state", state)
            if started.returncode != 0:
                raise Failure("the SMTP servers did not start: " + started.stderr)
            self.sinks.append(state)
        with open(os.path.join(state, name + ".port")) as f:
            return int(f.read()), os.path.join(state, name)

    def picture(self, name, size=None):
        path = os.path.join(self.files, name)
        with open(path, "wb") as f:
            if size is None:
                f.write(os.urandom(200_000))
            else:
                chunk = os.urandom(MB)
                for _ in range(size // MB):
                    f.write(chunk)
        return path


def mailbox_messages(mailbox):
    return sorted(n for n in os.listdir(mailbox) if n.endswith(".eml")) if os.path.isdir(mailbox) else []


def flush(scene):
    port = free_port()
    scene.settings(port)
    picture = scene.picture("harbour.jpg")
    code, out, _ = scene.email32("relay", picture)
    if (code, out) != (1, "kept in the outbox\n") or len(scene.queued()) != 1:
        raise Failure("with the server down: %d %r, outbox %r" % (code, out, scene.queued()))
    _, mailbox = scene.start_sink("mailbox", port)
    code, out, err = scene.email32("relay", "--flush")
    if (code, out) != (0, "delivered 1, kept 0, busy 0\n"):
        raise Failure("flush: %d %r %r" % (code, out, err))
    code, out, _ = scene.email32("relay", "--flush")
    if (code, out) != (0, "delivered 0, kept 0, busy 0\n") or scene.queued():
        raise Failure("second flush: %d %r, outbox %r" % (code, out, scene.queued()))
    received = mailbox_messages(mailbox)
    if len(received) != 1:
        raise Failure("the server received %d messages, expected 1" % len(received))
    with open(os.path.join(mailbox, received[0]), "rb") as f:
        check_message(f.read(), read_files([picture]))
    print("kept while the server was down; delivered once by --flush; the outbox is empty")


def killed(scene):
    stall_port, stall_folder = scene.bench_server("stall")
    scene.settings(stall_port)
    picture = scene.picture("large.jpg", 8 * MB)
    host = subprocess.Popen(["wine", os.path.join(scene.host, "email32.exe"), "relay", picture],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.time() + 120
    while not os.path.exists(os.path.join(stall_folder, "in-data")):
        if host.poll() is not None or time.time() > deadline:
            raise Failure("the host never got into DATA (status %r)" % host.poll())
        time.sleep(0.05)
    host.kill()
    host.wait()
    queued = scene.queued()
    if len(queued) != 1:
        raise Failure("after the kill the outbox holds %r, expected the message" % queued)
    port, mailbox = scene.start_sink("mailbox")
    scene.settings(port)
    code, out, err = scene.email32("relay", "--flush")
    if (code, out) != (0, "delivered 1, kept 0, busy 0\n"):
        raise Failure("flush after the kill: %d %r %r" % (code, out, err))
    received = mailbox_messages(mailbox)
    with open(os.path.join(mailbox, received[0]), "rb") as f:
        check_message(f.read(), read_files([picture]))
    print("killed in the middle of DATA; %s stayed queued and the next flush delivered it whole" % queued[0])


def concurrent(scene):
    scene.settings(free_port())
    pictures = [scene.picture("p%d.jpg" % i) for i in range(8)]
    before = scene.log_size()
    hosts = [subprocess.Popen(["wine", os.path.join(scene.host, "email32.exe"), "relay", p],
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL) for p in pictures]
    outputs = [h.communicate(timeout=300)[0].decode() for h in hosts]
    if outputs != ["kept in the outbox\n"] * 8:
        raise Failure("outputs: %r" % outputs)
    lines = scene.log_since(before).splitlines()
    if len(scene.queued()) != 8 or len(lines) != 8 or any("message kept in" not in line for line in lines):
        raise Failure("outbox %r, log lines %r" % (scene.queued(), lines))
    print("8 sends at once, server down: 8 messages in the outbox, 8 whole log lines")


def attachment_digest(path):
    """sha256 of the one attachment of a message, decoded line by line."""
    digest = hashlib.sha256()
    boundary, in_attachment, in_body = None, False, False
    with open(path, "rb") as f:
        for line in f:
            line = line.rstrip(b"\r\n")
            if boundary is None:
                found = re.search(rb'boundary="([^"]+)"', line)
                boundary = b"--" + found.group(1) if found else None
            elif line.startswith(boundary):
                in_attachment, in_body = False, False
            elif in_body:
                digest.update(base64.b64decode(line))
            elif line.startswith(b"Content-Disposition: attachment"):
                in_attachment = True
            elif in_attachment and line == b"":
                in_body = True
    return digest.hexdigest()


def large(scene):
    small = scene.picture("small.jpg")
    big = scene.picture("big.jpg", 300 * MB)
    with open(big, "rb") as f:
        expected = hashlib.sha256()
        for chunk in iter(lambda: f.read(MB), b""):
            expected.update(chunk)
    # aiosmtpd reads a message line by line, some 2 MB/s: too slow for 400 MB.
    bulk_port, mailbox = scene.bench_server("bulk")
    host = os.path.join(scene.host, "email32.exe")
    figures = []
    for state, settings_port, wanted in (("up", bulk_port, "delivered\n"), ("down", free_port(), "kept in the outbox\n")):
        scene.settings(settings_port)
        scene.clear_outbox()
        _, _, baseline = peak_rss(["wine", host, "relay", small])
        log = scene.log_size()
        code, out, peak = peak_rss(["wine", host, "relay", big])
        if out != wanted:
            raise Failure("server %s: status %d, output %r; log: %s" % (state, code, out, scene.log_since(log)))
        growth = (peak - baseline) / MB
        figures.append("server %s: %s, peak working set %.1f MB (%.1f MB above a 200 KB send)"
                       % (state, out.strip(), peak / MB, growth))
        if growth >= 64:
            raise Failure(figures[-1])
        if state == "up":
            received = mailbox_messages(mailbox)
            if attachment_digest(os.path.join(mailbox, received[-1])) != expected.hexdigest():
                raise Failure("the 300 MB attachment arrived changed")
            for name in received:
                os.remove(os.path.join(mailbox, name))
        else:
            queued = scene.queued()
            if len(queued) != 2 or attachment_digest(os.path.join(scene.outbox, max(
                    queued, key=lambda n: os.path.getsize(os.path.join(scene.outbox, n))))) != expected.hexdigest():
                raise Failure("the outbox holds %r, not the 300 MB message whole" % queued)
    os.remove(big)
    print("300 MB attachment: " + "; ".join(figures))


def sendmail(scene):
    port, mailbox = scene.start_sink("mailbox")
    scene.settings(port)
    shutil.copy(os.path.join(scene.root, "samples", "EmailDB.ini"), scene.host)
    subprocess.run(["wine", "reg", "add", RELAY_KEY, "/v", "Folder", "/d", windows_path(scene.host), "/f"],
                   capture_output=True, check=True)
    try:
        code, out, err = scene.email32("detect")
        if code != 0 or "SmtpRelay" not in out:
            raise Failure("detection did not find SmtpRelay: " + out + err)
        picture = scene.picture("p.jpg")
        result = subprocess.run(["wine", os.path.join(scene.host, "RelaySendLoop.exe"), "SmtpRelay", "500", picture],
                                capture_output=True, timeout=1200)
        out = result.stdout.decode()
        found = re.search(r"committed memory ([+-][0-9.]+) KB", out)
        if result.returncode != 0 or not found:
            raise Failure("RelaySendLoop: %d %r %r" % (result.returncode, out, result.stderr))
        if len(mailbox_messages(mailbox)) != 520 or scene.queued():
            raise Failure("%d messages received, outbox %r" % (len(mailbox_messages(mailbox)), scene.queued()))
        print("through SendMail and link 7, all delivered: " + out.strip())
        if float(found.group(1)) >= 1024:
            raise Failure("committed memory grew by 1 MB or more")
    finally:
        subprocess.run(["wine", "reg", "delete", RELAY_KEY, "/v", "Folder", "/f"], capture_output=True)


def trickle(scene):
    trickle_port, _ = scene.bench_server("trickle")
    timeout = 3
    scene.settings(trickle_port, "Timeout=%d\n" % timeout)
    picture = scene.picture("p.jpg")
    started = time.monotonic()
    code, out, _ = scene.email32("relay", picture)
    took = time.monotonic() - started
    # The probe, one message to one recipient of up to 64 KiB blocks, the goodbye.
    blocks = (os.path.getsize(os.path.join(scene.outbox, scene.queued()[0])) + 65535) // 65536
    bound = timeout * (7 + 13 + 1 + blocks + 1)
    print("trickling server, Timeout=%d: %r after %.1f s (whole process, Wine start included); bound %d s"
          % (timeout, out.strip(), took, bound))
    if took >= bound:
        raise Failure("over the bound")


CASES = {"flush": flush, "killed": killed, "concurrent": concurrent, "large": large, "sendmail": sendmail,
         "trickle": trickle}


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("case", choices=sorted(CASES))
    parser.add_argument("--bin", required=True)
    parser.add_argument("--root", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()
    scene = Scene(args)
    try:
        CASES[args.case](scene)
    except Failure as e:
        print("%s: %s" % (args.case, e), file=sys.stderr)
        return 1
    finally:
        scene.close()
    shutil.rmtree(scene.work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
