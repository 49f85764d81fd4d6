// The ids of the program's string table, named once: the table
// (ResourceStrings.cpp), the windows, the dialogs and the camera host use
// these names, never bare numbers.
#pragma once

#include "hostapi/Win32Types.h"

namespace tarsel::core::ids {

inline constexpr UINT IDS_TARSEL = 128;
inline constexpr UINT IDS_CONNECT_TIME_WARNING = 130;
inline constexpr UINT IDS_DELETE_SERIES = 131;
inline constexpr UINT IDS_DELETE_PICTURE = 132;
inline constexpr UINT IDS_CAPABILITIES_UNKNOWN = 144;
inline constexpr UINT IDS_BYPASS_MEDIA_CONFLICT = 148;
inline constexpr UINT IDS_SELECT_CAMERA_MODELS = 149;
inline constexpr UINT IDS_DOWNLOAD_WITH_FILE_MANAGER = 150;
inline constexpr UINT IDS_UNSUPPORTED = 151;
inline constexpr UINT IDS_NOT_AVAILABLE = 152;
inline constexpr UINT IDS_AUTO = 153;
inline constexpr UINT IDS_DRIVER_REFRESH_FAILED = 154;
inline constexpr UINT IDS_ADD_CAMERA_STEPS = 155;
inline constexpr UINT IDS_THIS_COMPUTER = 156;
inline constexpr UINT IDS_LOGON_FAILED_STEPS = 157;
inline constexpr UINT IDS_LOGON_FAILED = 158;
inline constexpr UINT IDS_CAMERA_REFRESH_SUCCEEDED = 159;
inline constexpr UINT IDS_DRIVER_CONFIGURATION_MISSING = 160;
inline constexpr UINT IDS_NOT_ADMINISTRATOR = 161;
inline constexpr UINT IDS_DOWNLOAD_ALL_PICTURES = 32826;
inline constexpr UINT IDS_TAKING_PICTURE = 32840;
inline constexpr UINT IDS_DOWNLOADING_PICTURE = 32841;
inline constexpr UINT IDS_DECOMPRESSING = 32842;
inline constexpr UINT IDS_ROTATING = 32843;
inline constexpr UINT IDS_CAMERA_DISCONNECTED = 32844;
inline constexpr UINT IDS_BATTERY_PERCENT = 32845;
inline constexpr UINT IDS_BATTERY_OK = 32846;
inline constexpr UINT IDS_BATTERY_WEAK = 32847;
inline constexpr UINT IDS_BATTERY_LOW = 32848;
inline constexpr UINT IDS_BATTERY_VERY_LOW = 32849;
inline constexpr UINT IDS_BATTERY_UNKNOWN = 32850;
inline constexpr UINT IDS_BATTERY_LEVEL_LOW_WARNING = 32851;
inline constexpr UINT IDS_BATTERY_LEVEL_VERY_LOW_WARNING = 32852;
inline constexpr UINT IDS_READY = 57345;
inline constexpr UINT IDS_ERROR = 61225;
inline constexpr UINT IDS_CONNECTING = 61226;
inline constexpr UINT IDS_CHECKING_CAMERAS = 61227;
inline constexpr UINT IDS_NO_CAMERA = 61230;
inline constexpr UINT IDS_TAKING_PICTURES = 61233;
inline constexpr UINT IDS_INTERVAL_TOO_SHORT = 61236;
inline constexpr UINT IDS_START = 61237;
inline constexpr UINT IDS_CANCEL = 61238;
inline constexpr UINT IDS_STOP = 61239;
inline constexpr UINT IDS_PAUSE = 61240;
inline constexpr UINT IDS_CONTINUE = 61241;
inline constexpr UINT IDS_NEXT_PICTURE = 61242;
inline constexpr UINT IDS_SECONDS_BEFORE_PICTURE = 61243;
inline constexpr UINT IDS_PAUSED = 61245;
inline constexpr UINT IDS_ADVANCED_SETTINGS = 61246;
inline constexpr UINT IDS_FOCUS_SAMPLES = 61248;
inline constexpr UINT IDS_UNKNOWN = 61249;
inline constexpr UINT IDS_OPTIONS = 61251;
inline constexpr UINT IDS_SELECT_SAVE_FOLDER = 61252;
inline constexpr UINT IDS_PROTECTED_PICTURES = 61253;
inline constexpr UINT IDS_NO_PICTURES_IN_CAMERA = 61254;
inline constexpr UINT IDS_CREATE_TARGET_FOLDER = 61255;
inline constexpr UINT IDS_CANNOT_CREATE_FOLDER = 61256;
inline constexpr UINT IDS_EQUAL_INTERVALS = 61257;
inline constexpr UINT IDS_CUSTOM_INTERVALS = 61258;
inline constexpr UINT IDS_NO_TIMES_DUE = 61259;
inline constexpr UINT IDS_NO_SAVERS = 61260;
inline constexpr UINT IDS_CANNOT_OPEN_FILE = 61261;
inline constexpr UINT IDS_PICTURE_OF = 61263;
inline constexpr UINT IDS_LOADING = 61264;
inline constexpr UINT IDS_CAMERA_COUNT = 61265;
inline constexpr UINT IDS_SAVE_QUEUE = 61266;
inline constexpr UINT IDS_CANNOT_SAVE_PARAMETERS = 61267;
inline constexpr UINT IDS_BATTERY_PERCENT_WARNING = 61268;
inline constexpr UINT IDS_FILE_EXISTS = 61269;
inline constexpr UINT IDS_CANNOT_CREATE_FILE = 61270;
inline constexpr UINT IDS_ERROR_WRITING_FILE = 61271;
inline constexpr UINT IDS_TEST_COMPLETED = 61272;
inline constexpr UINT IDS_COMPLETED_SUCCESSFULLY = 61273;
inline constexpr UINT IDS_TEST_CANCELLED = 61274;
inline constexpr UINT IDS_CANCELLED = 61275;
inline constexpr UINT IDS_CLOSE = 61276;
inline constexpr UINT IDS_DETECTION_TAKES_LONG = 61277;
inline constexpr UINT IDS_SAVE_BEFORE_EXIT = 61278;
inline constexpr UINT IDS_STILL_SAVING = 61279;
inline constexpr UINT IDS_UNKNOWN_IMAGE_TYPE = 61280;
inline constexpr UINT IDS_CAPTURE_PROFILE_FILES = 61281;
inline constexpr UINT IDS_NO_MEDIA = 61282;
inline constexpr UINT IDS_LCD_AND_PREVIEW = 61283;
inline constexpr UINT IDS_NO_NEW_CAMERA_MODELS = 61287;
inline constexpr UINT IDS_ERROR_COUNT = 61297;
inline constexpr UINT IDS_DONE = 61298;
inline constexpr UINT IDS_SWITCHING_TO_LCD_CAMERA = 61303;
inline constexpr UINT IDS_PICTURE_MAY_BE_SAVED = 61304;
inline constexpr UINT IDS_PARSING_FAILED = 61305;
inline constexpr UINT IDS_PANEL_SOURCE = 61306;
inline constexpr UINT IDS_PANEL_ERROR = 61307;
inline constexpr UINT IDS_PANEL_NOTE = 61308;
inline constexpr UINT IDS_RAW_IMAGE = 61309;

} // namespace tarsel::core::ids
