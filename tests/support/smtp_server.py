"""A loopback SMTP server for the e-mail tests.

Prints "READY <port>" once it accepts connections. Every accepted message is written to the
folder as <n>.eml (the bytes as received) and <n>.env (peer port, sender, then one recipient a
line), so a test can tell how many connections carried its messages. With --delay every reply
comes that many milliseconds late; in "silent" mode connections are accepted and never answered.
With --data-read-delay the server waits that long after its "354" before it reads a message; with
--data-reply-delay it has written the message out before it waits that long with its "250".
"""
import argparse
import asyncio
import os
import socket
import ssl
import sys
import threading

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class SlowSMTP(SMTP):
    delay = 0.0
    data_read_delay = 0.0

    async def push(self, status):
        await asyncio.sleep(self.delay)
        await super().push(status)
        # A login's challenge comes as bytes.
        if isinstance(status, str) and status.startswith("354"):
            await asyncio.sleep(self.data_read_delay)


class SlowController(Controller):
    def factory(self):
        return SlowSMTP(self.handler, **self.SMTP_kwargs)


def serve_silently(port):
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", port))
    listener.listen(16)
    print("READY %d" % port, flush=True)
    held = []
    while True:
        connection, _ = listener.accept()
        held.append(connection)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Handler:
    def __init__(self, folder, reject, reply_delay):
        self.folder = folder
        self.reject = reject
        self.reply_delay = reply_delay
        self.count = 0
        self.lock = threading.Lock()

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address == self.reject:
            return "550 5.1.1 No such user here"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        with self.lock:
            self.count += 1
            n = self.count
        base = os.path.join(self.folder, "%03d" % n)
        with open(base + ".eml.part", "wb") as f:
            f.write(envelope.original_content)
        with open(base + ".env", "w") as f:
            f.write("%d\n%s\n" % (session.peer[1], envelope.mail_from))
            for r in envelope.rcpt_tos:
                f.write(r + "\n")
        os.rename(base + ".eml.part", base + ".eml")
        await asyncio.sleep(self.reply_delay)
        return "250 Message accepted for delivery"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--folder", required=True)
    parser.add_argument("--mode", choices=["plain", "starttls", "smtps", "silent"],
                        default="plain")
    parser.add_argument("--delay", type=int, default=0)
    parser.add_argument("--data-read-delay", type=int, default=0)
    parser.add_argument("--data-reply-delay", type=int, default=0)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--user")
    parser.add_argument("--password")
    parser.add_argument("--reject", default="")
    args = parser.parse_args()

    if args.mode == "silent":
        return serve_silently(free_port())
    kwargs = {}
    if args.mode != "plain":
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(args.cert, args.key)
        if args.mode == "starttls":
            kwargs["tls_context"] = context
            kwargs["require_starttls"] = True
        else:
            kwargs["ssl_context"] = context
    if args.user:
        def authenticate(server, session, envelope, mechanism, auth_data):
            ok = (isinstance(auth_data, LoginPassword)
                  and auth_data.login.decode() == args.user
                  and auth_data.password.decode() == args.password)
            return AuthResult(success=ok)
        kwargs["authenticator"] = authenticate
        kwargs["auth_required"] = True
        # Over SMTPS the whole connection is encrypted, which the server cannot tell by itself.
        kwargs["auth_require_tls"] = args.mode == "starttls"

    port = free_port()
    SlowSMTP.delay = args.delay / 1000.0
    SlowSMTP.data_read_delay = args.data_read_delay / 1000.0
    handler = Handler(args.folder, args.reject, args.data_reply_delay / 1000.0)
    controller = SlowController(handler, hostname="127.0.0.1", port=port, **kwargs)
    controller.start()
    print("READY %d" % port, flush=True)
    try:
        threading.Event().wait()
    finally:
        controller.stop()


if __name__ == "__main__":
    sys.exit(main())
