#!/usr/bin/python3
"""The local SMTP servers of the demo, the plug-in's tests and the benchmarks,
in one background process on 127.0.0.1.

  smtp_server.py start --profile demo --state DIR [--mailbox DIR] [--port N]
      prints the port once it listens
  smtp_server.py start --profile plug-in|bench --state DIR
      prints nothing; DIR/NAME.port per server
  smtp_server.py stop --state DIR

Every server that keeps mail writes each message as NNNN.eml (the bytes
received, CRLF line ends) with its envelope in NNNN.json, into DIR/NAME/, and
every command it is given into DIR/NAME/transcript ("tls" or "plain", then
the command; AUTH without its data). Recipients "refuse..." get 550.

Profiles (NAME of each server):

  demo       mailbox   no TLS, no login, no size limit; keeps mail in --mailbox
                       (default DIR/mailbox) and prints a line per message
  plug-in    plain     as the demo's
             small     like plain, with SIZE 1 MB
             starttls  STARTTLS required, then AUTH required (user "relay",
                       password in DIR/password); SIZE 1 MB
             implicit  TLS from the first byte, AUTH required as above
             rogue     like starttls, but its certificate comes from a CA
                       nobody trusts
             impostor  like starttls, but its chain ends in an impostor of the
                       test CA: a root with the test CA's subject and serial
                       number, and a key of its own
             switch    like starttls, with the good certificate on odd
                       connections (the plug-in's probe) and the impostor's
                       chain on even ones
             oldtls    like starttls, but speaks TLS 1.0 and 1.1 only
             trickle   sends its greeting one byte every 2 seconds
             stall     takes MAIL, RCPT and DATA, then stops reading after
                       256 KB of the message and writes DIR/stall/in-data
  bench      bulk      writes large messages straight to DIR/bulk/ (aiosmtpd
                       reads some 2 MB/s: too slow for hundreds of MB)
             trickle, stall  as above

With the plug-in profile, DIR/pki/ca.pem is the test CA (certificate for
"localhost"), DIR/pki/rogue-ca.pem the CA of the rogue server,
DIR/pki/impostor-ca.pem the impostor's root.
"""
import argparse
import asyncio
import json
import os
import signal
import ssl
import subprocess
import sys
import time

HOST = "127.0.0.1"
USER = "relay"
PASSWORD = "s3cret Pa55 \u00e9"


def make_pki(folder):
    """A CA and a certificate for localhost signed by it, twice (good, rogue)."""
    os.makedirs(folder, exist_ok=True)

    def run(*args):
        subprocess.run(["openssl"] + list(args), check=True, capture_output=True, cwd=folder)

    with open(os.path.join(folder, "server.ext"), "w") as f:
        f.write("subjectAltName=DNS:localhost\nextendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n")
    for ca, server in (("ca", "server"), ("rogue-ca", "rogue-server")):
        run("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", ca + ".key", "-out", ca + ".pem",
            "-days", "30", "-subj", "/CN=Email32 %s" % ("Rogue CA" if ca.startswith("rogue") else "Test CA"),
            "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign")
        run("req", "-newkey", "rsa:2048", "-nodes", "-keyout", server + ".key", "-out", server + ".csr",
            "-subj", "/CN=localhost")
        run("x509", "-req", "-in", server + ".csr", "-CA", ca + ".pem", "-CAkey", ca + ".key",
            "-CAcreateserial", "-out", server + ".pem", "-days", "30", "-extfile", "server.ext")
    # The impostor copies the test CA's name and serial number onto a key of
    # its own, and signs a certificate for localhost with it; the server
    # sends that certificate with the impostor root.
    serial = subprocess.run(["openssl", "x509", "-in", "ca.pem", "-noout", "-serial"], check=True,
                            capture_output=True, text=True, cwd=folder).stdout.strip().split("=")[1]
    run("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "impostor-ca.key", "-out", "impostor-ca.pem",
        "-days", "30", "-subj", "/CN=Email32 Test CA", "-set_serial", "0x" + serial,
        "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    run("req", "-newkey", "rsa:2048", "-nodes", "-keyout", "impostor-server.key", "-out", "impostor-server.csr",
        "-subj", "/CN=localhost")
    run("x509", "-req", "-in", "impostor-server.csr", "-CA", "impostor-ca.pem", "-CAkey", "impostor-ca.key",
        "-CAcreateserial", "-out", "impostor-leaf.pem", "-days", "30", "-extfile", "server.ext")
    with open(os.path.join(folder, "impostor-server.pem"), "w") as chain:
        for part in ("impostor-leaf.pem", "impostor-ca.pem"):
            with open(os.path.join(folder, part)) as f:
                chain.write(f.read())


