"""What one camera model can do beyond the register ranges: the pictures
each resolution value gives, the register values it takes, the ones it
quietly replaces, and the apertures its lens has. Built-in models are config
files in ../models, named by the config key "model" (or --model)."""

import json
import os
import struct

from .registers import RANGES
from .values import bounded as _bounded
from .values import number as _number

MODELS_DIR = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "models")

PICTURE_TYPES = ("JPEG", "TIFF")
# Keys whose values are objects: a config merges them into the model's key by key.
_MERGED_KEYS = ("registers", "texts", "structures", "busy_ms", "usb", "lens", "accepted", "clamped")
# Exposure programs that fix the aperture: manual and aperture priority.
_APERTURE_PROGRAMS = (1, 3)
MAX_SIDE = 4096


def model_names():
    try:
        return sorted(name[:-5] for name in os.listdir(MODELS_DIR) if name.endswith(".json"))
    except OSError:
        return []


def with_model(config):
    """The config with the built-in model it names underneath it."""
    name = config.get("model")
    if name is None:
        return config
    if name not in model_names():
        raise ValueError("config: unknown model %r (models: %s)" % (name, ", ".join(model_names())))
    with open(os.path.join(MODELS_DIR, name + ".json"), "r", encoding="utf-8") as handle:
        merged = json.load(handle)
    for key, value in config.items():
        if key == "model":
            continue
        if key in _MERGED_KEYS and isinstance(value, dict) and isinstance(merged.get(key), dict):
            merged[key] = dict(merged[key], **value)
        else:
            merged[key] = value
    return merged


def _register_value(reg, value, what):
    low, high = RANGES.get(reg, (0, 0))
    return _bounded(value, what, low, high)


def _register_key(key, what):
    reg = _number(key, what)
    if reg == 17 or reg not in RANGES:
        raise ValueError("config: %s: register %d takes no model rule" % (what, reg))
    return reg


class CameraModel:
    """The model's rules; without any of the keys the camera takes every value in range."""

    def __init__(self, resolutions=None, accepted=None, clamped=None, apertures=None, max_data=1 << 28):
        self.resolutions = {}
        for key, entry in (resolutions or {}).items():
            value = _register_value(1, key, "resolutions key")
            self.resolutions[value] = self._resolution(value, entry, max_data)
        self.accepted = {}
        for key, values in (accepted or {}).items():
            reg = _register_key(key, "accepted")
            if not isinstance(values, list):
                raise ValueError("config: accepted %s must be a list" % key)
            self.accepted[reg] = {_register_value(reg, v, "accepted %d" % reg) for v in values}
        if self.resolutions and 1 not in self.accepted:
            self.accepted[1] = set(self.resolutions)
        self.clamped = {}
        for key, pairs in (clamped or {}).items():
            reg = _register_key(key, "clamped")
            if not isinstance(pairs, dict):
                raise ValueError("config: clamped %s must be an object" % key)
            self.clamped[reg] = {_register_value(reg, k, "clamped %d key" % reg):
                                 _register_value(reg, v, "clamped %d" % reg) for k, v in pairs.items()}
        if apertures is not None and (not isinstance(apertures, list) or not apertures):
            raise ValueError("config: apertures must be a non-empty list")
        self.apertures = sorted({_bounded(v, "aperture", 10, 999) for v in apertures}) if apertures else None

    @staticmethod
    def _resolution(value, entry, max_data):
        what = "resolution %d" % value
        if not isinstance(entry, dict) or set(entry) - {"type", "width", "height", "size"}:
            raise ValueError("config: %s must be an object of type, width, height, size" % what)
        kind = entry.get("type", "JPEG")
        if kind not in PICTURE_TYPES:
            raise ValueError("config: %s: type must be one of %s" % (what, ", ".join(PICTURE_TYPES)))
        # No size: the picture's natural size.
        return {"type": kind, "width": _bounded(entry.get("width"), what + " width", 8, MAX_SIDE),
                "height": _bounded(entry.get("height"), what + " height", 8, MAX_SIDE),
                "size": _bounded(entry.get("size", 1), what + " size", 1, max_data)}

    def stored_value(self, reg, value):
        """What a register holds after the host wrote `value`, or None when
        the camera refuses it (DC1)."""
        if reg in self.accepted and value not in self.accepted[reg]:
            return None
        return self.clamped.get(reg, {}).get(value, value)

    def exposure_block(self, data):
        """An uploaded exposure block with the aperture the lens can set,
        where the program fixes it: the nearest one (the smaller on a tie)."""
        if self.apertures is None or len(data) < 8:
            return data
        program, aperture = struct.unpack_from("<iI", data)
        if program not in _APERTURE_PROGRAMS:
            return data
        nearest = min(self.apertures, key=lambda a: (abs(a - aperture), a))
        return data[:4] + struct.pack("<I", nearest) + data[8:]

    def resolution(self, value):
        """The picture a resolution value gives ({type, width, height, size}), or None."""
        return self.resolutions.get(value)
