#!/usr/bin/env python3
"""A USB/serial digital still camera that speaks the register/action protocol,
for testing the camera library without a camera.

    vantic_sim.py (--serial | --usb SOCKET_PATH) [--config FILE.json] [--model NAME] [--log FILE]
        [--max-speed INDEX] [--refuse-speed INDEX ...] [--fault FAULT ...]
        [--time-scale FACTOR]

Prints "SERIAL <slave path>" or "USB <socket path>" once ready, then answers
JSON requests on stdin (see README.md). Python 3 standard library only."""

import argparse
import json
import os
import signal
import sys

# Run from the source tree by tests: leave no byte-code files behind.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from camsim import faults as faultmod  # noqa: E402
from camsim.buslog import BusLog  # noqa: E402
from camsim.camera import Camera  # noqa: E402
from camsim.control import Control  # noqa: E402
from camsim.eventloop import EventLoop  # noqa: E402
from camsim.model import model_names  # noqa: E402
from camsim.protocol import Engine  # noqa: E402
from camsim.transport import SerialLink, UsbLink  # noqa: E402

CONTROL_HELP = """control channel (one JSON object per line on stdin, one answer line on stdout):
  {"op":"fault","fault":"nak:2@reg=1"}     add one fault (or a list of them)
  {"op":"clear-faults"}                     remove every fault
  {"op":"log"}                              bytes received/sent: [{"t":us,"dir":"rx"|"tx","hex":..}]
                                            ("clear":true empties the log afterwards)
  {"op":"registers"}                        registers, structures, pictures and protocol state
  {"op":"set-register","reg":N,"value":V}   set a register without range check
  {"op":"picture","index":N}                size and sha256 of picture N (0 = preview), its
                                            thumbnail and audio
  {"op":"quit"}                             exit with status 0 (so does EOF on stdin)"""


def _speed_index(text):
    try:
        value = int(text)
    except ValueError:
        raise argparse.ArgumentTypeError("speed index must be 0..6") from None
    if not 0 <= value <= 6:
        raise argparse.ArgumentTypeError("speed index must be 0..6")
    return value


def _scale(text):
    try:
        value = float(text)
    except ValueError:
        raise argparse.ArgumentTypeError("time scale must be a number >= 0") from None
    if not value >= 0 or value > 1000:
        raise argparse.ArgumentTypeError("time scale must be 0..1000")
    return value


def parse_args(argv):
    parser = argparse.ArgumentParser(
        prog="vantic_sim.py",
        description="Simulated USB/serial camera for the register/action protocol.",
        epilog=faultmod.help_text() + "\n\n" + CONTROL_HELP,
        formatter_class=argparse.RawDescriptionHelpFormatter)
    where = parser.add_mutually_exclusive_group(required=True)
    where.add_argument("--serial", action="store_true", help="answer on a pseudo-terminal")
    where.add_argument("--usb", metavar="SOCKET_PATH", help="answer on a SOCK_SEQPACKET socket")
    parser.add_argument("--config", metavar="FILE.json", help="registers, pictures, busy times, USB ids")
    parser.add_argument("--model", metavar="NAME", choices=model_names(),
                        help="a built-in model under the config: %s" % ", ".join(model_names()))
    parser.add_argument("--log", metavar="FILE", help="also write the byte log to FILE")
    parser.add_argument("--max-speed", metavar="INDEX", type=_speed_index, default=6,
                        help="refuse (NAK) speed indexes above this (serial; default 6)")
    parser.add_argument("--refuse-speed", metavar="INDEX", type=_speed_index, action="extend", nargs="+",
                        default=[], help="refuse (NAK) these speed indexes (serial)")
    parser.add_argument("--fault", metavar="FAULT", action="extend", nargs="+", default=[],
                        help="inject a fault from the start (see below)")
    parser.add_argument("--time-scale", metavar="FACTOR", type=_scale, default=1.0,
                        help="multiply every delay: busy times, ENQ delays, line pacing (default 1)")
    return parser.parse_args(argv)


def _load_config(path, model):
    config = {}
    if path:
        with open(path, "r", encoding="utf-8") as handle:
            config = json.load(handle)
    if model is not None and isinstance(config, dict):
        if config.setdefault("model", model) != model:
            raise ValueError("--model %s and the config's model %r differ" % (model, config["model"]))
    return config


def _terminate(signum, frame):
    raise SystemExit(0)


def main(argv=None):
    args = parse_args(sys.argv[1:] if argv is None else argv)
    try:
        camera = Camera(_load_config(args.config, args.model))
    except (OSError, ValueError, TypeError) as exc:
        print("vantic_sim: config: %s" % exc, file=sys.stderr)
        return 2
    try:
        for text in args.fault:
            faultmod.parse(text)
    except ValueError as exc:
        print("vantic_sim: --fault: %s" % exc, file=sys.stderr)
        return 2

    loop = EventLoop()
    log = BusLog(args.log)
    holder = {}
    faults = faultmod.FaultSet(lambda: holder["engine"].sent_total)
    engine = Engine(camera, faults, loop, log, time_scale=args.time_scale, serial=args.serial,
                    max_speed=args.max_speed, refused_speeds=args.refuse_speed)
    holder["engine"] = engine
    for text in args.fault:
        faults.add(text)
    try:
        if args.serial:
            link = SerialLink(loop, log, time_scale=args.time_scale)
            banner = "SERIAL %s" % link.path
        else:
            link = UsbLink(loop, log, args.usb)
            banner = "USB %s" % args.usb
    except OSError as exc:
        print("vantic_sim: cannot open the transport: %s" % exc, file=sys.stderr)
        return 2
    link.engine = engine
    engine.link = link
    control = Control(loop, engine, camera, faults, log, link)

    signal.signal(signal.SIGTERM, _terminate)
    signal.signal(signal.SIGINT, _terminate)
    try:
        os.write(1, (banner + "\n").encode("utf-8"))
        code = loop.run()
    except SystemExit as stop:
        code = stop.code if isinstance(stop.code, int) else 0
    finally:
        control.close()
        link.close()
        log.close()
    return code


if __name__ == "__main__":
    sys.exit(main())