def tls_context(pki, name, old=False):
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    if old:
        context.set_ciphers("DEFAULT:@SECLEVEL=0")
        context.minimum_version = ssl.TLSVersion.TLSv1
        context.maximum_version = ssl.TLSVersion.TLSv1_1
    context.load_cert_chain(os.path.join(pki, name + ".pem"), os.path.join(pki, name + ".key"))
    return context


class Mailbox:
    def __init__(self, folder, tell=False):
        self.folder = folder
        self.tell = tell
        os.makedirs(folder, exist_ok=True)

    def record(self, line):
        with open(os.path.join(self.folder, "transcript"), "a") as f:
            f.write(line + "\n")

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.lower().startswith("refuse"):
            return "550 5.1.1 Recipient refused by the test server"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        numbers = [int(n[:4]) for n in os.listdir(self.folder) if n[:4].isdigit() and n.endswith(".eml")]
        name = "%04d" % (max(numbers, default=0) + 1)
        path = os.path.join(self.folder, name + ".eml")
        with open(path + ".part", "wb") as f:
            f.write(envelope.original_content)
        with open(os.path.join(self.folder, name + ".json"), "w") as f:
            json.dump({"mail_from": envelope.mail_from, "rcpt_tos": envelope.rcpt_tos}, f)
        os.replace(path + ".part", path)
        if self.tell:
            print("received %s from %s for %s (%d bytes)" % (path, envelope.mail_from, ", ".join(envelope.rcpt_tos),
                                                            len(envelope.original_content)), flush=True)
        return "250 OK message kept as " + name


def recording_smtp(mailbox, **options):
    from aiosmtpd.smtp import SMTP

    class RecordingSMTP(SMTP):
        def _note(self, command, argument=""):
            secure = self.transport is not None and self.transport.get_extra_info("ssl_object") is not None
            mailbox.record("%s %s %s" % ("tls" if secure else "plain", command, argument or ""))

        async def smtp_EHLO(self, arg):
            self._note("EHLO")
            return await super().smtp_EHLO(arg)

        async def smtp_STARTTLS(self, arg):
            self._note("STARTTLS")
            return await super().smtp_STARTTLS(arg)

        async def smtp_AUTH(self, arg):
            self._note("AUTH", (arg or "").split(" ")[0])
            return await super().smtp_AUTH(arg)

        async def smtp_MAIL(self, arg):
            self._note("MAIL", arg)
            return await super().smtp_MAIL(arg)

        async def smtp_RCPT(self, arg):
            self._note("RCPT", arg)
            return await super().smtp_RCPT(arg)

        async def smtp_DATA(self, arg):
            self._note("DATA")
            return await super().smtp_DATA(arg)

    return RecordingSMTP(mailbox, hostname="test-server", **options)


def authenticator(server, session, envelope, mechanism, auth_data):
    from aiosmtpd.smtp import AuthResult, LoginPassword

    good = (isinstance(auth_data, LoginPassword) and auth_data.login == USER.encode()
            and auth_data.password == PASSWORD.encode("utf-8"))
    # handled=False: the server answers 535 itself (else it stays silent).
    return AuthResult(success=True) if good else AuthResult(success=False, handled=False)


class Trickle(asyncio.Protocol):
    """Sends its greeting one byte every two seconds, and nothing else."""

    def connection_made(self, transport):
        self.task = asyncio.get_running_loop().create_task(self.trickle(transport))

    async def trickle(self, transport):
        for byte in b"220 trickle.example ESMTP at a walking pace\r\n":
            if transport.is_closing():
                return
            transport.write(bytes([byte]))
            await asyncio.sleep(2)

    def connection_lost(self, exc):
        self.task.cancel()


