#!/usr/bin/python3
"""A small FTP server on 127.0.0.1 for the publishing tests.

Prints the port it listens on once it accepts connections, then serves until its standard
input closes or it gets SIGTERM, so a test that dies never leaves it running.

  /usr/bin/python3 scripts/ftpserver.py --user U --password P --home DIR [--port N]
      [--log FILE] [--strict-cwd]

--log FILE      writes every command as "<connection> <COMMAND> [argument]" (PASS hidden)
--strict-cwd    refuses CWD without a folder, as several well-known servers do
"""

import argparse
import logging
import os
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

import serverlife


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--user", required=True)
    ap.add_argument("--password", required=True)
    ap.add_argument("--home", required=True)
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--log")
    ap.add_argument("--strict-cwd", action="store_true")
    args = ap.parse_args()

    logging.basicConfig(level=logging.ERROR, stream=sys.stderr)

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, os.path.abspath(args.home), perm="elradfmw")

    log = open(args.log, "a", buffering=1) if args.log else None
    lock = threading.Lock()
    counter = [0]

    class Handler(FTPHandler):
        def on_connect(self):
            with lock:
                counter[0] += 1
                self.connection_number = counter[0]

        def pre_process_command(self, line, cmd, arg):
            if log is not None:
                shown = "***" if cmd == "PASS" else (arg or "")
                log.write(("%d %s %s" % (self.connection_number, cmd, shown)).rstrip() + "\n")
            if args.strict_cwd and cmd in ("CWD", "XCWD") and not arg:
                self.respond("501 Syntax error: command needs an argument.")
                return
            FTPHandler.pre_process_command(self, line, cmd, arg)

    Handler.authorizer = authorizer
    Handler.banner = "pinora test server ready."
    Handler.permit_foreign_addresses = False
    Handler.auth_failed_timeout = 0.1  # tests try wrong passwords on purpose

    server = FTPServer(("127.0.0.1", args.port), Handler)
    server.max_cons = 64

    serverlife.end_with_stdin_or_term()

    print(server.address[1], flush=True)
    server.serve_forever(timeout=0.2, blocking=True, handle_exit=False)


if __name__ == "__main__":
    main()
