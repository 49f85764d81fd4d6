#!/usr/bin/python3
"""A loopback FTP server for the FTP tests (pyftpdlib), started by the test.

Prints "PORTS <normal> <busy>" on stdout once both ports listen, then serves
until it is terminated or the process that started it ends. <busy> answers every connection with 421 and closes.

Users (home <root>/home, password "secret"; anonymous: home <root>/anon):
  tarsel    a well-behaved user; <home>/readonly is read-only for it
  silent    the server never answers USER silent
  endless   USER endless is answered with a reply line that never ends
  stall     the data connection of a STOR is accepted but never read
  full      STOR is answered with 452
  decoy     PASV names 127.0.0.99 (the port listens there too, as a decoy, and
            on the control connection's address); a connection to the decoy
            is logged as "DECOY <bytes received>"
  nosize    SIZE is answered with 502 (not implemented)
  mute      a STOR is received in full but its end is never confirmed (no 226)
Every command received is appended to the --log file as one line
("PASS ******" for passwords).
"""
import argparse
import os
import socket
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.ioloop import IOLoop
from pyftpdlib.servers import FTPServer

PASSWORD = "secret"
MISBEHAVING = ("silent", "endless", "stall", "full", "decoy", "nosize", "mute")
DECOY_HOST = "127.0.0.99"


def log_line(path, line):
    with open(path, "a") as log:
        log.write(line + "\n")


def listen_decoy(log_path):
    """Listens on DECOY_HOST and logs what the first connection sends;
    returns the port."""
    decoy = socket.create_server((DECOY_HOST, 0))

    def serve():
        peer, _ = decoy.accept()
        received = 0
        while chunk := peer.recv(1 << 16):
            received += len(chunk)
        log_line(log_path, "DECOY %d" % received)

    threading.Thread(target=serve, daemon=True).start()
    return decoy.getsockname()[1]


class ScriptedDTPHandler(DTPHandler):
    def enable_receiving(self, type, cmd):
        if self.cmd_channel.username == "stall":
            self._initialized = True  # accepted, never read
            return
        super().enable_receiving(type, cmd)


class ScriptedHandler(FTPHandler):
    dtp_handler = ScriptedDTPHandler
    log_path = None

    def pre_process_command(self, line, cmd, arg):
        log_line(self.log_path, "PASS ******" if cmd == "PASS" else line)
        if cmd == "USER" and arg == "silent":
            return
        if cmd == "USER" and arg == "endless":
            self.push("500 " + "x" * (1 << 20))
            return
        if cmd == "STOR" and self.username == "full":
            self.respond("452 Insufficient storage space.")
            return
        if cmd == "SIZE" and self.username == "nosize":
            self.respond("502 Command not implemented.")
            return
        if cmd == "PASV" and self.username == "decoy":
            # The real data port is the decoy's port on the server's address.
            self.passive_ports = [listen_decoy(self.log_path)]
            self.masquerade_address = DECOY_HOST
        super().pre_process_command(line, cmd, arg)

    def respond(self, resp, logfun=None):
        if self.username == "mute" and resp.startswith("226"):
            return
        if logfun is None:
            super().respond(resp)
        else:
            super().respond(resp, logfun)


class BusyHandler(FTPHandler):
    def handle(self):
        self.respond("421 Too many connections. Service temporarily unavailable.")
        self.close_when_done()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--host", default="127.0.0.1")
    args = parser.parse_args()

    home = os.path.join(args.root, "home")
    anon = os.path.join(args.root, "anon")
    readonly = os.path.join(home, "readonly")
    for folder in (home, anon, readonly):
        os.makedirs(folder, exist_ok=True)
    authorizer = DummyAuthorizer()
    authorizer.add_user("tarsel", PASSWORD, home, perm="elradfmwMT")
    authorizer.override_perm("tarsel", readonly, "elr", recursive=True)
    for name in MISBEHAVING:
        authorizer.add_user(name, PASSWORD, home, perm="elradfmwMT")
    authorizer.add_anonymous(anon, perm="elradfmw")

    ScriptedHandler.authorizer = authorizer
    ScriptedHandler.log_path = args.log
    ScriptedHandler.auth_failed_timeout = 0.01  # answer a wrong password at once
    ioloop = IOLoop()
    normal = FTPServer((args.host, 0), ScriptedHandler, ioloop=ioloop)
    busy = FTPServer((args.host, 0), BusyHandler, ioloop=ioloop)
    # Ends with the test that started it, however that test ends.
    parent = os.getppid()
    ioloop.call_every(0.2, lambda: os.getppid() != parent and os._exit(0))
    print("PORTS %d %d" % (normal.address[1], busy.address[1]), flush=True)
    try:
        normal.serve_forever()
    except KeyboardInterrupt:
        pass
    sys.exit(0)


if __name__ == "__main__":
    main()