class Stall(asyncio.Protocol):
    """Goes along until DATA, then stops reading in the middle of the message."""

    def __init__(self, folder):
        self.folder = folder
        self.buffer = b""
        self.in_data = 0

    def connection_made(self, transport):
        self.transport = transport
        transport.write(b"220 stall.example ESMTP\r\n")

    def data_received(self, data):
        if self.in_data:
            self.in_data += len(data)
            if self.in_data > 256 * 1024:
                self.transport.pause_reading()
                open(os.path.join(self.folder, "in-data"), "w").close()
            return
        self.buffer += data
        while b"\r\n" in self.buffer:
            line, self.buffer = self.buffer.split(b"\r\n", 1)
            verb = line[:4].upper()
            if verb == b"DATA":
                self.transport.write(b"354 go on\r\n")
                self.in_data = 1 + len(self.buffer)
                return
            self.transport.write(b"221 bye\r\n" if verb == b"QUIT" else b"250 OK\r\n")


class Bulk(asyncio.Protocol):
    """Minimal SMTP that writes each message straight to DIR/NNNN.eml as it
    arrives (still dot-stuffed), for messages too large for aiosmtpd's
    line-by-line reading."""

    def __init__(self, folder):
        self.folder = folder
        self.buffer = b""
        self.file = None
        self.tail = b""

    def connection_made(self, transport):
        self.transport = transport
        transport.write(b"220 bulk.example ESMTP\r\n")

    def data_received(self, data):
        if self.file is not None:
            return self.message(data)
        self.buffer += data
        while self.file is None and b"\r\n" in self.buffer:
            line, self.buffer = self.buffer.split(b"\r\n", 1)
            verb = line[:4].upper()
            if verb == b"DATA":
                count = len([n for n in os.listdir(self.folder) if n.endswith(".eml")])
                self.path = os.path.join(self.folder, "%04d.eml" % (count + 1))
                self.file = open(self.path + ".part", "wb")
                self.transport.write(b"354 go on\r\n")
                rest, self.buffer = self.buffer, b""
                if rest:
                    self.message(rest)
            else:
                self.transport.write(b"221 bye\r\n" if verb == b"QUIT" else b"250 OK\r\n")

    def message(self, data):
        joined = self.tail + data
        end = joined.find(b"\r\n.\r\n")
        if end < 0:
            keep = max(0, len(joined) - 4)
            self.file.write(joined[:keep])
            self.tail = joined[keep:]
            return
        self.file.write(joined[:end + 2])
        self.file.close()
        os.replace(self.path + ".part", self.path)
        self.file, self.tail = None, b""
        self.transport.write(b"250 OK\r\n")
        rest = joined[end + 5:]
        if rest:
            self.data_received(rest)


def plug_in_servers(state):
    pki = os.path.join(state, "pki")
    make_pki(pki)
    with open(os.path.join(state, "password"), "w", encoding="utf-8") as f:
        f.write(PASSWORD)
    good, rogue = tls_context(pki, "server"), tls_context(pki, "rogue-server")
    impostor, old = tls_context(pki, "impostor-server"), tls_context(pki, "server", old=True)
    secure = dict(require_starttls=True, auth_required=True, authenticator=authenticator)
    mailboxes = {name: Mailbox(os.path.join(state, name))
                 for name in ("plain", "small", "starttls", "implicit", "rogue", "impostor", "switch", "oldtls")}
    connections = {"switch": 0}

    def switching():
        connections["switch"] += 1
        context = good if connections["switch"] % 2 else impostor
        return recording_smtp(mailboxes["switch"], tls_context=context, **secure)

    return {
        "plain": (lambda: recording_smtp(mailboxes["plain"], data_size_limit=None), None),
        "small": (lambda: recording_smtp(mailboxes["small"], data_size_limit=1 << 20), None),
        "starttls": (lambda: recording_smtp(mailboxes["starttls"], tls_context=good, data_size_limit=1 << 20,
                                            **secure), None),
        "implicit": (lambda: recording_smtp(mailboxes["implicit"], auth_required=True, auth_require_tls=False,
                                            authenticator=authenticator), good),
        "rogue": (lambda: recording_smtp(mailboxes["rogue"], tls_context=rogue, **secure), None),
        "impostor": (lambda: recording_smtp(mailboxes["impostor"], tls_context=impostor, **secure), None),
        "switch": (switching, None),
        "oldtls": (lambda: recording_smtp(mailboxes["oldtls"], tls_context=old, **secure), None),
        "trickle": (Trickle, None),
        "stall": (lambda: Stall(os.path.join(state, "stall")), None),
    }


