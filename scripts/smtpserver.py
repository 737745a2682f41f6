#!/usr/bin/python3
"""A small SMTP server on 127.0.0.1 for the mail tests.

Prints the port it listens on once it accepts connections, then serves until its standard
input closes or it gets SIGTERM, so a test that dies never leaves it running. Each message it
accepts is saved in the folder given as N.eml (the bytes as received) and N.json: the envelope,
the headers decoded, and each leaf part decoded by Python's own email package into N.part-K.

  /usr/bin/python3 scripts/smtpserver.py --out DIR [--port N] [--user U --password P]
      [--tls-cert FILE --tls-key FILE] [--silent]

--user/--password  requires AUTH LOGIN or PLAIN with these credentials, over plain text too
--tls-cert/--key   offers STARTTLS with this certificate
--silent           accepts connections and never answers, to try a client's time-out
"""

import argparse
import email
import email.header
import email.policy
import email.utils
import json
import logging
import os
import socket
import ssl
import threading
import time
import warnings

import serverlife


def save(folder, number, envelope):
    raw = envelope.original_content
    base = os.path.join(folder, str(number))
    with open(base + ".eml.tmp", "wb") as f:
        f.write(raw)
    msg = email.message_from_bytes(raw, policy=email.policy.compat32)
    info = {
        "mail_from": envelope.mail_from,
        "rcpt_tos": list(envelope.rcpt_tos),
        "headers": {},
        "structure": [],
        "parts": [],
        "longest_line": max((len(l) for l in raw.split(b"\r\n")), default=0),
        "bare_lf": b"\n" in raw.replace(b"\r\n", b""),
    }
    for name in ("From", "To", "Subject", "Date", "Message-ID", "MIME-Version"):
        values = msg.get_all(name) or []
        decoded = []
        for v in values:
            decoded.append(str(email.header.make_header(email.header.decode_header(v))))
        info["headers"][name] = decoded
    try:
        info["date_parsed"] = email.utils.parsedate_to_datetime(msg["Date"]).isoformat()
    except Exception:  # noqa: BLE001 - the test checks that it parsed
        info["date_parsed"] = ""
    k = 0
    for part in msg.walk():
        info["structure"].append(part.get_content_type())
        if part.is_multipart():
            continue
        k += 1
        name = "%s.part-%d" % (base, k)
        with open(name, "wb") as f:
            f.write(part.get_payload(decode=True) or b"")
        info["parts"].append({
            "type": part.get_content_type(),
            "charset": part.get_content_charset() or "",
            "encoding": part.get("Content-Transfer-Encoding", ""),
            "content_id": part.get("Content-ID", ""),
            "file": name,
        })
    with open(base + ".json", "w") as f:
        json.dump(info, f)
    # The .eml appears last: once it is there, everything about the message is.
    os.rename(base + ".eml.tmp", base + ".eml")


def silent(port):
    s = socket.socket()
    s.bind(("127.0.0.1", port))
    s.listen(8)
    print(s.getsockname()[1], flush=True)
    held = []
    while True:
        c, _ = s.accept()
        held.append(c)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--out")
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--user")
    ap.add_argument("--password")
    ap.add_argument("--tls-cert")
    ap.add_argument("--tls-key")
    ap.add_argument("--silent", action="store_true")
    args = ap.parse_args()

    serverlife.end_with_stdin_or_term()

    if args.silent:
        silent(args.port)
        return

    # The tests log on over plain text on purpose.
    warnings.simplefilter("ignore")
    logging.getLogger("mail.log").setLevel(logging.CRITICAL)  # refused handshakes too
    from aiosmtpd.controller import Controller
    from aiosmtpd.smtp import AuthResult, LoginPassword

    counter = [0]
    lock = threading.Lock()

    class Handler:
        async def handle_DATA(self, server, session, envelope):
            with lock:
                counter[0] += 1
                number = counter[0]
            save(args.out, number, envelope)
            return "250 OK"

    def authenticator(server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword)
              and auth_data.login.decode() == args.user
              and auth_data.password.decode() == args.password)
        # handled=False: the server itself answers 535.
        return AuthResult(success=ok, handled=False)

    kwargs = {}
    if args.user is not None:
        kwargs.update(authenticator=authenticator, auth_required=True, auth_require_tls=False)
    if args.tls_cert:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(args.tls_cert, args.tls_key)
        kwargs.update(tls_context=context)

    # A free port: bind one, let it go, and hand it to the controller.
    port = args.port
    if port == 0:
        s = socket.socket()
        s.bind(("127.0.0.1", 0))
        port = s.getsockname()[1]
        s.close()
    controller = Controller(Handler(), hostname="127.0.0.1", port=port, **kwargs)
    controller.start()
    print(port, flush=True)
    while True:
        time.sleep(3600)


if __name__ == "__main__":
    main()
