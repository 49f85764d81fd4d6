"""One picture the camera stores: its JPEG, thumbnail and audio, made from
its parameters the first time they are needed, and the sizes it reports (which
the control channel may bend)."""

import hashlib

from . import pictures


def _sha(data):
    return hashlib.sha256(data).hexdigest()


class Picture:
    """One stored picture; its bytes are made by prepare() or when first needed."""

    def __init__(self, number, size, thumb_size, seed, info, audio=None, protect=0, folder=1,
                 data=None, thumb_prefix=b""):
        self.number = number
        self.name = "PICT%04d.%s" % (number % 10000, "TIF" if info.get("type") == "TIFF" else "JPG")
        self.wanted_size = size
        self.thumb_size = thumb_size
        self.seed = seed
        self.info = dict(info)
        self.audio = audio
        self.protect = protect
        self.folder = folder
        self.size_override = None
        self.thumb_override = None
        self.thumb_prefix = thumb_prefix
        self._data = data
        self._thumb = None
        self._audio = None
        self._digests = {}

    def prepare(self):
        """Makes every byte now, so no exchange later waits for the encoder."""
        self.data
        self.thumbnail
        self.audio_parts()

    def _digest(self, key, data):
        if key not in self._digests:
            self._digests[key] = _sha(data)
        return self._digests[key]

    @property
    def data(self):
        if self._data is None:
            if self.wanted_size == 0:
                self._data = b""
            else:
                info = dict(self.info)
                info.setdefault("index", self.number)
                make = pictures.make_tiff if info.get("type") == "TIFF" else pictures.make_jpeg
                self._data = make(self.wanted_size, info, self.seed)
        return self._data

    @property
    def thumbnail(self):
        if self._thumb is None:
            if self.thumb_size == 0:
                self._thumb = b""
            else:
                info = {"width": self.info.get("thumb_width", 32),
                        "height": self.info.get("thumb_height", 24)}
                wanted = 0 if self.thumb_size is None else max(0, self.thumb_size - len(self.thumb_prefix))
                body = pictures.make_jpeg(wanted, info, self.seed + 1, with_exif=False)
                self._thumb = self.thumb_prefix + body
        return self._thumb

    def audio_parts(self):
        """(stored bytes, decoded bytes, format) or None."""
        if self.audio is None:
            return None
        if self._audio is None:
            compressed = self.audio["format"] == 0
            stored, decoded = pictures.make_audio(self.audio["samples"], compressed, self.seed + 2)
            self._audio = (stored, decoded, self.audio["format"])
            self._digests.pop("stored", None)
            self._digests.pop("decoded", None)
        return self._audio

    def reported_size(self):
        return len(self.data) if self.size_override is None else self.size_override

    def reported_thumb_size(self):
        return len(self.thumbnail) if self.thumb_override is None else self.thumb_override

    def describe(self, full=True):
        out = {"number": self.number, "name": self.name, "folder": self.folder, "protect": self.protect,
               "type": self.info.get("type", "JPEG"), "width": self.info.get("width", 64),
               "height": self.info.get("height", 48)}
        if full:
            out.update({"size": len(self.data), "sha256": self._digest("data", self.data),
                        "thumbnail_size": len(self.thumbnail),
                        "thumbnail_sha256": self._digest("thumbnail", self.thumbnail)})
            parts = self.audio_parts()
            if parts:
                stored, decoded, fmt = parts
                out["audio"] = {"format": fmt, "stored_size": len(stored), "decoded_size": len(decoded),
                                "sha256": self._digest("stored", stored),
                                "decoded_sha256": self._digest("decoded", decoded)}
        return out
