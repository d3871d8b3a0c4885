#!/usr/bin/python3
"""Simple MAPI across bitness, end to end under Wine in a 64-bit prefix: a
host deployed with the sample catalogue and a module of one bitness, and a
mail client of the other registered as a 64-bit Outlook registers (in the
32-bit direction: a 32-bit one): its recording Simple MAPI library as
Outlook's DLLPath and its program under App Paths, both in the registry view
of its own bitness only, and "Microsoft Outlook" the default mail client.

- `email32 detect` lists OutlookSimpleMapi;
- `email32 send --system OutlookSimpleMapi` with three files makes one send
  call in that library, with the three files in order; `--system
  SystemSimpleMapi` the same;
- with the helper gone from beside the module, OutlookSimpleMapi is not
  listed and SystemSimpleMapi prints "not handed over".

  other_bitness_mapi.py --bin BUILD/bin --root SOURCE --work DIR --module-bits 32|64

Runs under the (64-bit) Wine prefix of the environment.
"""
import argparse
import glob
import os
import shutil
import subprocess
import sys

CLIENTS = r"HKEY_LOCAL_MACHINE\Software\Clients\Mail"
OUTLOOK = CLIENTS + r"\Microsoft Outlook"
APP_PATH = r"HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\App Paths\OUTLOOK.EXE"


class Failure(Exception):
    pass


def expect(condition, text):
    if not condition:
        raise Failure(text)


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wine(*arguments, env=None):
    result = subprocess.run(["wine"] + list(arguments), capture_output=True, timeout=120, env=env)
    return result.returncode, result.stdout.decode("utf-8", "replace"), result.stderr.decode("utf-8", "replace")


def reg_query(key, view):
    code, out, _ = wine("reg", "query", key, "/ve", "/reg:" + view)
    for line in out.splitlines():
        parts = line.split("    ")
        if code == 0 and len(parts) >= 4 and parts[2].startswith("REG_") and parts[3] != "(value not set)":
            return parts[3]
    return None


