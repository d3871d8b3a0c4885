#!/usr/bin/python3
"""The servers the plug-in's account tests talk to, in one background process
on 127.0.0.1 with certificates of a test CA for "localhost" (openssl):

  account_servers.py start --state DIR    DIR/https.port, DIR/smtp.port
  account_servers.py stop --state DIR

HTTPS (https://localhost:PORT):
  /good/mail/config-v1.1.xml    an autoconfig answer naming the SMTP server
                                below: localhost, STARTTLS, OAuth2
  /big/mail/config-v1.1.xml     50 MB of XML
  /silent/mail/config-v1.1.xml  takes the request and never answers
  /oauth/authorize              checks the request (client, PKCE S256,
                                loopback redirect) and redirects with a code
  /oauth/token                  authorization_code (with the PKCE verifier),
                                refresh_token (rotated), device_code (pending
                                at the first poll, then granted)
  /oauth/device                 a device code, user code WDJB-MJHT
SMTP: STARTTLS, then AUTH with XOAUTH2 or OAUTHBEARER only, taking an
access token the token endpoint issued and that has not expired.
DNS (UDP port 53 on a 127.53.x.1 address written to DIR/dns.address; only
when the port can be had): the SRV and MX records of DNS_ZONE.

Control and records, in DIR: "lifetime" (seconds an access token lives,
default 3600), "revoked" (when present, refresh tokens are refused);
"grants" (one line per token grant: its type), "transcript" (SMTP commands,
AUTH with its mechanism), smtp/NNNN.eml the messages kept, "tokens" (every
token issued, for the check that none lands in a file).
"""
import argparse
import base64
import hashlib
import http.server
import os
import secrets
import signal
import ssl
import subprocess
import sys
import threading
import time
import urllib.parse

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "scripts", "lib"))
import smtp_server  # noqa: E402

CLIENT_ID = "email32-test-client"
# name -> list of (type, rdata as a tuple): SRV (priority, weight, port,
# target), MX (preference, exchange).
DNS_ZONE = {
    "_submissions._tcp.srv.example.test": [("SRV", (20, 0, 465, "backup.srv.example.test")),
                                           ("SRV", (10, 5, 465, "smtp.srv.example.test"))],
    "_submission._tcp.srv.example.test": [("SRV", (0, 0, 587, "not-this.srv.example.test"))],
    "_submissions._tcp.none.example.test": [("SRV", (0, 0, 0, "."))],
    "mx.example.test": [("MX", (10, "mail.hosted.example.test"))],
    "_submission._tcp.hosted.example.test": [("SRV", (0, 0, 587, "submit.hosted.example.test"))],
    "tenant.example.test": [("MX", (0, "tenant-example-test.mail.protection.outlook.com"))],
}
USER_CODE = "WDJB-MJHT"


class OAuthState:
    def __init__(self, folder):
        self.folder = folder
        self.lock = threading.Lock()
        self.codes = {}      # code -> (challenge, redirect_uri)
        self.devices = {}    # device code -> polls so far
        self.refresh = set()
        self.access = {}     # token -> expiry (time.time())
        self.counter = 0

    def note(self, name, line):
        with open(os.path.join(self.folder, name), "a") as f:
            f.write(line + "\n")

    def lifetime(self):
        try:
            with open(os.path.join(self.folder, "lifetime")) as f:
                return int(f.read())
        except (OSError, ValueError):
            return 3600

    def issue(self, grant):
        with self.lock:
            self.counter += 1
            access = "at-%d-%s" % (self.counter, secrets.token_hex(8))
            refresh = "rt-%d-%s" % (self.counter, secrets.token_hex(8))
            lifetime = self.lifetime()
            self.access[access] = time.time() + lifetime
            self.refresh.add(refresh)
        self.note("grants", grant)
        self.note("tokens", access)
        self.note("tokens", refresh)
        return {"access_token": access, "refresh_token": refresh, "token_type": "Bearer", "expires_in": lifetime}

    def valid_access(self, token):
        with self.lock:
            return self.access.get(token, 0) > time.time()