def bench_servers(state):
    for name in ("bulk", "stall"):
        os.makedirs(os.path.join(state, name), exist_ok=True)
    return {
        "bulk": (lambda: Bulk(os.path.join(state, "bulk")), None),
        "trickle": (Trickle, None),
        "stall": (lambda: Stall(os.path.join(state, "stall")), None),
    }


def demo_servers(state, mailbox):
    box = Mailbox(mailbox or os.path.join(state, "mailbox"), tell=True)
    return {"mailbox": (lambda: recording_smtp(box, data_size_limit=None), None)}


async def serve(args):
    state = args.state
    loop = asyncio.get_running_loop()
    os.makedirs(os.path.join(state, "stall"), exist_ok=True)
    if args.profile == "plug-in":
        factories = plug_in_servers(state)
    elif args.profile == "bench":
        factories = bench_servers(state)
    else:
        factories = demo_servers(state, args.mailbox)
    servers = []
    for name, (factory, context) in factories.items():
        server = await loop.create_server(factory, HOST, args.port if args.profile == "demo" else 0, ssl=context)
        servers.append(server)
        with open(os.path.join(state, name + ".port.part"), "w") as f:
            f.write("%d\n" % server.sockets[0].getsockname()[1])
        os.replace(os.path.join(state, name + ".port.part"), os.path.join(state, name + ".port"))
        print("%s listening on %s:%d" % (name, HOST, server.sockets[0].getsockname()[1]), flush=True)
    with open(os.path.join(state, "ready"), "w") as f:
        f.write("ready\n")
    stop = asyncio.Event()
    for s in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(s, stop.set)
    await stop.wait()
    for server in servers:
        server.close()


def start(args):
    state = args.state
    stop(state)
    if os.path.isdir(state):
        subprocess.run(["rm", "-rf", state], check=True)
    os.makedirs(state)
    log = open(os.path.join(state, "servers.log"), "a")
    serve_args = ["serve", "--state", state, "--profile", args.profile, "--port", str(args.port)]
    if args.mailbox:
        serve_args += ["--mailbox", os.path.abspath(args.mailbox)]
    child = subprocess.Popen([sys.executable, os.path.abspath(__file__)] + serve_args,
                             stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True)
    with open(os.path.join(state, "pid"), "w") as f:
        f.write("%d\n" % child.pid)
    deadline = time.time() + 60
    while not os.path.exists(os.path.join(state, "ready")):
        if child.poll() is not None or time.time() > deadline:
            print("smtp_server: the servers did not start; see %s" % log.name, file=sys.stderr)
            stop(state)
            return 1
        time.sleep(0.05)
    if args.profile == "demo":
        with open(os.path.join(state, "mailbox.port")) as f:
            print(f.read().strip())
    return 0


def stop(state):
    try:
        with open(os.path.join(state, "pid")) as f:
            pid = int(f.read())
    except (OSError, ValueError):
        return 0
    try:
        os.kill(pid, signal.SIGTERM)
        for _ in range(200):
            os.kill(pid, 0)
            time.sleep(0.05)
    except ProcessLookupError:
        pass
    os.remove(os.path.join(state, "pid"))
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("command", choices=("start", "stop", "serve"))
    parser.add_argument("--state", required=True)
    parser.add_argument("--profile", choices=("demo", "plug-in", "bench"), default="plug-in")
    parser.add_argument("--mailbox")
    parser.add_argument("--port", type=int, default=0)
    args = parser.parse_args()
    if args.command == "serve":
        try:
            asyncio.run(serve(args))
        except OSError as e:
            print("smtp_server: %s" % e, file=sys.stderr)
            return 1
        return 0
    return start(args) if args.command == "start" else stop(args.state)


if __name__ == "__main__":
    sys.exit(main())
