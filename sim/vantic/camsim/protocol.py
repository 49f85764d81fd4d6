"""The camera's side of the register/action protocol.

The engine takes the framers' events (control bytes, packets, malformed units)
and answers through the link: ACK, NAK, DC1, register replies, data blocks,
ENQ after a busy action, 0xFF when it ends the session. Faults from the fault
set bend the answers. Runs on the event loop's thread; nothing here blocks."""

import struct

from . import framing as fr

IDLE = "idle"
REPLY_WAIT = "reply-wait"   # a register reply went out; waiting for ACK/NAK/CAN
READ_OBJ = "read-object"    # sending an object block by block
WRITE_OBJ = "write-object"  # taking an object block by block

RESEND_PACKET = fr.build_packet(fr.ESC, fr.LETTER_C, bytes(4))


def usb_device_descriptor(vendor, product):
    return struct.pack("<BBHBBBBHHHBBBB", 18, 1, 0x0110, 0xFF, 0xFF, 0xFF, 64,
                       vendor, product, 0x0100, 1, 2, 3, 1)


class Engine:
    """The camera's protocol state machine (idle, reply-wait, read-object,
    write-object) and its busy timer. Runs on the event loop's thread. A packet
    it cannot take is refused on the line (NAK or DC1), never raised."""

    def __init__(self, camera, faults, loop, log, time_scale=1.0, serial=True,
                 max_speed=6, refused_speeds=()):
        self.camera = camera
        self.faults = faults
        self.loop = loop
        self.log = log
        self.time_scale = time_scale
        self.serial = serial
        self.max_speed = max_speed
        self.refused_speeds = set(refused_speeds)
        self.link = None
        self.mode = IDLE
        self._reply_value = None
        self._reply_ctx = None
        self._reply_sent = False
        self._read = None
        self._upload = None
        self._busy_timer = None
        self._busy = None
        self.sent_total = 0
        self.stats = {"wakes": 0, "commands": 0, "acks": 0, "naks": 0, "dc1s": 0, "enqs": 0,
                      "session_ends": 0, "host_checksum_errors": 0, "malformed": 0, "cancels": 0,
                      "downloads": 0, "uploads": 0, "garbled_bytes": 0}
        self.speed_writes = []

    # ------------------------------------------------------------------ output

    def _send(self, data):
        self.sent_total += len(data)
        self.link.send(bytes(data))

    def _byte(self, value):
        name = {fr.ACK: "acks", fr.NAK: "naks", fr.DC1: "dc1s", fr.ENQ: "enqs"}.get(value)
        if name:
            self.stats[name] += 1
        self._send(bytes([value]))

    def _gate(self, ctx):
        """Whether the next answer may go out: "ok", "silent" or "ended"."""
        if self.faults.peek("silence", ctx):
            return "silent"
        if self.faults.take("session-end", ctx):
            self.log.note("fault: session end")
            self._send(bytes([fr.SESSION_END]))
            self.end_session("fault")
            return "ended"
        return "ok"

    def _set_mode(self, mode):
        """The one place the exchange state changes; IDLE forgets any transfer."""
        if mode != self.mode:
            self.log.note("[%s] -> [%s]" % (self.mode, mode))
        self.mode = mode
        if mode == IDLE:
            self._read = None
            self._upload = None

    def end_session(self, why):
        """The camera drops the session: transfers gone, line back to 19200."""
        self.stats["session_ends"] += 1
        self._set_mode(IDLE)
        self.log.note("session ended (%s)" % why)
        self.set_speed(0)

    def set_speed(self, index):
        self.camera.speed_index = index
        if self.serial and self.link is not None:
            known = 0 <= index < len(fr.SPEED_TABLE)
            self.link.set_baud(fr.SPEED_TABLE[index] if known else fr.DEFAULT_BAUD)

    def _data_packet(self, last, seq, payload, unchecked, ctx):
        """A data packet as the camera sends it, bent by the reply faults."""
        if self.faults.take("resend", ctx):
            self.log.note("fault: resend request")
            return RESEND_PACKET, "resend"
        lead = fr.TYPE_LAST if last else fr.TYPE_MORE
        if self.faults.take("wrong-sequence", ctx):
            self.log.note("fault: wrong sequence")
            seq = (seq + 1) & 0xFF
        oversize = self.faults.take("oversize-length", ctx)
        if oversize is not None:
            size = oversize.arg
            payload = bytes(payload[:size]) + bytes([0xA5]) * max(0, size - len(payload))
            self.log.note("fault: oversize length %d" % size)
        check = fr.UNCHECKED if unchecked else fr.checksum(payload)
        if self.faults.take("bad-checksum", ctx):
            self.log.note("fault: bad checksum")
            check ^= 0x5A5A
        packet = fr.build_packet(lead, seq & 0xFF, payload, check)
        if self.faults.take("short", ctx):
            self.log.note("fault: short packet")
            return packet[:4 + len(payload) // 2], "short"
        return packet, "ok"

    # ------------------------------------------------------------------- input

    def on_event(self, kind, value):
        if kind == fr.EV_BYTE:
            self._on_byte(value)
        elif kind == fr.EV_PACKET:
            self._on_packet(value)
        elif kind == fr.EV_DESCRIPTOR:
            vendor, product = self.camera.usb_ids
            descriptor = usb_device_descriptor(vendor, product)
            length = value if 0 < value < len(descriptor) else len(descriptor)
            self.log.note("device descriptor %04x:%04x" % (vendor, product))
            self._send(descriptor[:length])
        elif kind == fr.EV_VENDOR:
            self.log.note("control request %s ignored" % value.hex())
        elif kind == fr.EV_MALFORMED:
            self.stats["malformed"] += 1
            self.log.note("malformed input %s" % value[:32].hex())
            if self.faults.peek("silence", {}):
                return
            self._byte(fr.NAK)
        elif kind == "incomplete":
            self.log.note("incomplete packet dropped (%d bytes)" % len(value))

    def on_garbled(self, data):
        self.stats["garbled_bytes"] += len(data)

    def on_disconnect(self):
        if self.mode != IDLE:
            self.log.note("host went away during %s" % self.mode)
        self._set_mode(IDLE)

    def _on_byte(self, value):
        if value == fr.WAKE:
            self._on_wake()
        elif value == fr.ACK:
            self._on_host_ack()
        elif value == fr.NAK:
            self._on_host_nak()
        elif value == fr.CAN:
            if self.mode in (REPLY_WAIT, READ_OBJ):
                self.stats["cancels"] += 1
                self.log.note("host cancelled %s" % self.mode)
                self._set_mode(IDLE)
        else:
            self.log.note("stray byte %02x" % value)

    def _on_wake(self):
        ctx = {}
        if self.mode != IDLE:
            self.log.note("wake byte ends %s" % self.mode)
            self._set_mode(IDLE)
        if self.faults.take("drop", ctx):
            return
        gate = self._gate(ctx)
        if gate != "ok":
            return
        self.stats["wakes"] += 1
        if self.faults.take("dc1", ctx):
            self._byte(fr.DC1)
            return
        self._byte(fr.NAK)

    def _on_host_ack(self):
        if self.mode == REPLY_WAIT:
            if self._reply_sent:
                self._set_mode(IDLE)
            else:
                self._send_reply()
        elif self.mode == READ_OBJ:
            if self.faults.take("drop", self._read["ctx"]):
                return
            self._next_block()

    def _on_host_nak(self):
        if self.mode == REPLY_WAIT:
            self._send_reply()
        elif self.mode == READ_OBJ:
            if self.faults.take("drop", self._read["ctx"]):
                return
            self._send_block()

    def _on_packet(self, packet):
        if packet.is_command:
            self._on_command(packet)
        else:
            self._on_data(packet)

    @staticmethod
    def _ctx(packet):
        payload = packet.payload
        ctx = {"letter": chr(packet.second) if packet.second in (fr.LETTER_C, fr.LETTER_S) else None}
        if payload:
            ctx["op"] = payload[0]
            if len(payload) > 1:
                if payload[0] == fr.OP_ACTION:
                    ctx["action"] = payload[1]
                else:
                    ctx["reg"] = payload[1]
        return ctx

    def _refuse_by_fault(self, ctx):
        """drop / nak / dc1 on a received packet; True when one took it."""
        if self.faults.take("drop", ctx):
            self.log.note("fault: packet dropped")
            return True
        if self.faults.take("nak", ctx):
            self.log.note("fault: NAK")
            self._byte(fr.NAK)
            return True
        if self.faults.take("dc1", ctx):
            self.log.note("fault: DC1")
            self._byte(fr.DC1)
            return True
        return False

    def _on_command(self, packet):
        self.stats["commands"] += 1
        if self.mode == WRITE_OBJ:
            self._commit_upload("next command")
        self._set_mode(IDLE)
        ctx = self._ctx(packet)
        if self.faults.peek("silence", ctx):
            return
        if self._refuse_by_fault(ctx):
            return
        if self._gate(ctx) != "ok":
            return
        payload = packet.payload
        op = payload[0] if payload else None
        if packet.second not in (fr.LETTER_C, fr.LETTER_S) or op is None:
            self.log.note("refused: bad letter or empty payload")
            self._byte(fr.NAK)
            return
        if not packet.sum_matches and not (packet.unchecked and op == fr.OP_WRITE_OBJ_LARGE):
            self.stats["host_checksum_errors"] += 1
            self.log.note("refused: checksum %04x, payload sums to %04x"
                          % (packet.check, fr.checksum(payload)))
            self._byte(fr.NAK)
            return
        if packet.second == fr.LETTER_S and op != fr.OP_WRITE_REG:
            self._byte(fr.NAK)
            return
        handler = {fr.OP_WRITE_REG: self._op_write_register, fr.OP_READ_REG: self._op_read_register,
                   fr.OP_ACTION: self._op_action, fr.OP_WRITE_OBJ: self._op_write_object,
                   fr.OP_READ_OBJ: self._op_read_object, fr.OP_WRITE_OBJ_LARGE: self._op_write_object,
                   fr.OP_READ_OBJ_LARGE: self._op_read_object}.get(op)
        if handler is None:
            self.log.note("refused: unknown operation %d" % op)
            self._byte(fr.DC1)
            return
        handler(packet, ctx)

    # -------------------------------------------------------------- operations

    def _op_write_register(self, packet, ctx):
        payload = packet.payload
        if len(payload) != 6:
            self._byte(fr.NAK)
            return
        reg = payload[1]
        value = struct.unpack_from("<I", payload, 2)[0]
        if packet.second == fr.LETTER_S:
            if reg != 17:
                self._byte(fr.NAK)
                return
            self._speed_write(value)
            return
        if self.camera.busy:
            self.log.note("refused write %d while busy" % reg)
            self._byte(fr.DC1)
            return
        if self.camera.write_register(reg, value):
            self.log.note("register %d = %d" % (reg, value))
            self._byte(fr.ACK)
        else:
            self.log.note("refused write %d = %d" % (reg, value))
            self._byte(fr.DC1)

    def _speed_write(self, index):
        if self.serial and (index >= len(fr.SPEED_TABLE) or index > self.max_speed
                            or index in self.refused_speeds):
            self.speed_writes.append({"index": index, "accepted": False})
            self.log.note("speed %d refused" % index)
            self._byte(fr.NAK)
            return
        if index >= len(fr.SPEED_TABLE):
            self.speed_writes.append({"index": index, "accepted": False})
            self._byte(fr.NAK)
            return
        self.speed_writes.append({"index": index, "accepted": True})
        self._byte(fr.ACK)
        self.log.note("speed %d (%d baud)" % (index, fr.SPEED_TABLE[index]))
        self.set_speed(index)

    def _op_read_register(self, packet, ctx):
        payload = packet.payload
        if len(payload) != 2:
            self._byte(fr.NAK)
            return
        reg = payload[1]
        value = self.camera.read_register(reg)
        if value is None:
            self.log.note("refused read %d" % reg)
            self._byte(fr.DC1)
            return
        if reg == 18 and self.faults.take("not-ready", ctx):
            value = 0
        self._reply_value = value
        self._reply_ctx = ctx
        self._set_mode(REPLY_WAIT)
        self._send_reply()

    def _send_reply(self):
        ctx = self._reply_ctx
        self._reply_sent = False
        gate = self._gate(ctx)
        if gate != "ok":
            return
        packet, how = self._data_packet(True, 0, struct.pack("<I", self._reply_value), False, ctx)
        self._send(packet)
        self._reply_sent = how == "ok"

    def _op_action(self, packet, ctx):
        payload = packet.payload
        if len(payload) != 3:
            self._byte(fr.NAK)
            return
        action, arg = payload[1], payload[2]
        if self.camera.busy:
            self.log.note("refused action %d while busy" % action)
            self._byte(fr.DC1)
            return
        busy_ms = self.camera.action_busy_ms(action, arg)
        if busy_ms is None:
            self.log.note("refused action %d (%d)" % (action, arg))
            self._byte(fr.DC1)
            return
        late = self.faults.take("late-enq", ctx)
        if late is not None:
            busy_ms = late.arg
        self._byte(fr.ACK)
        self.camera.busy = True
        self._busy = (action, arg, ctx)
        delay = busy_ms * self.time_scale / 1000.0
        self.log.note("action %d (%d): busy %.1f ms" % (action, arg, delay * 1000))
        self._busy_timer = self.loop.call_later(delay, self._busy_done)

    def _busy_done(self):
        action, arg, ctx = self._busy
        self._busy = None
        self._busy_timer = None
        self.camera.busy = False
        effect = self.camera.finish_action(action, arg)
        if self.faults.take("ff-enq", ctx):
            self.log.note("fault: 0xFF instead of ENQ")
            self._send(bytes([fr.SESSION_END]))
            self.end_session("fault")
            return
        if self.faults.take("no-enq", ctx):
            self.log.note("fault: no ENQ")
        elif not self.faults.peek("silence", ctx):
            self._byte(fr.ENQ)
        if effect == "power-off":
            self.end_session("power off")

    def _op_write_object(self, packet, ctx):
        payload = packet.payload
        large = payload[0] == fr.OP_WRITE_OBJ_LARGE
        block = fr.BLOCK_LARGE if large else fr.BLOCK_SMALL
        if len(payload) < 2 or len(payload) > block:
            self._byte(fr.NAK)
            return
        reg = payload[1]
        if self.camera.busy:
            self._byte(fr.DC1)
            return
        limit = self.camera.object_limit(reg)
        data = payload[2:]
        if limit is None or len(data) > limit:
            self.log.note("refused upload to %d" % reg)
            self._byte(fr.DC1)
            return
        self._upload = {"reg": reg, "data": bytearray(data), "seq": 0, "large": large, "block": block,
                        "limit": limit, "ctx": ctx, "last": None}
        self._set_mode(WRITE_OBJ)
        self._byte(fr.ACK)

    def _on_data(self, packet):
        up = self._upload
        if self.mode != WRITE_OBJ or up is None:
            self.log.note("data packet outside an upload")
            if not self.faults.peek("silence", {}):
                self._byte(fr.NAK)
            return
        ctx = up["ctx"]
        if self.faults.peek("silence", ctx):
            return
        if self._refuse_by_fault(ctx):
            return
        if self._gate(ctx) != "ok":
            return
        if not packet.sum_matches and not (packet.unchecked and up["large"]):
            self.stats["host_checksum_errors"] += 1
            self.log.note("upload block refused: checksum")
            self._byte(fr.NAK)
            return
        if up["seq"] > 0 and packet.second == ((up["seq"] - 1) & 0xFF) and packet.raw == up["last"]:
            self.log.note("upload block %d again" % packet.second)
            self._byte(fr.ACK)
            return
        if packet.second != (up["seq"] & 0xFF) or len(packet.payload) > up["block"]:
            self.log.note("upload block refused: sequence %d, expected %d"
                          % (packet.second, up["seq"] & 0xFF))
            self._byte(fr.NAK)
            return
        if len(up["data"]) + len(packet.payload) > up["limit"]:
            self.log.note("upload to %d too large" % up["reg"])
            self._byte(fr.DC1)
            self._set_mode(IDLE)
            return
        up["data"] += packet.payload
        up["seq"] += 1
        up["last"] = packet.raw
        self._byte(fr.ACK)
        if packet.lead == fr.TYPE_LAST:
            self._commit_upload("last block")

    def _commit_upload(self, why):
        up = self._upload
        self._set_mode(IDLE)
        if up is None:
            return
        taken = self.camera.write_object(up["reg"], bytes(up["data"]))
        self.stats["uploads"] += 1
        self.log.note("upload to %d: %d bytes %s (%s)" % (up["reg"], len(up["data"]),
                                                       "stored" if taken else "refused", why))

    def _op_read_object(self, packet, ctx):
        payload = packet.payload
        if len(payload) != 2:
            self._byte(fr.NAK)
            return
        reg = payload[1]
        if self.camera.busy:
            self._byte(fr.DC1)
            return
        data = self.camera.read_object(reg)
        if data is None:
            self.log.note("refused object read %d" % reg)
            self._byte(fr.DC1)
            return
        large = payload[0] == fr.OP_READ_OBJ_LARGE
        block = fr.BLOCK_LARGE if large else fr.BLOCK_SMALL
        count = max(1, (len(data) + block - 1) // block)
        self._read = {"data": data, "block": block, "unchecked": large, "count": count, "index": 0,
                      "sent": False, "ctx": ctx, "reg": reg}
        self._set_mode(READ_OBJ)
        self.log.note("object read %d: %d bytes in %d blocks" % (reg, len(data), count))
        self._send_block()

    def _send_block(self):
        rd = self._read
        rd["sent"] = False
        if self._gate(rd["ctx"]) != "ok":
            return
        i = rd["index"]
        chunk = rd["data"][i * rd["block"]:(i + 1) * rd["block"]]
        last = i == rd["count"] - 1
        packet, how = self._data_packet(last, i, chunk, rd["unchecked"], rd["ctx"])
        self._send(packet)
        rd["sent"] = how == "ok"

    def _next_block(self):
        rd = self._read
        if not rd["sent"]:
            self._send_block()
            return
        if rd["index"] == rd["count"] - 1:
            self.stats["downloads"] += 1
            self.log.note("object read %d complete" % rd["reg"])
            self._set_mode(IDLE)
            return
        rd["index"] += 1
        self._send_block()

    # -------------------------------------------------------------------- dump

    def state(self):
        return {"mode": self.mode, "busy": self.camera.busy,
                "busy_action": self._busy[0] if self._busy else None,
                "speed_index": self.camera.speed_index, "sent_bytes": self.sent_total,
                "stats": dict(self.stats), "speed_writes": list(self.speed_writes),
                "upload_in_progress": None if self._upload is None else
                {"reg": self._upload["reg"], "bytes": len(self._upload["data"])}}
