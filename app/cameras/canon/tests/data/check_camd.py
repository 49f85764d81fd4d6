#!/usr/bin/env python3
"""Reads a Canon camera-model description with an INI reader of its own and
checks the sections and values the family writes and reads back."""
import configparser
import sys

ini = configparser.ConfigParser(interpolation=None, delimiters=("=",))
ini.optionxform = str  # keys as written
with open(sys.argv[1], encoding="ascii", newline="") as f:
    ini.read_file(f)

sets = ["ProgramMode", "ISOSpeed", "FlashMode", "WhiteBalance", "MeteringMode",
        "ExposureTime", "Aperture", "ExposureBias", "DigitalZoom", "AF Distance"]
for name in sets:
    assert ini.has_section(name), name
    assert all(key.lstrip("-").isdigit() for key in ini[name]), name
    assert ini[name + "Range"]["Min"] == "-1", name
assert "ProgamMode" not in ini, "the look-up name is not a section"
assert ini["ProgramMode"]["3"] == "Av"
assert ini["ExposureTime"]["120"] == '1/250"'
assert ini["ExposureBias"]["24"] == "0.0"  # the reader strips the leading blank
assert ini["DigitalZoom"]["1"] == "x 1.25"

fields = ini["Resolution"]["0"].split(",")
assert fields[:4] == ["0", "3", "640", "480"] and fields[4] == "640x480 Fine", fields

for key, position, focal in (("Min", 0, 5.8), ("Max", 8, 17.4)):
    text_position, text_focal = ini["OpticalZoomRange"][key].split(",")
    assert int(text_position) == position and abs(float(text_focal) - focal) < 1e-9, key
assert int(ini["FocusParams"]["SupportedFocusModes"]) == 8
print("ok")
