"""The simulated camera's contents: registers, structures, texts, pictures with
thumbnails and audio, folders, print-order entries, the lens, and what each
action does to them. No protocol here: the engine asks, this answers.

Register reads give an int, or None for a register that is read as an object
(the engine refuses those with DC1). Writes give True when taken."""

import hashlib
import struct
import time

from . import pictures
from .config import configure
from .config import words as _words
from .model import CameraModel
from .picture import Picture
from .registers import (ACTION_NAMES, DEFAULT_BUSY_MS, DEFAULT_REGISTERS, DEFAULT_TEXTS, OBJECT_LIMITS,
                        OBJECTS, RANGES, REGISTER_COUNT, STRUCTURES, TEXTS, U32, UPLOAD_PICTURE_MARK,
                        WRITABLE)


def _fixed(raw, size):
    return bytes(raw[:size]).ljust(size, b"\0")


def _sha(data):
    return hashlib.sha256(data).hexdigest()


# The ISO register's steps (0 is automatic, recorded as 0); other values are the speed itself.
_ISO_STEPS = {1: 100, 2: 200, 3: 400}
# Flash modes that fire: on, red-eye reduction, slow sync (auto and off do not, here).
_FIRING_FLASH_MODES = (1, 3, 4)
# Light sources the Exif tag names (unknown, daylight, fluorescent, tungsten); the rest is "other".
_EXIF_LIGHT_SOURCES = (0, 1, 2, 3)


