// What the stub camera-link library answers, set by the tests through its
// StubControl export.
#pragma once

enum class StubExport { None, Connect, CameraReady, GetPropFocusMode, GetPropOpticalZoom, Capture };
enum class StubThrow { None, Library, Win32, Foreign };

struct StubState {
  StubExport throwingExport = StubExport::None;
  StubThrow throwKind = StubThrow::None;
  int throwCode = 0;
  int connectResult = 0;
  int opens = 0;
  int closes = 0;
  int captures = 0;
  int focusMode = 1;
  int focusPosition = 0;
  int zoom = 28;
  // Added to the zoom after each reading: a lens that never settles.
  int zoomDrift = 0;
  // The lens ignores every move; the values sent, in order.
  int zoomSent[32] = {};
  int zoomSends = 0;
  int electricZoomSent = -1;
  int focusModeSent = -1;
  int pictureCount = 1;
  int currentPicture = -1;
  int pictureSize = 1000;
  int pictureResult = 1;
  int erased = 0;
};

using StubControlFunction = StubState* (*)();
