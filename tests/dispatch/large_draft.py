#!/usr/bin/python3
"""A 300 MB picture sent as a draft message: a host deployed with the sample
catalogue and a recording olk.exe in the user's App Paths; "email32 send
--system NewOutlook" with a 200 KB file, then with the 300 MB one, each in a
process of its own. The draft holds the big file whole, and the host's peak
resident set grows by less than 64 MB over the small send: the draft is
written as a stream.

  large_draft.py --bin BUILD/bin --root SOURCE --work DIR

Prints its figures. Runs under the Wine prefix of the environment.
"""
import argparse
import base64
import hashlib
import os
import re
import shutil
import subprocess
import sys
import time

HOST_FILES = ["email32.exe", "Email32.dll", "Userpath.dll",
              "libstdc++-6.dll", "libwinpthread-1.dll"]
# MinGW's unwinder: DWARF-2 frames on i686, SEH on x86_64; a build holds one.
UNWINDERS = ["libgcc_s_dw2-1.dll", "libgcc_s_seh-1.dll"]
OLK_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\App Paths\olk.exe"
MB = 1024 * 1024
LIMIT_MB = 64


class Failure(Exception):
    pass


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wine(*arguments, env=None):
    result = subprocess.run(["wine"] + list(arguments), capture_output=True, timeout=600, env=env)
    return result.returncode, result.stdout.decode("latin-1"), result.stderr.decode("latin-1")


def peak_rss(command, env):
    """Runs the command in a process of its own and returns (status, output,
    peak resident set in bytes): Wine reports a process's working set from
    it."""
    probe = ("import resource, subprocess, sys\n"
             "r = subprocess.run(sys.argv[1:], capture_output=True)\n"
             "sys.stdout.buffer.write(r.stdout)\n"
             "sys.stderr.buffer.write(b'%d %d' % (r.returncode, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss))\n")
    result = subprocess.run([sys.executable, "-c", probe] + command, capture_output=True, env=env, timeout=900)
    code, kilobytes = result.stderr.decode().split()[-2:]
    return int(code), result.stdout.decode("latin-1"), int(kilobytes) * 1024


def attachment_digest(path):
    """sha256 of a draft's one attachment, decoded line by line."""
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


def file_digest(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for chunk in iter(lambda: f.read(MB), b""):
            digest.update(chunk)
    return digest.hexdigest()


def picture(path, size):
    with open(path, "wb") as f:
        block = os.urandom(MB)
        for _ in range(size // MB):
            f.write(block)
        f.write(os.urandom(size % MB))


def drafts(log):
    """The draft paths the recording program was started with."""
    for _ in range(600):
        if os.path.exists(log):
            with open(log, "rb") as f:
                runs = [line.split(b"\t") for line in f.read().split(b"\n") if line.startswith(b"run\t")]
            if runs:
                return [run[5].decode("utf-8") for run in runs]
        time.sleep(0.1)
    return []


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bin", required=True)
    parser.add_argument("--root", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()
    work = os.path.abspath(args.work)
    shutil.rmtree(work, ignore_errors=True)
    host = os.path.join(work, "host")
    os.makedirs(host)
    for name in HOST_FILES + [u for u in UNWINDERS if os.path.exists(os.path.join(args.bin, u))]:
        shutil.copy(os.path.join(args.bin, name), host)
    shutil.copy(os.path.join(args.root, "samples", "EmailDB.ini"), host)
    olk = os.path.join(work, "olk", "olk.exe")
    os.makedirs(os.path.dirname(olk))
    shutil.copy(os.path.join(args.bin, "doubles", "record_mail.exe"), olk)
    log = os.path.join(work, "record.log")
    env = dict(os.environ, E32_DOUBLE_LOG=windows_path(log))
    email32 = os.path.join(host, "email32.exe")
    small, big = os.path.join(work, "small.jpg"), os.path.join(work, "big.jpg")
    picture(small, 200 * 1024)
    picture(big, 300 * MB)

    code, out, err = wine(email32, "paths", env=env)
    alive = subprocess.run(["winepath", "-u", out.splitlines()[1]], check=True, capture_output=True,
                           text=True).stdout.strip()
    saved_alive = open(alive, "rb").read() if os.path.exists(alive) else None
    made = []
    try:
        wine("reg", "add", OLK_KEY, "/ve", "/d", windows_path(olk), "/f")
        code, out, err = wine(email32, "detect", env=env)
        if "NewOutlook\t" not in out:
            raise Failure("detect does not list NewOutlook: %s%s" % (out, err))
        figures = {}
        for name, path in (("small", small), ("big", big)):
            if os.path.exists(log):
                os.remove(log)
            code, out, peak = peak_rss(["wine", email32, "send", "--system", "NewOutlook", windows_path(path)], env)
            if code != 0 or out.strip() != "handed over":
                raise Failure("%s send: status %d, %r" % (name, code, out))
            started = drafts(log)
            if len(started) != 1:
                raise Failure("%s send started %r" % (name, started))
            made.append(subprocess.run(["winepath", "-u", started[0]], check=True, capture_output=True,
                                       text=True).stdout.strip())
            figures[name] = peak
        growth = (figures["big"] - figures["small"]) / MB
        size = os.path.getsize(made[-1]) / MB
        print("300 MB attachment as a draft of %.0f MB: peak resident set %.1f MB, %.1f MB above a 200 KB send "
              "(limit %d MB)" % (size, figures["big"] / MB, growth, LIMIT_MB))
        if growth >= LIMIT_MB:
            raise Failure("the host's peak grew by %.1f MB" % growth)
        if attachment_digest(made[-1]) != file_digest(big):
            raise Failure("the draft does not hold the 300 MB file whole")
    except Failure as e:
        print("large_draft: %s" % e, file=sys.stderr)
        return 1
    finally:
        wine("reg", "delete", OLK_KEY, "/f")
        for draft in made:
            shutil.rmtree(os.path.dirname(draft), ignore_errors=True)
        os.remove(big)
        if saved_alive is None:
            if os.path.exists(alive):
                os.remove(alive)
        else:
            with open(alive, "wb") as f:
                f.write(saved_alive)
    return 0


if __name__ == "__main__":
    sys.exit(main())