class Camera:
    """The camera's state; used only from the event loop's thread."""

    def __init__(self, config=None):
        config = config or {}
        self.busy = False
        self.speed_index = 0
        self.regs = dict(DEFAULT_REGISTERS)
        self.overrides = {}
        self.clock_base = int(time.time())
        self.clock_at = time.monotonic()
        self.texts = {reg: text.encode("latin-1") for reg, text in DEFAULT_TEXTS.items()}
        self.lcd_string = b""
        self.structures = {}
        self.written = {}
        self.upload = {}
        self.firmware = None
        self.folders = ["100SIMCM"]
        self.selected_folder = 1
        self.opf = []
        self.lens = {"position": 10, "min": 10, "max": 30, "step": 1}
        self.diag_runs = 0
        self.diag_lcd = 0
        self.actions_done = []
        self._seed = 100
        self._next_number = 1
        self.capacity = 200
        self.picture_size = 100000
        self.thumbnail_size = None
        self.picture_info = {"width": 64, "height": 48}
        self.thumb_prefix = b""
        self.record_samples = 4000
        self.usb_ids = (0x04B8, 0x0402)
        self.busy_ms = dict(DEFAULT_BUSY_MS)
        self.busy_per_picture_ms = 100
        self.pictures = []
        self.preview = None
        self.preview_size = 20000
        self.model = CameraModel()
        self._init_structures()
        configure(self, config)
        for picture in self.pictures:
            picture.prepare()

    # ----------------------------------------------------------------- config

    def _init_structures(self):
        self.structures[5] = _words([3, 0], 2)
        self.structures[21] = bytes(i & 0xFF for i in range(768))
        self.structures[31] = bytes(400)
        self.structures[45] = _words([1] * 8, 8)
        self.structures[49] = _words([0] * 12, 12)
        self.structures[60] = _words([0] * 10, 10)
        self.structures[61] = _words([256, 256, 256] + [0] * 9, 12)
        self.structures[69] = _words([0, 0], 2)
        self.structures[80] = _words([1, 2, 3, 4, 0, 0, 0, 0], 8)
        self.structures[81] = _words([5, 6, 7, 8, 0, 0, 0, 0], 8)
        self.structures[87] = _words([2, 0, 1, 0, 0, 0, 0, 0], 8)
        self.structures[88] = _words([10, 30, 0, 0, 0, 0, 0, 0], 8)
        self.structures[102] = _words([2, 4, 0, 100000, 0], 5)
        self.structures[107] = _words([0x00112233, 0x4455], 2)

    def shot_info(self):
        """What a picture records of the camera when it is taken: clock, settings, lens, texts."""
        program, aperture, _, exposure_us, _ = struct.unpack("<5i", self.structures[102])
        bias = struct.unpack_from("<i", self.structures[69])[0]
        light = self.regs.get(20, 0)
        iso = self.regs.get(85, 0)
        program = program if 1 <= program <= 4 else 2
        texts = {reg: self.texts.get(reg, b"").decode("latin-1") for reg in (26, 27, 48)}
        return {
            "datetime": time.strftime("%Y:%m:%d %H:%M:%S", time.localtime(self.clock())),
            "iso": _ISO_STEPS.get(iso, iso),
            "flash_mode": self.regs.get(7, 0),
            "flash": 1 if self.regs.get(7, 0) in _FIRING_FLASH_MODES else 0,
            "program": program,
            # The camera chooses what its program does not fix (manual fixes both).
            "f_number_x10": aperture if program in (1, 3) and 10 <= aperture <= 999 else 28,
            "exposure_us": exposure_us if program in (1, 4) and exposure_us > 0 else 8000,
            "bias_x10": bias,
            "metering": self.regs.get(70, 2),
            "light_source": light if light in _EXIF_LIGHT_SOURCES else 255,
            "focal_x10": self.lens["position"] * 10,
            "resolution": self.regs.get(1, 0), "compression": self.regs.get(0, 0),
            "software": texts[26], "model": texts[27], "make": texts[48],
        }

    def new_picture(self, size, thumb, info=None, audio=None, protect=0, folder=None, data=None):
        self._seed += 1
        shot = self.shot_info()
        shot.update(info if info is not None else self.picture_info)
        picture = Picture(self._next_number, size, thumb, self._seed, shot, audio,
                          protect, folder or self.selected_folder, data, self.thumb_prefix)
        self._next_number += 1
        return picture

    def shot_format(self):
        """(size, {width, height, ...}) of a picture taken now: what the model's
        resolution table gives for register 1, else the configured picture."""
        entry = self.model.resolution(self.regs.get(1, 0))
        if entry is None:
            return self.picture_size, dict(self.picture_info)
        return entry["size"], {"width": entry["width"], "height": entry["height"], "type": entry["type"],
                               "mosaic": True}

    def default_picture(self):
        size, info = self.shot_format()
        return self.new_picture(size, self.thumbnail_size, info)

    # -------------------------------------------------------------- selection

    def selected(self):
        """The picture register 4 names (0 = the preview), or None."""
        index = self.regs.get(4, 0)
        if index == 0:
            return self.preview
        if 1 <= index <= len(self.pictures):
            return self.pictures[index - 1]
        return None

    def clock(self):
        return (self.clock_base + int(time.monotonic() - self.clock_at)) & 0x7FFFFFFF

    # -------------------------------------------------------------- registers

    def read_register(self, reg):
        if reg < 0 or reg >= REGISTER_COUNT or reg in OBJECTS:
            return None
        if reg in self.overrides:
            return self.overrides[reg]
        picture = self.selected()
        if reg == 2:
            return self.clock()
        if reg == 10:
            return len(self.pictures)
        if reg == 11:
            return max(0, self.capacity - len(self.pictures))
        if reg == 12:
            return picture.reported_size() if picture else 0
        if reg == 13:
            return picture.reported_thumb_size() if picture else 0
        if reg == 17:
            return self.speed_index
        if reg == 18:
            return 0 if self.busy else self.regs.get(18, 1)
        if reg == 28:
            return self.free_memory()
        if reg == 39:
            return picture.protect if picture else 0
        if reg == 55:
            return len(self.opf)
        if reg == 83:
            return len(self.folders)
        return self.regs.get(reg, 0)

    def free_memory(self):
        used = sum(len(p.data) if p._data is not None else p.wanted_size for p in self.pictures)
        return max(0, min(0x21C00000, 64 * 1024 * 1024 - used))

    def write_register(self, reg, value):
        """A host write (op 0); False when the camera refuses it."""
        if reg not in WRITABLE or reg == 17:
            return False
        low, high = RANGES.get(reg, (0, 0))
        if not low <= value <= high:
            return False
        value = self.model.stored_value(reg, value)
        if value is None:
            return False
        if reg == 4 and value > len(self.pictures):
            return False
        if reg == 83:
            if not 1 <= value <= len(self.folders):
                return False
            self.selected_folder = value
            return True
        if reg == 56 and value > len(self.opf):
            return False
        if reg == 2:
            self.clock_base = value
            self.clock_at = time.monotonic()
            return True
        if reg == 52:
            self.pictures = []
            self.regs[4] = 0
            return True
        if reg in (76, 109):
            self.reset_settings()
            return True
        self.regs[reg] = value
        return True

    def reset_settings(self):
        for reg, value in DEFAULT_REGISTERS.items():
            if reg not in (4, 40, 56, 16):
                self.regs[reg] = value

    def set_register(self, reg, value):
        """The control channel's write: no range check, dynamic registers overridden."""
        if not 0 <= reg < REGISTER_COUNT:
            raise ValueError("register must be 0..109")
        value &= U32
        picture = self.selected()
        if reg == 2:
            self.clock_base, self.clock_at = value, time.monotonic()
        elif reg == 10:
            if value > 10000:
                raise ValueError("at most 10000 pictures")
            while len(self.pictures) > value:
                self.pictures.pop()
            while len(self.pictures) < value:
                self.pictures.append(self.default_picture())
        elif reg == 12 and picture is not None:
            picture.size_override = value
        elif reg == 13 and picture is not None:
            picture.thumb_override = value
        elif reg == 39 and picture is not None:
            picture.protect = value
        elif reg == 17:
            self.speed_index = value
        elif reg in (11, 28, 55, 83):
            self.overrides[reg] = value
        else:
            self.regs[reg] = value

    # ---------------------------------------------------------------- objects

    def read_object(self, reg):
        """The bytes a block read of `reg` delivers, or None (refused)."""
        picture = self.selected()
        if reg == 14:
            return picture.data if picture else None
        if reg == 15:
            return picture.thumbnail if picture else None
        if reg == 44:
            parts = picture.audio_parts() if picture else None
            return parts[0] if parts else b""
        if reg == 43:
            parts = picture.audio_parts() if picture else None
            if not parts:
                return bytes(32)
            stored, decoded, fmt = parts
            return _words([len(decoded), len(stored), fmt, pictures.AUDIO_RATE], 8)
        if reg in TEXTS:
            return _fixed(self.texts.get(reg, b""), TEXTS[reg])
        if reg in STRUCTURES or reg == 71:
            return self._structure(reg)
        if reg == 46:
            return _words([self.regs[1], self.regs[7], self.regs[0], self.regs[6], self.regs.get(16, 0),
                           len(self.pictures), self.read_register(11), self.free_memory()], 8)
        if reg == 47:
            if picture is None:
                return None
            return _words([picture.reported_size(), picture.reported_thumb_size(), picture.protect,
                           picture.info["resolution"], picture.info["compression"],
                           len(picture.audio_parts()[0]) if picture.audio else 0,
                           picture.folder, picture.number], 8)
        if reg == 73:
            return _words([self.regs[0], self.regs[1], self.regs[7], self.regs[33], self.regs[20],
                           self.regs[70], self.regs[85], self.regs[86], self.regs[34], self.regs[42]], 10)
        if reg == 74:
            return self._tag(picture) if picture else None
        if reg == 79:
            return _fixed(picture.name.encode("ascii"), 13) if picture else None
        if reg == 84:
            return _fixed(self.folders[self.selected_folder - 1].encode("latin-1", "replace"), 8) + b"\0"
        if reg == 91:
            name = self.folders[self.selected_folder - 1].encode("latin-1", "replace")
            count = sum(1 for p in self.pictures if p.folder == self.selected_folder)
            return _fixed(name, 8) + struct.pack("<II", count, self.selected_folder)
        if reg == 67:
            return (struct.pack("<I", 1) + _fixed(b"SIM MEMORY CARD", 32) + _fixed(b"NO NAME", 32)
                    + _words([64 * 1024 * 1024, self.free_memory(), 64 * 1024 * 1024 - self.free_memory(),
                              len(self.pictures), self.capacity], 5))
        if reg == 57:
            index = self.regs.get(56, 0)
            if not 1 <= index <= len(self.opf):
                return None
            return self._opf_info(index)
        return None

    def _structure(self, reg):
        if reg == 71:
            return _words([self.lens["position"], 10], 2)
        return self.structures[reg]

    def _tag(self, picture):
        """Sizes and settings as the picture was taken; tag word 16 (tail word 6) says the flash fired."""
        info = picture.info
        stamp = info["datetime"].encode("ascii")
        head = _words([info.get("width", 64), info.get("height", 48), picture.reported_size(),
                       info["resolution"], info["compression"]], 5)
        tail = _words([1000000 // max(1, info["exposure_us"]), info["f_number_x10"], 0, 0, info["iso"],
                       info["flash_mode"], info["flash"], info["focal_x10"] // 10, picture.number], 9)
        return head + _fixed(stamp, 20) + tail

    def _opf_info(self, index):
        entry = self.opf[index - 1]
        name = _fixed(("OPF%05d.DAT" % index).encode("ascii"), 12)
        return (name + _fixed(b"20240101", 8) + struct.pack("<HHH", 1, index, 0)
                + _fixed(entry["data"], 40) + struct.pack("<I", len(entry["data"])) + struct.pack("<H", 0))

    def object_limit(self, reg):
        return OBJECT_LIMITS.get(reg)

    def write_object(self, reg, data):
        """A completed object upload; False when the camera refuses it."""
        limit = OBJECT_LIMITS.get(reg)
        if limit is None or len(data) > limit:
            return False
        self.written[reg] = bytes(data)
        if reg in (22, 37, 84):
            if len(data) >= 32:
                return False
            text = bytes(data).split(b"\0", 1)[0]
            if reg == 84:
                self.folders[self.selected_folder - 1] = text.decode("latin-1")
            elif reg == 37:
                self.lcd_string = text
            else:
                self.texts[22] = text
            return True
        if reg == 71:
            target = struct.unpack_from("<I", _fixed(data, 8))[0]
            self.move_lens(target)
            return True
        if reg == 29:
            self.upload[29] = bytes(data)
            return True
        if reg == 58:
            self.opf.append({"data": bytes(data)})
            return True
        if reg == 21:
            self.structures[21] = bytes(data)
            return True
        if reg == 102:
            data = self.model.exposure_block(_fixed(data, STRUCTURES[reg]))
        self.structures[reg] = _fixed(data, STRUCTURES[reg])
        return True

    def move_lens(self, target):
        lens = self.lens
        if target >= 0x80000000:
            target -= 0x100000000
        if abs(target - lens["position"]) < max(1, lens["step"]):
            return
        lens["position"] = max(lens["min"], min(lens["max"], target))

    # ---------------------------------------------------------------- actions

    def action_busy_ms(self, action, arg):
        """The camera's busy time for an action, or None when it refuses it."""
        if action not in ACTION_NAMES:
            return None
        if action == 3 and arg not in (0, 1):
            return None
        stores = action in (2, 3) or (action == 11 and self.regs.get(32) == UPLOAD_PICTURE_MARK)
        if stores and len(self.pictures) >= self.capacity:
            return None  # the card is full
        busy = self.busy_ms.get(action, 100)
        if action == 1:
            busy += self.busy_per_picture_ms * len(self.pictures)
        return busy

    def finish_action(self, action, arg):
        """The action's effect; returns "power-off" when the camera switches off."""
        self.actions_done.append((action, arg))
        picture = self.selected()
        if action == 0:
            if self.pictures and not self.pictures[-1].protect:
                self.pictures.pop()
        elif action == 1:
            self.pictures = [p for p in self.pictures if p.protect]
        elif action == 2:
            self.pictures.append(self.default_picture())
            self.pictures[-1].prepare()
        elif action == 3:
            source = self.preview
            data = source.data if source is not None else None
            self.pictures.append(self.new_picture(self.picture_size, self.thumbnail_size, data=data))
            self.pictures[-1].prepare()
        elif action == 4:
            return "power-off"
        elif action == 5:
            self.preview = self.new_picture(self.preview_size, self.thumbnail_size)
            self.preview.name = "PREVIEW.JPG"
            self.preview.prepare()
        elif action == 6:
            self.diag_runs += 1
            self.structures[49] = _words([arg, self.diag_runs], 12)
        elif action == 7:
            index = self.regs.get(4, 0)
            if 1 <= index <= len(self.pictures) and not self.pictures[index - 1].protect:
                del self.pictures[index - 1]
        elif action == 8:
            self.regs[34] = min(arg, 6)
        elif action == 9:
            if picture is not None:
                picture.protect = min(arg, 3)
        elif action == 11:
            data = self.upload.pop(29, None)
            if data is not None and self.regs.get(32) == UPLOAD_PICTURE_MARK:
                self.pictures.append(self.new_picture(len(data), self.thumbnail_size, data=data))
                self.pictures[-1].prepare()
            elif data is not None:
                self.firmware = {"size": len(data), "sha256": _sha(data), "diag_long": self.regs.get(32, 0)}
        elif action == 12:
            self.diag_lcd = arg
        elif action == 13:
            index = self.regs.get(56, 0)
            if 1 <= index <= len(self.opf):
                del self.opf[index - 1]
        elif action == 14:
            if picture is not None and picture is not self.preview:
                picture.audio = {"format": 0, "samples": self.record_samples}
                picture._audio = None
                picture.prepare()
        elif action == 16:
            folder = self.selected_folder
            self.pictures = [p for p in self.pictures if p.folder != folder]
            if len(self.folders) > 1:
                del self.folders[folder - 1]
                for p in self.pictures:
                    if p.folder > folder:
                        p.folder -= 1
                self.selected_folder = 1
        return None

    # ------------------------------------------------------------------ dumps

    def picture_report(self, index):
        if index == 0:
            if self.preview is None:
                return {"exists": False, "index": 0}
            out = self.preview.describe()
        elif 1 <= index <= len(self.pictures):
            out = self.pictures[index - 1].describe()
        else:
            return {"exists": False, "index": index}
        out.update({"exists": True, "index": index})
        return out

    def dump(self):
        registers = {}
        for reg in range(REGISTER_COUNT):
            value = self.read_register(reg)
            if value is not None:
                registers[str(reg)] = value
        objects = {}
        for reg, data in self.written.items():
            entry = {"size": len(data), "sha256": _sha(data)}
            if len(data) <= 4096:
                entry["hex"] = data.hex()
            objects[str(reg)] = entry
        return {
            "registers": registers,
            "written_objects": objects,
            "structures": {str(reg): self._structure(reg).hex() for reg in sorted(STRUCTURES)},
            "texts": {str(reg): text.decode("latin-1") for reg, text in sorted(self.texts.items())},
            "lcd_string": self.lcd_string.decode("latin-1"),
            "folders": list(self.folders),
            "selected_folder": self.selected_folder,
            "opf_count": len(self.opf),
            "lens": dict(self.lens),
            "pictures": [p.describe(full=False) | {"index": i + 1, "size": p.reported_size()}
                         for i, p in enumerate(self.pictures)],
            "preview": self.preview is not None,
            "firmware": self.firmware,
            "pending_upload": {str(r): len(d) for r, d in self.upload.items()},
            "actions_done": [list(a) for a in self.actions_done],
            "usb_ids": list(self.usb_ids),
        }
