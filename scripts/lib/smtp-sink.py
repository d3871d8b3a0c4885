#!/usr/bin/python3
"""A local SMTP server that keeps every message it receives as a file.

  smtp-sink.py serve --mailbox DIR [--port N] [--port-file F]
      runs in the foreground until interrupted
  smtp-sink.py start --mailbox DIR --state DIR [--port N]
      runs it in the background; prints the port once it listens
  smtp-sink.py stop --state DIR
      stops the server that `start` left in that state folder

Each message lands in the mailbox as NNNN.eml (the bytes received, CRLF line
ends) with NNNN.json beside it (envelope sender and recipients). It listens on
127.0.0.1 only; port 0 lets the system choose a free port. Recipients whose
address starts with "refuse" are turned away with 550, so that clients can be
tested against a refusing server.
"""
import argparse
import asyncio
import json
import os
import signal
import subprocess
import sys
import time

HOST = "127.0.0.1"


class MailboxHandler:
    def __init__(self, mailbox):
        self.mailbox = mailbox
        os.makedirs(mailbox, exist_ok=True)

    def _next_name(self):
        numbers = [int(n[:4]) for n in os.listdir(self.mailbox) if n[:4].isdigit() and n.endswith(".eml")]
        return "%04d" % (max(numbers, default=0) + 1)

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.lower().startswith("refuse"):
            return "550 5.1.1 Recipient refused by the test server"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        name = self._next_name()
        path = os.path.join(self.mailbox, name + ".eml")
        # Written under a temporary name first: a reader never sees half a message.
        with open(path + ".part", "wb") as f:
            f.write(envelope.original_content)
        with open(os.path.join(self.mailbox, name + ".json"), "w") as f:
            json.dump({"mail_from": envelope.mail_from, "rcpt_tos": envelope.rcpt_tos}, f)
        os.replace(path + ".part", path)
        print("received %s from %s for %s (%d bytes)" % (path, envelope.mail_from, ", ".join(envelope.rcpt_tos),
                                                        len(envelope.original_content)), flush=True)
        return "250 OK message kept as " + name


async def serve(mailbox, port, port_file):
    from aiosmtpd.smtp import SMTP

    loop = asyncio.get_running_loop()
    handler = MailboxHandler(mailbox)
    server = await loop.create_server(
        lambda: SMTP(handler, data_size_limit=None, hostname="smtp-sink", loop=loop), HOST, port)
    chosen = server.sockets[0].getsockname()[1]
    if port_file:
        with open(port_file + ".part", "w") as f:
            f.write("%d\n" % chosen)
        os.replace(port_file + ".part", port_file)
    print("listening on %s:%d, mailbox %s" % (HOST, chosen, os.path.abspath(mailbox)), flush=True)
    stop = asyncio.Event()
    for s in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(s, stop.set)
    await stop.wait()
    server.close()
    await server.wait_closed()


def start(args):
    os.makedirs(args.state, exist_ok=True)
    port_file = os.path.join(args.state, "port")
    pid_file = os.path.join(args.state, "pid")
    stop(args, quiet=True)
    if os.path.exists(port_file):
        os.remove(port_file)
    log = open(os.path.join(args.state, "server.log"), "a")
    child = subprocess.Popen(
        [sys.executable, os.path.abspath(__file__), "serve", "--mailbox", args.mailbox, "--port", str(args.port),
         "--port-file", port_file],
        stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True)
    with open(pid_file, "w") as f:
        f.write("%d\n" % child.pid)
    deadline = time.time() + 15
    while not os.path.exists(port_file):
        if child.poll() is not None or time.time() > deadline:
            print("smtp-sink: the server did not start; see %s" % log.name, file=sys.stderr)
            stop(args, quiet=True)
            return 1
        time.sleep(0.05)
    with open(port_file) as f:
        print(f.read().strip())
    return 0


def stop(args, quiet=False):
    pid_file = os.path.join(args.state, "pid")
    try:
        with open(pid_file) as f:
            pid = int(f.read().strip())
    except (OSError, ValueError):
        if not quiet:
            print("smtp-sink: no server recorded in %s" % args.state, file=sys.stderr)
        return 0
    try:
        os.kill(pid, signal.SIGTERM)
        deadline = time.time() + 10
        while time.time() < deadline:
            try:
                if os.waitpid(pid, os.WNOHANG)[0] == pid:
                    break
            except ChildProcessError:  # not our child: poll for it to go
                os.kill(pid, 0)
            time.sleep(0.05)
    except ProcessLookupError:
        pass
    os.remove(pid_file)
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest="command", required=True)
    p = commands.add_parser("serve")
    p.add_argument("--mailbox", required=True)
    p.add_argument("--port", type=int, default=0)
    p.add_argument("--port-file")
    p = commands.add_parser("start")
    p.add_argument("--mailbox", required=True)
    p.add_argument("--state", required=True)
    p.add_argument("--port", type=int, default=0)
    p = commands.add_parser("stop")
    p.add_argument("--state", required=True)
    args = parser.parse_args()
    if args.command == "serve":
        try:
            asyncio.run(serve(args.mailbox, args.port, args.port_file))
        except OSError as e:
            print("smtp-sink: %s" % e, file=sys.stderr)
            return 1
        return 0
    return start(args) if args.command == "start" else stop(args)


if __name__ == "__main__":
    sys.exit(main())
