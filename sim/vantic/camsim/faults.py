"""Injected faults: parsing of fault texts and their bookkeeping.

Form:  KIND[:ARG][@op=X][@reg=N][@action=N][*TIMES]

The scope narrows a fault to the exchanges it names: @op= takes an operation
number (0..6) or a command letter (C, S); @reg= a register; @action= an action
number (an op 2 exchange). A fault without scope hits every exchange. *TIMES
may stand before or after the scope.

For the counting kinds ARG is how many times the fault hits (same as *TIMES);
without a count it hits every time until the faults are cleared."""

import re

# kind -> (meaning of ARG, default ARG, default number of hits; None = every time)
KINDS = {
    "nak": ("count", None, None),
    "dc1": ("count", None, None),
    "drop": ("count", None, None),
    "silence": ("after-bytes", 0, None),
    "session-end": ("after-bytes", 0, 1),
    "bad-checksum": ("count", None, None),
    "wrong-sequence": ("count", None, None),
    "oversize-length": ("length", 2050, None),
    "short": ("count", None, None),
    "resend": ("count", None, None),
    "late-enq": ("ms", None, None),
    "no-enq": ("count", None, None),
    "ff-enq": ("count", None, None),
    "not-ready": ("count", None, None),
}

HELP = {
    "nak": "answer NAK to a received packet instead of taking it",
    "dc1": "answer DC1 (refused) to a received packet instead of taking it",
    "drop": "swallow a received packet or host byte without any answer (the camera's state stays)",
    "silence": "once ARG more bytes went out (default 0), answer nothing at all until cleared",
    "session-end": "once ARG more bytes went out (default 0), send 0xFF instead of the next answer "
                   "and end the session (line back to 19200); hits once unless *TIMES",
    "bad-checksum": "a data packet the camera sends carries a wrong checksum",
    "wrong-sequence": "a data packet the camera sends carries the wrong sequence number",
    "oversize-length": "a data packet the camera sends announces ARG payload bytes (default 2050) "
                       "and carries that many",
    "short": "a data packet the camera sends stops after its header and half its payload",
    "resend": "answer a read request with an 0x1B packet (send the request again)",
    "late-enq": "an action sends its ENQ only after ARG ms (scaled by --time-scale)",
    "no-enq": "an action finishes without sending ENQ",
    "ff-enq": "an action ends with 0xFF (session end) instead of ENQ",
    "not-ready": "register 18 (ready) reads 0",
}

COUNTING = frozenset(k for k, v in KINDS.items() if v[0] == "count")


class Fault:
    __slots__ = ("text", "kind", "arg", "scope", "remaining", "armed_at", "hits")

    def __init__(self, text, kind, arg, scope, remaining, armed_at):
        self.text = text
        self.kind = kind
        self.arg = arg
        self.scope = scope
        self.remaining = remaining
        self.armed_at = armed_at
        self.hits = 0

    def matches(self, ctx):
        for key, want in self.scope.items():
            if key == "op":
                if isinstance(want, str):
                    if ctx.get("letter") != want:
                        return False
                elif ctx.get("op") != want:
                    return False
            elif ctx.get(key) != want:
                return False
        return True

    def due(self, sent_total):
        if self.kind in ("silence", "session-end"):
            return sent_total - self.armed_at >= self.arg
        return True

    def as_dict(self):
        return {"fault": self.text, "kind": self.kind, "arg": self.arg,
                "scope": dict(self.scope), "remaining": self.remaining, "hits": self.hits}


_TIMES = re.compile(r"\*([^@*:]*)")


def _parse_int(text, what):
    try:
        value = int(text, 0)
    except ValueError:
        raise ValueError("%s: not a number: %r" % (what, text)) from None
    if value < 0:
        raise ValueError("%s: negative: %r" % (what, text))
    return value


def parse(given, armed_at=0):
    """One fault text into a Fault; ValueError with a reason when it is malformed."""
    if not isinstance(given, str) or not given.strip():
        raise ValueError("empty fault")
    text = given.strip()
    times = None
    found = _TIMES.findall(text)
    if len(found) > 1:
        raise ValueError("give *TIMES once")
    if found:
        text = _TIMES.sub("", text)
        times = _parse_int(found[0], "times")
        if times == 0:
            raise ValueError("times must be at least 1")
    parts = text.split("@")
    head, scope_parts = parts[0], parts[1:]
    kind, _, arg_text = head.partition(":")
    kind = kind.strip().lower()
    if kind not in KINDS:
        raise ValueError("unknown fault kind %r (known: %s)" % (kind, ", ".join(sorted(KINDS))))
    meaning, default_arg, default_times = KINDS[kind]
    arg = default_arg
    if arg_text:
        arg = _parse_int(arg_text, kind)
    elif meaning == "ms":
        raise ValueError("%s needs a time in ms (%s:<ms>)" % (kind, kind))
    remaining = default_times
    if meaning == "count":
        if arg is not None:
            if arg == 0:
                raise ValueError("%s: count must be at least 1" % kind)
            if times is not None:
                raise ValueError("%s: give the count once" % kind)
            remaining = arg
    if times is not None:
        remaining = times
    scope = {}
    for part in scope_parts:
        key, eq, value = part.partition("=")
        key = key.strip().lower()
        value = value.strip()
        if not eq or not value:
            raise ValueError("scope %r is not key=value" % part)
        if key == "op":
            if value.upper() in ("C", "S"):
                scope["op"] = value.upper()
            else:
                op = _parse_int(value, "op")
                if op > 6:
                    raise ValueError("op must be 0..6, C or S")
                scope["op"] = op
        elif key in ("reg", "register"):
            reg = _parse_int(value, "reg")
            if reg > 255:
                raise ValueError("reg must be 0..255")
            scope["reg"] = reg
        elif key == "action":
            action = _parse_int(value, "action")
            if action > 255:
                raise ValueError("action must be 0..255")
            scope["action"] = action
        else:
            raise ValueError("unknown scope %r (op, reg, action)" % key)
    return Fault(given.strip(), kind, arg, scope, remaining, armed_at)


class FaultSet:
    """The active faults; `sent_total` tells how many bytes the camera has sent.
    A fault with a limited number of hits is removed after its last one."""

    def __init__(self, sent_total):
        self._sent_total = sent_total
        self._faults = []

    def add(self, text):
        fault = parse(text, self._sent_total())
        self._faults.append(fault)
        return fault

    def clear(self):
        self._faults = []

    def active(self):
        return [f.as_dict() for f in self._faults]

    def _find(self, kind, ctx):
        sent = self._sent_total()
        for fault in self._faults:
            if fault.kind == kind and fault.matches(ctx) and fault.due(sent):
                return fault
        return None

    def peek(self, kind, ctx):
        return self._find(kind, ctx)

    def take(self, kind, ctx):
        """The matching fault, one hit used up; None when none applies."""
        fault = self._find(kind, ctx)
        if fault is None:
            return None
        fault.hits += 1
        if fault.remaining is not None:
            fault.remaining -= 1
            if fault.remaining <= 0:
                self._faults.remove(fault)
        return fault


def help_text():
    lines = ["faults (KIND[:ARG][@op=X][@reg=N][@action=N][*TIMES]):"]
    for kind in KINDS:
        meaning = KINDS[kind][0]
        shown = kind if meaning in ("count",) else "%s[:%s]" % (kind, meaning)
        if meaning == "count":
            shown = "%s[:count]" % kind
        if meaning == "ms":
            shown = "%s:ms" % kind
        lines.append("  %-26s %s" % (shown, HELP[kind]))
    return "\n".join(lines)
