"""Numbers from config files and requests: JSON numbers or texts such as "0x04B8"."""


def number(value, what):
    if isinstance(value, bool):
        raise ValueError("%s: expected a number" % what)
    if isinstance(value, int):
        return value
    if isinstance(value, str):
        try:
            return int(value, 0)
        except ValueError:
            pass
    raise ValueError("%s: expected a number, got %r" % (what, value))


def bounded(value, what, low, high):
    value = number(value, what)
    if not low <= value <= high:
        raise ValueError("config: %s must be %d..%d" % (what, low, high))
    return value
