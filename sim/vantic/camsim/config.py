"""The config file (--config): registers' initial values, pictures and their
sizes, thumbnails, audio, busy times, USB ids, texts, structures, folders, the
lens, the model's rules (or a built-in model underneath). Unknown keys and
malformed values are refused with a reason."""

import struct

from .model import CameraModel, with_model
from .registers import REGISTER_COUNT, STRUCTURES, TEXTS, U32
from .values import bounded as _bounded
from .values import number as _number


def words(values, count):
    """`count` little-endian 32-bit words, zero-filled."""
    values = [v & 0xFFFFFFFF for v in values][:count]
    values += [0] * (count - len(values))
    return struct.pack("<%dI" % count, *values)


def _fixed(raw, size):
    return bytes(raw[:size]).ljust(size, b"\0")


MAX_DATA = 256 * 1024 * 1024
MAX_PICTURES = 10000


def _mapping(config, key):
    value = config.get(key, {})
    if not isinstance(value, dict):
        raise ValueError("config: %s must be an object" % key)
    return value


def configure(camera, config):
    """Applies a parsed config file to a fresh camera; ValueError names what is wrong."""
    if not isinstance(config, dict):
        raise ValueError("config: expected a JSON object")
    config = with_model(config)
    known = {"registers", "pictures", "picture_count", "picture_size", "thumbnail_size",
             "picture_width", "picture_height", "preview_size", "capacity", "busy_ms",
             "busy_per_picture_ms", "usb", "texts", "structures", "folders", "thumbnail_prefix",
             "lens", "record_audio_samples", "opf", "resolutions", "accepted", "clamped", "apertures"}
    unknown = set(config) - known
    if unknown:
        raise ValueError("config: unknown keys %s" % ", ".join(sorted(unknown)))
    for reg, value in _mapping(config, "registers").items():
        reg = _bounded(reg, "registers key", 0, REGISTER_COUNT - 1)
        value = _number(value, "register %d" % reg) & U32
        if reg == 2:
            camera.clock_base = value
        else:
            camera.regs[reg] = value
    camera.model = CameraModel(_mapping(config, "resolutions"), _mapping(config, "accepted"),
                               _mapping(config, "clamped"), config.get("apertures"), MAX_DATA)
    camera.picture_size = _bounded(config.get("picture_size", camera.picture_size), "picture_size", 0, MAX_DATA)
    if config.get("thumbnail_size") is not None:
        camera.thumbnail_size = _bounded(config["thumbnail_size"], "thumbnail_size", 0, MAX_DATA)
    camera.picture_info["width"] = _bounded(config.get("picture_width", 64), "picture_width", 8, 1024)
    camera.picture_info["height"] = _bounded(config.get("picture_height", 48), "picture_height", 8, 1024)
    camera.preview_size = _bounded(config.get("preview_size", camera.preview_size), "preview_size", 0, MAX_DATA)
    camera.capacity = _bounded(config.get("capacity", camera.capacity), "capacity", 0, MAX_PICTURES)
    camera.record_samples = _bounded(config.get("record_audio_samples", camera.record_samples),
                                     "record_audio_samples", 2, 8 * 1024 * 1024)
    prefix = config.get("thumbnail_prefix", "")
    try:
        camera.thumb_prefix = bytes.fromhex(prefix)
    except (ValueError, TypeError):
        raise ValueError("config: thumbnail_prefix must be hex") from None
    for key, value in _mapping(config, "busy_ms").items():
        action = _bounded(key, "busy_ms key", 0, 255)
        camera.busy_ms[action] = _bounded(value, "busy_ms %s" % key, 0, 3600 * 1000)
    camera.busy_per_picture_ms = _bounded(config.get("busy_per_picture_ms", camera.busy_per_picture_ms),
                                          "busy_per_picture_ms", 0, 60 * 1000)
    usb = _mapping(config, "usb")
    camera.usb_ids = (_bounded(usb.get("vendor_id", camera.usb_ids[0]), "usb.vendor_id", 0, 0xFFFF),
                      _bounded(usb.get("product_id", camera.usb_ids[1]), "usb.product_id", 0, 0xFFFF))
    for reg, text in _mapping(config, "texts").items():
        reg = _number(reg, "texts key")
        if reg not in TEXTS:
            raise ValueError("config: register %d holds no text" % reg)
        camera.texts[reg] = str(text).encode("latin-1", "replace")
    for reg, raw in _mapping(config, "structures").items():
        reg = _number(reg, "structures key")
        if reg not in STRUCTURES:
            raise ValueError("config: register %d is no structure" % reg)
        try:
            data = bytes.fromhex(raw) if isinstance(raw, str) else words(raw, STRUCTURES[reg] // 4)
        except (ValueError, TypeError):
            raise ValueError("config: structure %d must be hex or a list of words" % reg) from None
        camera.structures[reg] = data[:2048] if reg == 21 else _fixed(data, STRUCTURES[reg])
    folders = config.get("folders")
    if folders is not None:
        if not isinstance(folders, list) or not folders or not all(isinstance(f, str) for f in folders):
            raise ValueError("config: folders must be a list of names")
        camera.folders = list(folders)
    lens = _mapping(config, "lens")
    for key in ("min", "max", "step", "position"):
        if key in lens:
            camera.lens[key] = _bounded(lens[key], "lens.%s" % key, 0, 100000)
    camera.lens["position"] = max(camera.lens["min"], min(camera.lens["max"], camera.lens["position"]))
    opf = config.get("opf", [])
    if not isinstance(opf, list):
        raise ValueError("config: opf must be a list")
    for entry in opf:
        camera.opf.append({"data": str(entry).encode("latin-1", "replace")})
    entries = config.get("pictures")
    if entries is None:
        entries = [{}] * _bounded(config.get("picture_count", 3), "picture_count", 0, MAX_PICTURES)
    if not isinstance(entries, list) or len(entries) > MAX_PICTURES:
        raise ValueError("config: pictures must be a list of at most %d" % MAX_PICTURES)
    for entry in entries:
        camera.pictures.append(_picture_from(camera, entry))


def _picture_from(camera, entry):
    if not isinstance(entry, dict):
        raise ValueError("config: each picture is an object")
    size, info = camera.shot_format()
    size = _bounded(entry.get("size", size), "picture size", 0, MAX_DATA)
    thumb = entry.get("thumbnail_size", camera.thumbnail_size)
    if thumb is not None:
        thumb = _bounded(thumb, "thumbnail size", 0, MAX_DATA)
    audio = entry.get("audio")
    if audio is not None:
        if audio is True:
            audio = {}
        if not isinstance(audio, dict):
            raise ValueError("config: audio must be true or an object")
        fmt = _bounded(audio.get("format", 0), "audio format", 0, 1)
        samples = _bounded(audio.get("samples", 8000), "audio samples", 2, 8 * 1024 * 1024)
        audio = {"format": fmt, "samples": samples - samples % 2}
    for key in ("width", "height"):
        if key in entry:
            info[key] = _bounded(entry[key], "picture %s" % key, 8, 1024)
    protect = _bounded(entry.get("protect", 0), "protect", 0, 3)
    folder = _bounded(entry.get("folder", 1), "folder", 1, len(camera.folders))
    return camera.new_picture(size, thumb, info, audio, protect, folder)
