// A stand-in for the camera-link library with the few exports the camera
// object's tests need, one pretend camera, and controls (StubControl) that
// script what the exports answer. Built twice: with and without Capture.
#include "StubControl.h"

#include "vesklib/VeskDLL.h"

#include <cstring>
#include <iterator>
#include <stdexcept>

namespace {

StubState state;

// Throws what the test asked of the export `which`.
void maybeThrow(StubExport which) {
  if (state.throwingExport != which)
    return;
  switch (state.throwKind) {
  case StubThrow::Library:
    throw CVeskNVError("VESK_NAK1_RESPONSE", 0, state.throwCode);
  case StubThrow::Win32:
    throw CVeskNVError("DeviceIoControl", 1, state.throwCode);
  case StubThrow::Foreign:
    throw std::logic_error("not the library's error");
  case StubThrow::None:
    break;
  }
}

} // namespace

extern "C" {

// Setters that only answer the camera's status byte, and fixed readings.
#define STUB_SETTER(name)                                                                                    \
  int name(int, int) {                                                                                       \
    return 6;                                                                                                \
  }
#define STUB_READING(name, value)                                                                            \
  int name(int) {                                                                                            \
    return value;                                                                                            \
  }
STUB_SETTER(SetLcdMode)
STUB_SETTER(SetPropExpoBias)
STUB_SETTER(SetPropWhiteBalance)
STUB_SETTER(SetPropMetering)
STUB_SETTER(SetPropIsoSpeed)
STUB_READING(GetPropExpoBias, 0)
STUB_READING(GetPropWhiteBalance, 255)
STUB_READING(GetPropMetering, 4)
STUB_READING(GetPropIsoSpeed, 5)

__attribute__((visibility("default"))) StubState* StubControl() {
  return &state;
}

int InitControl() {
  return 0;
}

int GetPropCameraCount() {
  return 1;
}

int Connect(int) {
  maybeThrow(StubExport::Connect);
  if (state.connectResult == 0)
    ++state.opens;
  return state.connectResult;
}

int DisConnect(int) {
  ++state.closes;
  return 0;
}

const char* GetPropConnectCamera(int) {
  return "XC-STUB";
}

const char* GetPropCameraID(int) {
  return "stub camera";
}

int CameraReady(int) {
  maybeThrow(StubExport::CameraReady);
  return 1;
}

int GetPropFocusMode(int) {
  maybeThrow(StubExport::GetPropFocusMode);
  return state.focusMode;
}

int GetPropFocusPosition(int) {
  return state.focusPosition;
}

int GetPropOpticalZoom(int) {
  maybeThrow(StubExport::GetPropOpticalZoom);
  const int reading = state.zoom;
  state.zoom += state.zoomDrift;
  return reading;
}

int SetPropOpticalZoom(int, int value) {
  if (state.zoomSends < static_cast<int>(std::size(state.zoomSent)))
    state.zoomSent[state.zoomSends] = value;
  ++state.zoomSends;
  return 6;
}

int SetPropElectricZoom(int, int value) {
  state.electricZoomSent = value;
  return 6;
}

int SetPropFocusMode(int, int value) {
  state.focusModeSent = value;
  return 6;
}

int GetExposureProp3(int, int* mode, int* aperture, int* exposureTime) {
  *mode = 2;
  *aperture = 28;
  *exposureTime = 25000;
  return 1;
}

int SetExposureProp3(int, int, int, int) {
  return 6;
}

int SetCaptureProp(int, void*) {
  return 6;
}

#ifndef STUB_WITHOUT_CAPTURE
int Capture(int, bool, VESK_COMPLETION_CALLBACK, void*) {
  maybeThrow(StubExport::Capture);
  ++state.captures;
  return 0;
}
#endif

int GetPropPicCount(int) {
  return state.pictureCount;
}

int SetPropCurrentPicture(int, int index) {
  state.currentPicture = index;
  return 6;
}

int GetPropPicSize(int) {
  return state.pictureSize;
}

const char* GetPropFileName(int) {
  return "BR000001.JPG";
}

int GetPicture(int camera, int size, void* buffer, VESK_PROGRESS_CALLBACK progress, void* context) {
  std::memset(buffer, 0xAB, static_cast<std::size_t>(size));
  const VESK_PROGRESS done{static_cast<std::uint32_t>(size) / 2, 0};
  if (progress)
    progress(camera, &done, context);
  return state.pictureResult;
}

int GetPicTagProp(int, void* record) {
  std::memset(record, 0, VESK_PICTAG_PROP_SIZE);
  return 1;
}

int EraseLast(int) {
  ++state.erased;
  return 6;
}

} // extern "C"
