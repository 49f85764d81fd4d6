"""A small single-threaded loop: file descriptors through selectors, timers
on the monotonic clock. Every part of the simulator runs on it."""

import heapq
import itertools
import selectors
import time


class Timer:
    __slots__ = ("when", "callback", "cancelled")

    def __init__(self, when, callback):
        self.when = when
        self.callback = callback
        self.cancelled = False

    def cancel(self):
        self.cancelled = True


class EventLoop:
    """Runs callbacks for ready descriptors, due timers and pollers, one at a
    time, until stop(); an exception in a callback ends the run."""

    def __init__(self):
        self._selector = selectors.PollSelector()
        self._timers = []
        self._order = itertools.count()
        self._stopped = False
        self._pollers = []
        self.exit_code = 0

    @staticmethod
    def now():
        return time.monotonic()

    def call_later(self, delay, callback):
        timer = Timer(self.now() + max(0.0, delay), callback)
        heapq.heappush(self._timers, (timer.when, next(self._order), timer))
        return timer

    def add_poller(self, deadline, callback):
        """`deadline()` gives the next time `callback(now)` wants to run, or None."""
        self._pollers.append((deadline, callback))

    def watch(self, fileobj, events, callback):
        """callback(mask) when the fd is ready; replaces an earlier watch."""
        try:
            self._selector.modify(fileobj, events, callback)
        except KeyError:
            self._selector.register(fileobj, events, callback)

    def unwatch(self, fileobj):
        try:
            self._selector.unregister(fileobj)
        except (KeyError, ValueError):
            pass

    @property
    def stopped(self):
        return self._stopped

    def stop(self, code=0):
        self.exit_code = code
        self._stopped = True

    def _next_wake(self):
        wake = None
        while self._timers and self._timers[0][2].cancelled:
            heapq.heappop(self._timers)
        if self._timers:
            wake = self._timers[0][0]
        for deadline, _ in self._pollers:
            when = deadline()
            if when is not None and (wake is None or when < wake):
                wake = when
        return wake

    def run(self):
        while not self._stopped:
            wake = self._next_wake()
            timeout = None if wake is None else max(0.0, wake - self.now())
            for key, mask in self._selector.select(timeout):
                key.data(mask)
                if self._stopped:
                    return self.exit_code
            now = self.now()
            while self._timers and self._timers[0][0] <= now:
                _, _, timer = heapq.heappop(self._timers)
                if not timer.cancelled:
                    timer.callback()
                if self._stopped:
                    return self.exit_code
            for _, callback in self._pollers:
                callback(self.now())
        return self.exit_code
