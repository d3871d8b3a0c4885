#!/usr/bin/python3
"""Every entry of samples/EmailDB.ini, end to end under Wine: a host deployed
with the sample catalogue; recording programs and Simple MAPI libraries of
ours where the real mail programs register (App Paths, the user's App Paths,
Clients\\Mail with DLLPath, the system's mapi32.dll routing to the default
client, the program for message files); two files sent through each entry,
one in a folder with a blank, one with a non-ASCII name of code page 1252.
The recorders must hold every path whole and in order: the arguments as
CommandLineToArgvW splits them, the paths of the Simple MAPI call, the long
names behind the plug-in's short paths, the attachments of a draft message.

First, with nothing registered but the new Outlook's olk.exe in the user's
App Paths (in the 64-bit view a 64-bit olk.exe): detection lists NewOutlook,
and a send with recipients, a subject and a text starts it once with one
draft whose headers, text and attachments Python's email package reads back
exactly.

  sample_catalogue.py --bin BUILD/bin --root SOURCE --work DIR [--view 64]

With --view 64 (a WOW64 prefix) the mail programs register in the 64-bit
registry view, as 64-bit installations do; the system's 32-bit mapi32.dll
still routes through the 32-bit view.
Runs under the Wine prefix of the environment (scripts/test makes it).
"""
import argparse
import email
import email.policy
import os
import shutil
import subprocess
import sys
import time

HOST_FILES = ["email32.exe", "Email32.dll", "Userpath.dll",
              "libstdc++-6.dll", "libwinpthread-1.dll"]
# MinGW's unwinder: DWARF-2 frames on i686, SEH on x86_64; a build holds one.
UNWINDERS = ["libgcc_s_dw2-1.dll", "libgcc_s_seh-1.dll"]
ENTRIES = ["SmtpRelay", "OutlookSimpleMapi", "OutlookCommandLine", "ThunderbirdSimpleMapi",
           "ThunderbirdCommandLine", "EmClientSimpleMapi", "NewOutlook", "SystemSimpleMapi", "MailDraft"]
APP_PATHS = r"HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\App Paths"
USER_APP_PATHS = r"HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\App Paths"
CLASSES = r"HKEY_LOCAL_MACHINE\Software\Classes"
MESSAGE_TYPE = CLASSES + r"\E32Test.Message"
CLIENTS = r"HKEY_LOCAL_MACHINE\Software\Clients\Mail"
RELAY = r"HKEY_CURRENT_USER\Software\Email32\Relay"


class Failure(Exception):
    pass


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wine(*arguments, env=None):
    result = subprocess.run(["wine"] + list(arguments), capture_output=True, timeout=120, env=env)
    return result.returncode, result.stdout.decode("utf-8", "replace"), result.stderr.decode("utf-8", "replace")


def percent_decoded(text):
    data = bytearray()
    i = 0
    while i < len(text):
        if text[i] == "%":
            data.append(int(text[i + 1:i + 3], 16))
            i += 3
        else:
            data += text[i].encode()
            i += 1
    return data.decode("utf-8")