def make_handler(state, smtp_port):
    import json

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, *args):
            pass

        def reply(self, status, body, content_type="application/json", headers=()):
            data = body if isinstance(body, bytes) else body.encode()
            self.send_response(status)
            self.send_header("Content-Type", content_type)
            self.send_header("Content-Length", str(len(data)))
            for name, value in headers:
                self.send_header(name, value)
            self.end_headers()
            self.wfile.write(data)

        def json(self, status, value):
            self.reply(status, json.dumps(value))

        def do_GET(self):
            url = urllib.parse.urlsplit(self.path)
            query = dict(urllib.parse.parse_qsl(url.query))
            if url.path == "/good/mail/config-v1.1.xml":
                state.note("autoconfig", query.get("emailaddress", ""))
                xml = ("<?xml version=\"1.0\"?>\n<clientConfig version=\"1.1\"><emailProvider id=\"example.test\">"
                       "<domain>example.test</domain>"
                       "<incomingServer type=\"imap\"><hostname>imap.example.test</hostname><port>993</port>"
                       "<socketType>SSL</socketType></incomingServer>"
                       "<outgoingServer type=\"smtp\"><hostname>localhost</hostname><port>%d</port>"
                       "<socketType>STARTTLS</socketType><authentication>OAuth2</authentication>"
                       "<username>%%EMAILADDRESS%%</username></outgoingServer>"
                       "</emailProvider></clientConfig>\n") % smtp_port
                return self.reply(200, xml, "text/xml")
            if url.path == "/big/mail/config-v1.1.xml":
                piece = b"<clientConfig>" + b"<x>" + b"y" * 1000 + b"</x>"
                total = 50 * 1024 * 1024
                self.send_response(200)
                self.send_header("Content-Type", "text/xml")
                self.send_header("Content-Length", str(total))
                self.end_headers()
                sent = 0
                try:
                    while sent < total:
                        chunk = piece[: total - sent]
                        self.wfile.write(chunk)
                        sent += len(chunk)
                except OSError:
                    pass
                return
            if url.path == "/silent/mail/config-v1.1.xml":
                time.sleep(60)
                return
            if url.path == "/oauth/authorize":
                redirect = query.get("redirect_uri", "")
                good = (query.get("client_id") == CLIENT_ID and query.get("response_type") == "code"
                        and query.get("code_challenge_method") == "S256" and query.get("code_challenge")
                        and redirect.startswith("http://127.0.0.1:") and query.get("state"))
                if not good:
                    return self.reply(400, "bad authorization request", "text/plain")
                code = secrets.token_urlsafe(16)
                with state.lock:
                    state.codes[code] = (query["code_challenge"], redirect)
                state.note("grants", "authorize " + query.get("login_hint", ""))
                target = redirect + "?" + urllib.parse.urlencode({"code": code, "state": query["state"]})
                return self.reply(302, "", "text/plain", [("Location", target)])
            return self.reply(404, "not found", "text/plain")

        def do_POST(self):
            length = int(self.headers.get("Content-Length", "0"))
            form = dict(urllib.parse.parse_qsl(self.rfile.read(length).decode()))
            path = urllib.parse.urlsplit(self.path).path
            if form.get("client_id") != CLIENT_ID:
                return self.json(401, {"error": "invalid_client"})
            if path == "/oauth/device":
                code = secrets.token_urlsafe(16)
                with state.lock:
                    state.devices[code] = 0
                port = self.server.server_address[1]
                return self.json(200, {"device_code": code, "user_code": USER_CODE,
                                       "verification_uri": "https://localhost:%d/device" % port,
                                       "interval": 1, "expires_in": 60})
            if path != "/oauth/token":
                return self.json(404, {"error": "not_found"})
            grant = form.get("grant_type")
            if grant == "authorization_code":
                with state.lock:
                    found = state.codes.pop(form.get("code", ""), None)
                verifier = form.get("code_verifier", "").encode()
                challenge = base64.urlsafe_b64encode(hashlib.sha256(verifier).digest()).rstrip(b"=").decode()
                if not found or found != (challenge, form.get("redirect_uri")):
                    return self.json(400, {"error": "invalid_grant"})
                return self.json(200, state.issue("authorization_code"))
            if grant == "refresh_token":
                token = form.get("refresh_token", "")
                with state.lock:
                    known = token in state.refresh
                    state.refresh.discard(token)
                if not known or os.path.exists(os.path.join(state.folder, "revoked")):
                    state.note("grants", "refresh_token refused")
                    return self.json(400, {"error": "invalid_grant", "error_description": "the grant was revoked"})
                return self.json(200, state.issue("refresh_token"))
            if grant == "urn:ietf:params:oauth:grant-type:device_code":
                with state.lock:
                    polls = state.devices.get(form.get("device_code", ""))
                    if polls is not None:
                        state.devices[form["device_code"]] = polls + 1
                if polls is None:
                    return self.json(400, {"error": "expired_token"})
                if polls == 0:
                    state.note("grants", "device pending")
                    return self.json(400, {"error": "authorization_pending"})
                return self.json(200, state.issue("device_code"))
            return self.json(400, {"error": "unsupported_grant_type"})

    return Handler


def oauth_smtp(state, mailbox, context):
    from aiosmtpd.smtp import SMTP, AuthResult

    class OAuthHandler(smtp_server.Mailbox):
        def check(self, mechanism, text):
            fields = dict(p.split("=", 1) for p in text.split("\x01") if "=" in p)
            token = fields.get("auth", "")[len("Bearer "):]
            good = fields.get("auth", "").startswith("Bearer ") and state.valid_access(token)
            self.record("AUTH %s %s" % (mechanism, "accepted" if good else "refused"))
            return AuthResult(success=True) if good else AuthResult(success=False, handled=False)

        async def answer(self, server, args):
            if len(args) > 1:
                return base64.b64decode(args[1]).decode("utf-8", "replace")
            data = await server.challenge_auth("", encode_to_b64=False)
            return data.decode("utf-8", "replace") if isinstance(data, bytes) else ""

        async def auth_XOAUTH2(self, server, args):
            return self.check("XOAUTH2", await self.answer(server, args))

        async def auth_OAUTHBEARER(self, server, args):
            return self.check("OAUTHBEARER", await self.answer(server, args))

    handler = OAuthHandler(mailbox)
    return lambda: SMTP(handler, hostname="oauth-test-server", tls_context=context, require_starttls=True,
                        auth_required=True, auth_exclude_mechanism=["LOGIN", "PLAIN"])


