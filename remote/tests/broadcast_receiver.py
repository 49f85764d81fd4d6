#!/usr/bin/env python3
"""Runs inside a private network namespace: binds a UDP receiver on every
address, runs TarselRemote with "/CAPTURE *" and prints the program's exit
code and the hex of the first datagram that arrived."""
import os
import socket
import subprocess
import sys

PORT = 47110

receiver = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
receiver.bind(("0.0.0.0", PORT))
receiver.settimeout(20)
env = dict(os.environ, TARSEL_REMOTE_PORT=str(PORT))
code = subprocess.run([sys.argv[1], "/CAPTURE", "*"], env=env).returncode
try:
    data, _ = receiver.recvfrom(70000)
except socket.timeout:
    print("%d none" % code)
    sys.exit(1)
print("%d %s" % (code, data.hex()))
