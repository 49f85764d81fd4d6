"""The camera's register map: ranges, which registers the host may write,
which are objects and how large, default values and busy times."""

U32 = 0xFFFFFFFF

# (minimum, maximum) of every register that has a range; the others are 0..0.
RANGES = {
    0: (0, 4), 1: (0, 50), 2: (0, 0x7FFFFFFF), 3: (0, 0x23C34600), 4: (0, U32), 6: (0, 2),
    7: (0, 4), 8: (0, 0x7FFFFFFF), 9: (0, 0x7FFFFFFF), 10: (0, U32), 11: (0, U32),
    12: (0, 0x7FFFFFFF), 13: (0, 0x7FFFFFFF), 16: (0, 100), 18: (0, 1), 19: (0, 4), 20: (0, 255),
    23: (0, 3600), 24: (0, 3600), 28: (0, 0x21C00000), 30: (0, 2), 32: (0, U32), 33: (0, 3),
    34: (0, 6), 35: (0, 7), 36: (0, 7), 38: (0, 3600), 39: (0, 3), 40: (0, U32), 41: (0, 4),
    42: (0, 2), 50: (0, 1), 51: (0, 2), 52: (0, 255), 53: (0, 10), 54: (0, 600), 55: (0, 256),
    56: (0, 256), 59: (0, U32), 65: (0, 0x7FFFFFFF), 68: (0, 2), 70: (2, 5), 72: (0, 65535),
    75: (0, 255), 77: (0, 4096), 78: (0, 30000), 82: (6, 120), 83: (0, U32), 85: (0, 1600),
    86: (0, 3000), 89: (0, 1), 90: (0, U32), 93: (0, U32), 103: (0, U32), 105: (0, U32),
    108: (0, 1),
}

REGISTER_COUNT = 110

# Registers the host may write with op 0 (17 only with the letter 'S').
WRITABLE = frozenset([0, 1, 2, 3, 4, 6, 7, 8, 9, 17, 19, 20, 23, 24, 30, 32, 33, 35, 36, 38, 40,
                      41, 42, 50, 51, 52, 53, 54, 56, 68, 70, 72, 76, 77, 78, 82, 83, 85, 86, 89,
                      103, 108, 109])

# Registers that are objects (read with op 4/6, written with op 3/5).
OBJECTS = frozenset([5, 14, 15, 21, 22, 25, 26, 27, 29, 31, 37, 43, 44, 45, 46, 47, 48, 49, 57,
                     58, 60, 61, 67, 69, 71, 73, 74, 79, 80, 81, 84, 87, 88, 91, 102, 107])

# Objects the host may write, with the most bytes the camera takes.
OBJECT_LIMITS = {5: 8, 21: 2048, 22: 31, 29: 0xA00000, 31: 2048, 37: 31, 58: 0x200000,
                 61: 48, 69: 8, 71: 8, 84: 31, 87: 32, 102: 20}

# Word structures kept as stored bytes: register -> size.
STRUCTURES = {5: 8, 21: 768, 31: 400, 45: 32, 49: 48, 60: 40, 61: 48, 69: 8, 80: 32, 81: 32,
              87: 32, 88: 32, 102: 20, 107: 8}

# Fixed-size texts: register -> size sent.
TEXTS = {22: 32, 25: 32, 26: 32, 27: 64, 48: 32}

UPLOAD_PICTURE_MARK = 0x0FEC000E

ACTION_NAMES = {0: "erase_last", 1: "erase_all", 2: "take_pic", 3: "store_pic", 4: "pwr_off",
                5: "take_preview", 6: "execute_diag", 7: "erase_select", 8: "control_lcd",
                9: "protect_picture", 11: "write_loaded_data", 12: "diag_lcd_disp",
                13: "erase_opf", 14: "record_audio", 16: "erase_folder"}

# The camera's own busy times in ms (before --time-scale).
DEFAULT_BUSY_MS = {0: 300, 1: 200, 2: 1500, 3: 800, 4: 300, 5: 500, 6: 800, 7: 300, 8: 100,
                   9: 100, 11: 1000, 12: 100, 13: 200, 14: 2000, 16: 300}

DEFAULT_REGISTERS = {0: 1, 1: 2, 3: 0, 6: 0, 7: 0, 8: 100, 9: 100, 16: 80, 18: 1, 19: 0,
                     20: 0, 23: 120, 24: 300, 30: 0, 32: 0, 33: 1, 34: 1, 35: 4, 36: 4, 38: 60,
                     40: 0, 41: 0, 42: 0, 50: 0, 51: 0, 52: 0, 53: 0, 54: 120, 56: 0, 65: 0,
                     68: 1, 70: 2, 72: 0, 75: 0, 77: 2048, 78: 0, 82: 60, 85: 100, 86: 0,
                     89: 0, 90: 0, 93: 0, 103: 0, 105: 0, 108: 0}

DEFAULT_TEXTS = {22: "SIMCAM", 25: "SN00012345", 26: "1.00", 27: "VC320", 48: "Simulated Camera"}