def dns_name(name):
    labels = [] if name in (".", "") else name.rstrip(".").split(".")
    return b"".join(bytes([len(l)]) + l.encode() for l in labels) + b"\0"


def dns_answer(query):
    """The reply to one DNS query: the zone's records of the asked type, or
    NXDOMAIN."""
    import struct
    ident, _flags, count = struct.unpack(">HHH", query[:6])
    at, labels = 12, []
    while query[at]:
        labels.append(query[at + 1:at + 1 + query[at]].decode())
        at += 1 + query[at]
    question = query[12:at + 5]
    qtype = struct.unpack(">H", query[at + 1:at + 3])[0]
    name = ".".join(labels).lower()
    records = DNS_ZONE.get(name, [])
    answers = b""
    found = 0
    for kind, data in records:
        if kind == "SRV" and qtype == 33:
            rdata = struct.pack(">HHH", *data[:3]) + dns_name(data[3])
        elif kind == "MX" and qtype == 15:
            rdata = struct.pack(">H", data[0]) + dns_name(data[1])
        else:
            continue
        answers += dns_name(name) + struct.pack(">HHIH", qtype, 1, 60, len(rdata)) + rdata
        found += 1
    rcode = 0 if records else 3
    # An EDNS0 record closes the answer, as resolvers on the Internet send it.
    # (Wine 8 refuses an answer whose last bytes are an uncompressed name.)
    opt = b"\0" + struct.pack(">HHIH", 41, 1232, 0, 0)
    return struct.pack(">HHHHHH", ident, 0x8580 | rcode, 1, found, 0, 1) + question + answers + opt


def serve_dns(folder):
    import random
    import socket
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    address = "127.53.%d.1" % random.randint(1, 250)
    try:
        sock.bind((address, 53))
    except OSError:
        return
    with open(os.path.join(folder, "dns.address"), "w") as f:
        f.write(address + "\n")

    def loop():
        while True:
            data, peer = sock.recvfrom(4096)
            try:
                sock.sendto(dns_answer(data), peer)
            except (IndexError, ValueError, UnicodeDecodeError):
                pass

    threading.Thread(target=loop, daemon=True).start()


def serve(folder):
    import asyncio

    pki = os.path.join(folder, "pki")
    smtp_server.make_pki(pki)
    context = smtp_server.tls_context(pki, "server")
    state = OAuthState(folder)
    mailbox = os.path.join(folder, "smtp")
    os.makedirs(mailbox, exist_ok=True)
    serve_dns(folder)

    async def main():
        loop = asyncio.get_running_loop()
        smtp = await loop.create_server(oauth_smtp(state, mailbox, context), smtp_server.HOST, 0)
        smtp_port = smtp.sockets[0].getsockname()[1]
        https = http.server.ThreadingHTTPServer((smtp_server.HOST, 0), make_handler(state, smtp_port))
        https.daemon_threads = True
        https.socket = context.wrap_socket(https.socket, server_side=True)
        threading.Thread(target=https.serve_forever, daemon=True).start()
        for name, port in (("smtp", smtp_port), ("https", https.server_address[1])):
            with open(os.path.join(folder, name + ".port"), "w") as f:
                f.write("%d\n" % port)
        with open(os.path.join(folder, "ready"), "w") as f:
            f.write("ready\n")
        stop = asyncio.Event()
        for s in (signal.SIGTERM, signal.SIGINT):
            loop.add_signal_handler(s, stop.set)
        await stop.wait()
        https.shutdown()
        smtp.close()

    asyncio.run(main())


def start(folder):
    stop(folder)
    if os.path.isdir(folder):
        subprocess.run(["rm", "-rf", folder], check=True)
    os.makedirs(folder)
    log = open(os.path.join(folder, "servers.log"), "a")
    child = subprocess.Popen([sys.executable, os.path.abspath(__file__), "serve", "--state", folder],
                             stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True)
    with open(os.path.join(folder, "pid"), "w") as f:
        f.write("%d\n" % child.pid)
    deadline = time.time() + 60
    while not os.path.exists(os.path.join(folder, "ready")):
        if child.poll() is not None or time.time() > deadline:
            print("account_servers: the servers did not start; see %s" % log.name, file=sys.stderr)
            stop(folder)
            return 1
        time.sleep(0.05)
    return 0


def stop(folder):
    return smtp_server.stop(folder)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("command", choices=("start", "stop", "serve"))
    parser.add_argument("--state", required=True)
    args = parser.parse_args()
    if args.command == "serve":
        serve(args.state)
        return 0
    return start(args.state) if args.command == "start" else stop(args.state)


if __name__ == "__main__":
    sys.exit(main())