class Scene:
    def __init__(self, args):
        self.args = args
        self.work = os.path.abspath(args.work)
        shutil.rmtree(self.work, ignore_errors=True)
        self.host = os.path.join(self.work, "host")
        self.programs = os.path.join(self.work, "Program Files")
        os.makedirs(self.host)
        for name in HOST_FILES + [u for u in UNWINDERS if os.path.exists(os.path.join(args.bin, u))]:
            shutil.copy(os.path.join(args.bin, name), self.host)
        shutil.copy(os.path.join(args.root, "samples", "EmailDB.ini"), self.host)
        # The plug-in entry's library, recording.
        shutil.copy(self.double("MailServerDouble.dll"), os.path.join(self.host, "Relay32.dll"))
        self.log = os.path.join(self.work, "record.log")
        self.env = dict(os.environ, E32_DOUBLE_LOG=windows_path(self.log))
        files = os.path.join(self.work, "files")
        os.makedirs(os.path.join(files, "Photo Club"))
        self.files = [os.path.join(files, "Photo Club", "my pic.jpg"), os.path.join(files, "café.jpg")]
        for path in self.files:
            with open(path, "wb") as f:
                f.write(os.urandom(40000))
        self.sent = [windows_path(p) for p in self.files]
        self.registry = {}
        self.saved = {}

    def double(self, name):
        return os.path.join(self.args.bin, "doubles", name)

    def install(self, relative, double):
        path = os.path.join(self.programs, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        shutil.copy(self.double(double), path)
        return windows_path(path)

    def install_new_outlook(self):
        """olk.exe where the new Outlook lies, 64-bit in the 64-bit view; its
        registration in the user's App Paths."""
        double = "record_mail_x64.exe" if self.args.view == "64" else "record_mail.exe"
        olk = self.install(r"WindowsApps/Microsoft.OutlookForWindows/olk.exe", double)
        return {USER_APP_PATHS + r"\olk.exe": {"": olk}}

    def install_programs(self):
        """Recorders where the real programs lie, and their registrations:
        {view: {key: {value: data}}}."""
        outlook = self.install(r"Microsoft Office/OUTLOOK.EXE", "record_mail.exe")
        outlook_mapi = self.install(r"Microsoft Office/olmapi32.dll", "MapiRecorder.dll")
        thunderbird = self.install(r"Mozilla Thunderbird/thunderbird.exe", "record_mail.exe")
        self.install(r"Mozilla Thunderbird/mozMapi32.dll", "MapiRecorder.dll")
        em_client = self.install(r"eM Client/MailClient.exe", "record_mail.exe")
        em_mapi = self.install(r"eM Client/MailClient.Mapi.dll", "MapiRecorder.dll")
        system_mapi = self.install(r"Default Client/provider.dll", "MapiRecorder.dll")
        mailer = self.install(r"Default Client/mailer.exe", "record_mail.exe")
        programs = {
            APP_PATHS + r"\OUTLOOK.EXE": {"": outlook},
            APP_PATHS + r"\thunderbird.exe": {"": thunderbird},
            APP_PATHS + r"\MailClient.exe": {"": em_client},
            CLIENTS + r"\Microsoft Outlook": {"DLLPath": outlook_mapi},
            CLIENTS + r"\eM Client": {"DLLPath": em_mapi},
        }
        programs.update(self.install_new_outlook())
        # The system's mapi32.dll (32-bit) routes to the default client of
        # its own view.
        # ... and message files open with the default client's program.
        system = {CLIENTS: {"": "E32 Default Client"}, CLIENTS + r"\E32 Default Client": {"DLLPath": system_mapi},
                  RELAY: {"Folder": windows_path(self.host)},
                  CLASSES + r"\.eml": {"": "E32Test.Message"},
                  MESSAGE_TYPE + r"\shell\open\command": {"": '"%s" "%%1"' % mailer}}
        self.registry = {self.args.view: programs, "32": system} if self.args.view == "64" else \
            {"32": dict(programs, **system)}
        self.saved = self.shared_values()
        self.write_registry()
        self.libraries = {"OutlookSimpleMapi": outlook_mapi,
                          "ThunderbirdSimpleMapi": windows_path(os.path.join(self.programs, "Mozilla Thunderbird",
                                                                             "mozMapi32.dll")),
                          "EmClientSimpleMapi": em_mapi, "SystemSimpleMapi": system_mapi}

    def write_registry(self):
        for view, keys in self.registry.items():
            lines = ["Windows Registry Editor Version 5.00", ""]
            for key, values in keys.items():
                lines.append("[%s]" % key)
                for name, data in values.items():
                    quoted = '"%s"' % data.replace("\\", "\\\\").replace('"', '\\"')
                    lines.append(("@=%s" if not name else '"%s"=%%s' % name) % quoted)
                lines.append("")
            reg = os.path.join(self.work, "registry-%s.reg" % view)
            with open(reg, "w", encoding="utf-16", newline="\r\n") as f:
                f.write("\n".join(lines) + "\n")
            code, _, err = wine("reg", "import", windows_path(reg), "/reg:" + view)
            if code != 0:
                raise Failure("reg import failed: " + err)

    def shared_values(self):
        """The values this scene sets in keys that others use too, with the
        data they had before (None: absent)."""
        saved = {}
        for view, keys in self.registry.items():
            for key in (CLIENTS, RELAY):
                for name in keys.get(key, {}):
                    code, out, _ = wine("reg", "query", key, *(["/v", name] if name else ["/ve"]), "/reg:" + view)
                    data = None
                    for line in out.splitlines():
                        parts = line.split("    ")
                        if code == 0 and len(parts) >= 4 and parts[2].startswith("REG_") \
                                and parts[3] != "(value not set)":
                            data = parts[3]
                    saved[(view, key, name)] = data
        return saved

    def remove_registrations(self):
        """The keys of the programs go; shared values get their data back."""
        for view, keys in self.registry.items():
            for key in keys:
                if key not in (CLIENTS, RELAY):
                    wine("reg", "delete", MESSAGE_TYPE if key.startswith(MESSAGE_TYPE) else key, "/f", "/reg:" + view)
        for (view, key, name), data in self.saved.items():
            which = ["/v", name] if name else ["/ve"]
            if data is None:
                wine("reg", "delete", key, *which, "/f", "/reg:" + view)
            else:
                wine("reg", "add", key, *which, "/d", data, "/f", "/reg:" + view)

    def email32(self, *arguments):
        return wine(os.path.join(self.host, "email32.exe"), *arguments, env=self.env)

    def records(self):
        """The log's records, each field decoded: the recorders write the
        wide texts in UTF-8 and the ANSI ones in code page 1252."""
        if not os.path.exists(self.log):
            return []
        records = []
        with open(self.log, "rb") as f:
            for line in f.read().split(b"\n"):
                if line:
                    fields = line.split(b"\t")
                    utf8_from = 4 if fields[0] == b"run" else 3 if fields[0] == b"MailSvr_SendFiles" else 99
                    records.append([field.decode("utf-8" if i >= utf8_from or fields[0] == b"MAPISendMailW"
                                                 else "cp1252") for i, field in enumerate(fields)])
        return records

    def send(self, key, *fields, files=None):
        if os.path.exists(self.log):
            os.remove(self.log)
        code, out, err = self.email32("send", "--system", key, *fields, *(files or self.sent))
        if code != 0 or out.strip() != "handed over":
            raise Failure("email32 send --system %s (status %d): %s%s" % (key, code, out, err))


def runs(scene, count):
    """The arguments of count started programs, in start order."""
    for _ in range(400):
        found = [r for r in scene.records() if r[0] == "run"]
        if len(found) >= count:
            break
        time.sleep(0.05)
    time.sleep(0.3)
    found = sorted((r for r in scene.records() if r[0] == "run"), key=lambda r: r[1])
    return [r[5:] for r in found]


def expect(condition, text):
    if not condition:
        raise Failure(text)


def read_draft(key, arguments):
    """The draft message a program was started with, parsed by Python's
    email package, after checking it was given that one path alone."""
    expect(len(arguments) == 1 and arguments[0].lower().endswith(".eml"),
           "%s: started with %r, not one draft" % (key, arguments))
    unix = subprocess.run(["winepath", "-u", arguments[0]], check=True, capture_output=True,
                          text=True).stdout.strip()
    with open(unix, "rb") as f:
        return email.message_from_binary_file(f, policy=email.policy.default)


def expect_attachments(key, draft, files):
    """Every file attached, byte for byte, under its own name, in order."""
    got = [(part.get_filename(), part.get_content()) for part in draft.iter_attachments()]
    wanted = []
    for path in files:
        with open(path, "rb") as f:
            wanted.append((os.path.basename(path), f.read()))
    expect(got == wanted, "%s: the draft holds %r" % (key, [(name, len(data)) for name, data in got]))


def check_entry(scene, key):
    scene.send(key)
    records = scene.records()
    whole = "^".join(scene.sent)
    if key == "SmtpRelay":
        relayed = [r for r in records if r[0] == "MailSvr_SendFiles"]
        expect(len(relayed) == 1 and relayed[0][3:] == scene.sent, "%s: the plug-in got %r" % (key, relayed))
    elif key == "OutlookCommandLine":
        got = runs(scene, 2)
        expect(got == [["/a", path] for path in scene.sent], "%s: started with %r" % (key, got))
    elif key == "ThunderbirdCommandLine":
        got = runs(scene, 1)
        expect(len(got) == 1 and len(got[0]) == 2 and got[0][0] == "-compose", "%s: started with %r" % (key, got))
        compose = got[0][1]
        expect(compose.startswith("attachment='") and compose.endswith("'"), "%s: %r" % (key, compose))
        urls = compose[len("attachment='"):-1].split(",")
        paths = [percent_decoded(u[len("file:///"):]).replace("/", "\\") for u in urls]
        expect(paths == scene.sent, "%s: the URLs name %r" % (key, paths))
    elif key in ("NewOutlook", "MailDraft"):
        got = runs(scene, 1)
        expect(len(got) == 1, "%s: %d programs started" % (key, len(got)))
        draft = read_draft(key, got[0])
        expect(draft["X-Unsent"] == "1" and draft["To"] is None and draft["Subject"] is None,
               "%s: draft headers %r" % (key, draft.items()))
        expect_attachments(key, draft, scene.files)
    else:
        library = scene.libraries[key]
        attached = [r[1] for r in records if r[0] == "attach"]
        sent = [r[3] for r in records if r[0] == "MAPISendDocuments"]
        expect(attached == [library], "%s: loaded %r, expected %s" % (key, attached, library))
        expect(sent == [whole], "%s: MAPISendDocuments got %r" % (key, sent))
    print("%s: both files whole, in order" % key)


def check_new_outlook_alone(scene):
    """Only the new Outlook registered, for the user alone: it is listed,
    and a send with recipients, subject and text starts it once with one
    draft that holds them all."""
    view = scene.args.view
    scene.registry = {view: scene.install_new_outlook()}
    scene.write_registry()
    code, out, err = scene.email32("detect")
    listed = [line.split("\t")[0] for line in out.splitlines()]
    expect(code == 0 and "NewOutlook" in listed, "detect with olk.exe alone lists %r: %s" % (listed, err))
    files = os.path.join(scene.work, "files")
    pictures = [os.path.join(files, "a.jpg"), os.path.join(files, "my pic.jpg")]
    for path in pictures:
        with open(path, "wb") as f:
            f.write(os.urandom(70000))
    scene.send("NewOutlook", "--to", "Photo Club <club@example.org>", "--subject", "Trip, day 2", "--body",
               "Two pictures", files=[windows_path(p) for p in pictures])
    got = runs(scene, 1)
    expect(len(got) == 1, "NewOutlook alone: %d programs started: %r" % (len(got), got))
    draft = read_draft("NewOutlook alone", got[0])
    to = [(a.display_name, a.addr_spec) for a in draft["To"].addresses]
    text = draft.get_body(preferencelist=("plain",)).get_content()
    expect(draft["X-Unsent"] == "1" and to == [("Photo Club", "club@example.org")] and
           draft["Subject"] == "Trip, day 2" and text.rstrip("\r\n") == "Two pictures",
           "NewOutlook alone: the draft says %r, text %r" % (draft.items(), text))
    expect_attachments("NewOutlook alone", draft, pictures)
    print("olk.exe alone (%s-bit view): NewOutlook listed; one draft with recipient, subject, text and both "
          "pictures" % view)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bin", required=True)
    parser.add_argument("--root", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--view", choices=["32", "64"], default="32")
    args = parser.parse_args()
    scene = Scene(args)
    # Detection rewrites the per-user installed list and may store a
    # default: other tests find it as it was.
    code, out, err = scene.email32("paths")
    lines = out.splitlines()
    if code != 0 or len(lines) != 2:
        print("sample_catalogue: email32 paths: %s%s" % (out, err), file=sys.stderr)
        return 1
    alive = subprocess.run(["winepath", "-u", lines[1]], check=True, capture_output=True,
                           text=True).stdout.strip()
    saved_alive = open(alive, "rb").read() if os.path.exists(alive) else None
    try:
        # Before any registration: the default mail program entry is there
        # with the system's own library, and a send through it is handed over.
        code, out, err = scene.email32("detect")
        expect(code == 0 and any(l.startswith("SystemSimpleMapi\t") for l in out.splitlines()),
               "detect without registrations (status %d):\n%s%s" % (code, out, err))
        scene.send("SystemSimpleMapi")
        print("without registrations: SystemSimpleMapi listed and handed over")

        check_new_outlook_alone(scene)

        scene.install_programs()
        code, out, err = scene.email32("detect")
        listed = [l.split("\t")[0] for l in out.splitlines()]
        expect(code == 0 and all(e in listed for e in ENTRIES), "detect lists %r (status %d): %s" % (listed, code, err))
        for key in ENTRIES:
            check_entry(scene, key)
    except Failure as e:
        print("sample_catalogue: %s" % e, file=sys.stderr)
        return 1
    finally:
        scene.remove_registrations()
        if saved_alive is None:
            if os.path.exists(alive):
                os.remove(alive)
        else:
            with open(alive, "wb") as f:
                f.write(saved_alive)
    return 0


if __name__ == "__main__":
    sys.exit(main())