class Scene:
    def __init__(self, args):
        self.bits = args.module_bits
        self.other = "64" if self.bits == "32" else "32"
        self.helper = "email32-mapi%s.exe" % self.other
        self.work = os.path.abspath(args.work)
        shutil.rmtree(self.work, ignore_errors=True)
        self.host = os.path.join(self.work, "host")
        os.makedirs(self.host)
        # The host's folder as a deployment: the host, the module, its
        # companions and runtime, the helper and the sample catalogue.
        for path in glob.glob(os.path.join(args.bin, "*.dll")) + [os.path.join(args.bin, "email32.exe"),
                                                                  os.path.join(args.bin, self.helper)]:
            shutil.copy(path, self.host)
        shutil.copy(os.path.join(args.root, "samples", "EmailDB.ini"), self.host)
        office = os.path.join(self.work, "Program Files", "Microsoft Office")
        os.makedirs(office)
        self.library = os.path.join(office, "olmapi%s.dll" % self.other)
        shutil.copy(os.path.join(args.bin, "doubles", "MapiRecorder%s.dll" % self.other), self.library)
        outlook = os.path.join(office, "OUTLOOK.EXE")
        shutil.copy(os.path.join(args.bin, "doubles", "record_mail_x64.exe" if self.other == "64" else
                                 "record_mail.exe"), outlook)
        self.log = os.path.join(self.work, "record.log")
        self.env = dict(os.environ, E32_DOUBLE_LOG=windows_path(self.log))
        self.files = []
        for name in ("a.jpg", "my b.jpg", "c.jpg"):
            path = os.path.join(self.work, "files", name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(os.urandom(30000))
            self.files.append(windows_path(path))
        # The default mail client is named in both views, as Windows keeps
        # the key Clients\Mail shared; the client itself is in its own view.
        self.saved = {view: reg_query(CLIENTS, view) for view in ("32", "64")}
        for view in ("32", "64"):
            self.reg("add", CLIENTS, "/ve", "/d", "Microsoft Outlook", "/f", view=view)
        self.reg("add", OUTLOOK, "/v", "DLLPath", "/d", windows_path(self.library), "/f", view=self.other)
        self.reg("add", APP_PATH, "/ve", "/d", windows_path(outlook), "/f", view=self.other)
        for view in ("32", "64"):
            if view != self.other:
                expect(wine("reg", "query", OUTLOOK, "/v", "DLLPath", "/reg:" + view)[0] != 0,
                       "the %s-bit view must not see Outlook's library" % view)

    def reg(self, *arguments, view):
        code, _, err = wine("reg", *arguments, "/reg:" + view)
        expect(code == 0, "reg %s: %s" % (" ".join(arguments), err))

    def restore(self):
        wine("reg", "delete", OUTLOOK, "/f", "/reg:" + self.other)
        wine("reg", "delete", APP_PATH, "/f", "/reg:" + self.other)
        for view, data in self.saved.items():
            if data is None:
                wine("reg", "delete", CLIENTS, "/ve", "/f", "/reg:" + view)
            else:
                wine("reg", "add", CLIENTS, "/ve", "/d", data, "/f", "/reg:" + view)

    def email32(self, *arguments):
        return wine(os.path.join(self.host, "email32.exe"), *arguments, env=self.env)

    def listed(self):
        code, out, err = self.email32("detect")
        expect(code == 0, "detect (status %d): %s%s" % (code, out, err))
        return [line.split("\t")[0] for line in out.splitlines()]

    def records(self):
        if not os.path.exists(self.log):
            return []
        with open(self.log, encoding="utf-8", errors="replace") as f:
            return [line.rstrip("\n").split("\t") for line in f if line.strip()]

    def send(self, key):
        if os.path.exists(self.log):
            os.remove(self.log)
        code, out, err = self.email32("send", "--system", key, *self.files)
        return out.strip(), err

    def check_send(self, key):
        said, err = self.send(key)
        expect(said == "handed over", "%s: %s %s" % (key, said, err))
        records = self.records()
        attached = [r[1] for r in records if r[0] == "attach"]
        sends = [r for r in records if r[0] in ("MAPISendDocuments", "MAPISendMail", "MAPISendMailW")]
        expect(attached == [windows_path(self.library)], "%s: loaded %r" % (key, attached))
        expect(len(sends) == 1 and sends[0][0] == "MAPISendDocuments" and sends[0][3] == "^".join(self.files),
               "%s: the %s-bit library got %r" % (key, self.other, sends))
        print("%s: one call in the %s-bit library with the three files in order" % (key, self.other))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bin", required=True)
    parser.add_argument("--root", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--module-bits", choices=["32", "64"], required=True)
    args = parser.parse_args()
    scene = None
    try:
        scene = Scene(args)
        # Detection rewrites the per-user installed list; the other tests
        # find it as it was.
        code, out, _ = scene.email32("paths")
        alive = subprocess.run(["winepath", "-u", out.splitlines()[1]], check=True, capture_output=True,
                               text=True).stdout.strip()
        saved_alive = open(alive, "rb").read() if os.path.exists(alive) else None
        try:
            listed = scene.listed()
            expect("OutlookSimpleMapi" in listed and "SystemSimpleMapi" in listed, "detect lists %r" % listed)
            scene.check_send("OutlookSimpleMapi")
            scene.check_send("SystemSimpleMapi")

            os.remove(os.path.join(scene.host, scene.helper))
            listed = scene.listed()
            expect("OutlookSimpleMapi" not in listed, "without the helper detect lists %r" % listed)
            said, err = scene.send("SystemSimpleMapi")
            expect(said == "not handed over" and not scene.records(),
                   "without the helper SystemSimpleMapi: %s %s, records %r" % (said, err, scene.records()))
            print("without %s: OutlookSimpleMapi not listed, SystemSimpleMapi not handed over" % scene.helper)
        finally:
            if saved_alive is None:
                if os.path.exists(alive):
                    os.remove(alive)
            else:
                with open(alive, "wb") as f:
                    f.write(saved_alive)
    except Failure as e:
        print("other_bitness_mapi: %s" % e, file=sys.stderr)
        return 1
    finally:
        if scene is not None:
            scene.restore()
    return 0


if __name__ == "__main__":
    sys.exit(main())
