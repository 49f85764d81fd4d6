// The camera-link library's own error numbers (tagVESK_ERROR). Library errors
// reach callers as CVeskNVError(name, 0, number); the names are those of
// VeskErrorName. 22, 28 and 32 belong to transports that do not exist on
// this system: they keep their numbers but are never raised.
#pragma once

enum tagVESK_ERROR : int {
  VESK_CAMERA_BAD_RESPONSE = 13, // unexpected status byte, or a bad second reply of an action
  VESK_NAK1_RESPONSE = 14,       // the camera refused (NAK)
  VESK_DC1_RESPONSE = 15,        // the camera is not ready (DC1)
  VESK_BAD_CHECKSUM = 16,        // invalid, short or oversized reply, or a checksum mismatch
  VESK_ERROR_NO_TRANSPORT = 22,  // the system has no transport (never raised here)
  VESK_BAD_CAM_NO = 24,          // camera number not in the list
  VESK_NOT_CONNECTED = 26,       // camera not connected, or its device vanished
  VESK_ERROR_ASPI = 28,          // the legacy transport is missing (never raised here)
  VESK_ERROR_NOT_READY = 29,     // transport not initialised
  VESK_CAMERA_BUSY = 30,         // a command is already running for the camera
  VESK_ERROR_CANCELLED = 31,     // the camera cancelled a data transfer
  VESK_ERROR_ASPI_COMMAND = 32,  // a legacy-transport command failed (never raised here)
};
