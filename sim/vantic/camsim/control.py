"""The control channel: one JSON request per line on stdin, one JSON answer
per line on stdout. EOF on stdin ends the simulator (exit status 0).

Requests: {"op": "fault", "fault": S or [S...]}, {"op": "clear-faults"},
{"op": "log"} (optional "clear": true), {"op": "registers"},
{"op": "set-register", "reg": N, "value": V}, {"op": "picture", "index": N},
{"op": "quit"}. Every answer carries "ok"; a refused request has "error"."""

import json
import os
import select
import selectors

from . import faults as faultmod

MAX_LINE = 1 << 20


class Control:
    """Reads requests from stdin on the event loop's thread and answers each
    with one line; a malformed request gets {"ok": false, "error": ...}."""

    def __init__(self, loop, engine, camera, faults, log, link, out_fd=1, in_fd=0):
        self.loop = loop
        self.engine = engine
        self.camera = camera
        self.faults = faults
        self.log = log
        self.link = link
        self.out_fd = out_fd
        self.in_fd = in_fd
        self._buf = bytearray()
        os.set_blocking(in_fd, False)
        loop.watch(in_fd, selectors.EVENT_READ, self._on_input)

    def close(self):
        """Gives stdin back in blocking mode (it may be the user's terminal)."""
        try:
            os.set_blocking(self.in_fd, True)
        except OSError:
            pass

    def write_line(self, obj):
        data = (json.dumps(obj, separators=(",", ":")) + "\n").encode("utf-8")
        view = memoryview(data)
        while view:
            try:
                written = os.write(self.out_fd, view)
            except BlockingIOError:
                select.select([], [self.out_fd], [])
                continue
            except BrokenPipeError:
                self.loop.stop(0)
                return
            view = view[written:]

    def _on_input(self, mask):
        while True:
            try:
                data = os.read(self.in_fd, 65536)
            except BlockingIOError:
                return
            if not data:
                if self._buf.strip():
                    self._handle(bytes(self._buf))
                self._buf.clear()
                self.loop.unwatch(self.in_fd)
                self.loop.stop(0)
                return
            self._buf += data
            while True:
                cut = self._buf.find(b"\n")
                if cut < 0:
                    break
                line = bytes(self._buf[:cut])
                del self._buf[:cut + 1]
                if line.strip():
                    self._handle(line)
                if self.loop.stopped:
                    return
            if len(self._buf) > MAX_LINE:
                self._buf.clear()
                self.write_line({"ok": False, "error": "request line too long"})

    def _handle(self, line):
        try:
            request = json.loads(line.decode("utf-8"))
        except (UnicodeDecodeError, ValueError) as exc:
            self.write_line({"ok": False, "error": "not JSON: %s" % exc})
            return
        if not isinstance(request, dict) or not isinstance(request.get("op"), str):
            self.write_line({"ok": False, "error": "a request is an object with a string \"op\""})
            return
        op = request["op"]
        handler = {"fault": self._fault, "clear-faults": self._clear_faults, "log": self._log,
                   "registers": self._registers, "set-register": self._set_register,
                   "picture": self._picture, "quit": self._quit}.get(op)
        if handler is None:
            self.write_line({"ok": False, "op": op, "error": "unknown op %r" % op})
            return
        try:
            answer = handler(request)
        except ValueError as exc:
            answer = {"ok": False, "error": str(exc)}
        answer.setdefault("op", op)
        self.write_line(answer)
        if op == "quit":
            self.loop.stop(0)

    @staticmethod
    def _int(request, key):
        value = request.get(key)
        if isinstance(value, bool) or not isinstance(value, int):
            raise ValueError("%r must be an integer" % key)
        return value

    def _fault(self, request):
        texts = request.get("fault")
        if isinstance(texts, str):
            texts = [texts]
        if not isinstance(texts, list) or not texts or not all(isinstance(t, str) for t in texts):
            raise ValueError("\"fault\" must be a fault or a list of faults")
        for text in texts:
            faultmod.parse(text)
        for text in texts:
            self.faults.add(text)
        return {"ok": True, "faults": self.faults.active()}

    def _clear_faults(self, request):
        self.faults.clear()
        return {"ok": True, "faults": []}

    def _log(self, request):
        answer = {"ok": True, "log": list(self.log.entries), "notes": list(self.log.notes)}
        if request.get("clear"):
            self.log.clear()
        return answer

    def _registers(self, request):
        return {"ok": True, "state": self.engine.state(), "link": self.link.describe(),
                "faults": self.faults.active(), **self.camera.dump()}

    def _set_register(self, request):
        reg = self._int(request, "reg")
        value = self._int(request, "value")
        if value < 0 or value > 0xFFFFFFFF:
            raise ValueError("value must be 0..0xFFFFFFFF")
        self.camera.set_register(reg, value)
        if reg == 17:
            self.engine.set_speed(value if value < 7 else 0)
        return {"ok": True, "reg": reg, "value": self.camera.read_register(reg)}

    def _picture(self, request):
        index = self._int(request, "index")
        return {"ok": True, **self.camera.picture_report(index)}

    def _quit(self, request):
        return {"ok": True}
