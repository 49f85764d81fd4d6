"""The two ways the host reaches the camera.

SerialLink: a pseudo-terminal. The simulator keeps its own descriptor on the
slave open, so the host may close and re-open the port. The host's line speed
is read from the terminal settings on every arrival; bytes sent at another
speed than the camera's are lost (a garbled line), a wake byte too. Output is paced at the
line's rate (baud / 10 bytes per second) times the time scale; a host that
listens at another speed than the camera sent at receives zero bytes (line
noise) in their place.

UsbLink: a listening Unix SOCK_SEQPACKET socket; one message is one bulk
transfer in either direction. One host at a time holds the camera, as a
claimed interface is held: a connection made while another is open is closed
at once."""

import errno
import os
import pty
import selectors
import socket
import stat
import termios
import tty

from . import framing as fr
from .buslog import now_us

_BAUD_CONSTANTS = {}
for _rate in (1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400, 460800):
    _const = getattr(termios, "B%d" % _rate, None)
    if _const is not None:
        _BAUD_CONSTANTS[_const] = _rate
del _rate, _const

READ = selectors.EVENT_READ
WRITE = selectors.EVENT_WRITE


class SerialLink:
    """The pseudo-terminal, its framer and the paced output queue; event loop thread."""

    def __init__(self, loop, log, time_scale=1.0, partial_timeout=1.0):
        self.loop = loop
        self.log = log
        self.time_scale = time_scale
        self.master, self.slave = pty.openpty()
        tty.setraw(self.slave)
        self.path = os.ttyname(self.slave)
        os.set_blocking(self.master, False)
        self.baud = fr.DEFAULT_BAUD
        self.engine = None
        self.framer = fr.StreamFramer(partial_timeout=partial_timeout)
        self._out = []
        self._line_free = 0.0
        self._timer = None
        self._want_write = False
        loop.watch(self.master, READ, self._on_ready)
        loop.add_poller(self.framer.next_deadline, self._poll)

    def host_baud(self):
        """The host's line speed, from the terminal settings (a pseudo-terminal
        is always 8-N-1: it refuses other character sizes and parity)."""
        try:
            attrs = termios.tcgetattr(self.master)
        except termios.error:
            return 0
        return _BAUD_CONSTANTS.get(attrs[5] or attrs[4], 0)

    def set_baud(self, baud):
        if baud != self.baud:
            self.log.note("camera line speed %d" % baud)
        self.baud = baud

    def _poll(self, now):
        for event in self.framer.poll(now):
            self.engine.on_event(*event)

    def _on_ready(self, mask):
        if mask & WRITE:
            self._pump()
        if not mask & READ:
            return
        while True:
            try:
                data = os.read(self.master, 65536)
            except BlockingIOError:
                return
            except OSError as exc:
                if exc.errno == errno.EIO:
                    return
                raise
            if not data:
                return
            self._arrived(data)

    def _arrived(self, data):
        host = self.host_baud()
        if host != self.baud:
            self.log.data("rx", data, baud=host, garbled=True)
            self.framer.reset()
            self.engine.on_garbled(data)
            return
        self.log.data("rx", data, baud=host)
        for event in self.framer.feed(data, self.loop.now()):
            self.engine.on_event(*event)

    def send(self, data):
        """Queues bytes at the camera's current speed; a host listening at
        another speed receives line noise instead."""
        if self._out and self._out[-1][1] == self.baud:
            self._out[-1][0].extend(data)
        else:
            self._out.append([bytearray(data), self.baud])
        if self._timer is None and not self._want_write:
            self._pump()

    def _pump(self):
        self._timer = None
        while self._out:
            pending, baud = self._out[0]
            byte_time = 10.0 / baud * self.time_scale
            now = self.loop.now()
            count = len(pending)
            if byte_time > 0:
                if self._line_free < now - 0.005:
                    self._line_free = now  # the line was idle
                if now < self._line_free:
                    self._timer = self.loop.call_later(self._line_free - now, self._pump)
                    self._set_write_watch(False)
                    return
                # What the line could have carried by now (a late timer catches
                # up), plus one 2 ms slice.
                count = max(1, int((now - self._line_free + 0.002) / byte_time))
            chunk = bytes(pending[:count])
            garbled = self.host_baud() != baud
            stamp = now_us()
            try:
                written = os.write(self.master, bytes(len(chunk)) if garbled else chunk)
            except BlockingIOError:
                self._set_write_watch(True)
                return
            if garbled:
                self.log.data("tx", chunk[:written], t=stamp, baud=baud, garbled=True)
            else:
                self.log.data("tx", chunk[:written], t=stamp, baud=baud)
            del pending[:written]
            if not pending:
                self._out.pop(0)
            self._line_free += written * byte_time
        self._set_write_watch(False)

    def _set_write_watch(self, on):
        if on != self._want_write:
            self._want_write = on
            self.loop.watch(self.master, READ | (WRITE if on else 0), self._on_ready)

    def describe(self):
        return {"transport": "serial", "path": self.path, "camera_baud": self.baud,
                "host_baud": self.host_baud(), "queued": sum(len(p) for p, _ in self._out)}

    def close(self):
        self.loop.unwatch(self.master)
        for fd in (self.master, self.slave):
            try:
                os.close(fd)
            except OSError:
                pass


