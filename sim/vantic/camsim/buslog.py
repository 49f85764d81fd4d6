"""The record of every byte the camera received and sent, with monotonic
timestamps in microseconds (the same clock as the host's CLOCK_MONOTONIC),
plus notes on what the camera made of it. Optionally mirrored to a file."""

import time


def now_us():
    return time.monotonic_ns() // 1000


class BusLog:
    """Kept in memory for the control channel's log request; event loop thread."""

    def __init__(self, path=None):
        self.entries = []
        self.notes = []
        self._file = open(path, "a", encoding="utf-8", buffering=1) if path else None

    def _mirror(self, line):
        if self._file is not None:
            self._file.write(line + "\n")

    def data(self, direction, data, t=None, **extra):
        """direction "rx" (to the camera) or "tx" (from the camera); t is the
        time in microseconds, now when None. A send is stamped just before the
        write: stamped after it, a busy machine could let the host read the
        bytes before the time they were "sent"."""
        entry = {"t": now_us() if t is None else t, "dir": direction, "hex": bytes(data).hex()}
        entry.update(extra)
        self.entries.append(entry)
        flags = " ".join("%s=%s" % (k, v) for k, v in extra.items())
        self._mirror("%d %s %s%s" % (entry["t"], direction, entry["hex"], (" " + flags) if flags else ""))

    def note(self, text):
        entry = {"t": now_us(), "text": text}
        self.notes.append(entry)
        self._mirror("%d -- %s" % (entry["t"], text))

    def clear(self):
        self.entries = []
        self.notes = []

    def close(self):
        if self._file is not None:
            self._file.close()
            self._file = None