class _Connection:
    def __init__(self, sock, number):
        self.sock = sock
        self.number = number
        self.queue = []


class UsbLink:
    """The listening packet socket and its connections; event loop thread.
    A connection that fails is closed; the engine hears of it."""

    MAX_MESSAGE = 1 << 17

    def __init__(self, loop, log, path):
        self.loop = loop
        self.log = log
        self.path = path
        self.engine = None
        try:
            if stat.S_ISSOCK(os.lstat(path).st_mode):
                os.unlink(path)
        except FileNotFoundError:
            pass
        self.listener = socket.socket(socket.AF_UNIX, socket.SOCK_SEQPACKET)
        self.listener.bind(path)
        self.listener.listen(8)
        self.listener.setblocking(False)
        self.current = None
        self.connections = 0
        self.refused = 0
        self._conns = []
        loop.watch(self.listener, READ, self._on_accept)

    def set_baud(self, baud):
        pass

    def _on_accept(self, mask):
        try:
            sock, _ = self.listener.accept()
        except BlockingIOError:
            return
        # A host that closed just before connecting again has its end seen
        # first; one still open keeps the camera.
        for conn in list(self._conns):
            self._on_conn(conn, READ)
        if self._conns:
            self.refused += 1
            self.log.note("usb connection refused: the camera is held by connection %d"
                          % self._conns[0].number)
            sock.close()
            return
        sock.setblocking(False)
        try:
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_SNDBUF, 1 << 20)
        except OSError:
            pass
        self.connections += 1
        conn = _Connection(sock, self.connections)
        self._conns.append(conn)
        self.log.note("usb connection %d opened" % conn.number)
        self.loop.watch(sock, READ, lambda m, c=conn: self._on_conn(c, m))

    def _close(self, conn):
        self.loop.unwatch(conn.sock)
        conn.sock.close()
        self._conns.remove(conn)
        self.log.note("usb connection %d closed" % conn.number)
        if conn is self.current:
            self.current = None
            self.engine.on_disconnect()

    def _on_conn(self, conn, mask):
        if mask & WRITE:
            self._flush(conn)
        if not mask & READ:
            return
        while conn in self._conns:
            try:
                msg, _, flags, _ = conn.sock.recvmsg(self.MAX_MESSAGE)
            except BlockingIOError:
                return
            except OSError:
                self._close(conn)
                return
            if not msg:
                self._close(conn)
                return
            self.current = conn
            if flags & socket.MSG_TRUNC:
                self.log.data("rx", msg[:64], conn=conn.number, truncated=True)
                self.engine.on_event(fr.EV_MALFORMED, msg[:64])
                continue
            self.log.data("rx", msg, conn=conn.number)
            self.engine.on_event(*fr.parse_message(msg))

    def send(self, data):
        conn = self.current
        if conn is None:
            self.log.note("no host connected: %d bytes dropped" % len(data))
            return
        conn.queue.append(data)
        self._flush(conn)

    def _flush(self, conn):
        while conn.queue:
            data = conn.queue[0]
            stamp = now_us()
            try:
                conn.sock.send(data)
            except BlockingIOError:
                self.loop.watch(conn.sock, READ | WRITE, lambda m, c=conn: self._on_conn(c, m))
                return
            except OSError:
                self._close(conn)
                return
            self.log.data("tx", data, t=stamp, conn=conn.number)
            conn.queue.pop(0)
        self.loop.watch(conn.sock, READ, lambda m, c=conn: self._on_conn(c, m))

    def describe(self):
        return {"transport": "usb", "path": self.path, "connections": self.connections,
                "open_connections": len(self._conns), "refused_connections": self.refused,
                "current": self.current.number if self.current else None}

    def close(self):
        for conn in list(self._conns):
            self.loop.unwatch(conn.sock)
            conn.sock.close()
        self._conns = []
        self.loop.unwatch(self.listener)
        self.listener.close()
        try:
            os.unlink(self.path)
        except OSError:
            pass
