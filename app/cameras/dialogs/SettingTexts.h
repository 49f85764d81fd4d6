// The number texts the camera dialogs show beside their sliders.
#pragma once

#include <QString>

#include <cstdio>

namespace tarsel::dialogs {

// A zoom factor as "2.5".
inline QString ZoomFactorText(double factor) {
  char text[32] = {};
  std::snprintf(text, sizeof text, "%#3.1f", factor);
  return QString::fromLatin1(text);
}

// A slider's value, right-aligned in three places.
inline QString SliderValueText(int value) {
  return QString::asprintf("%3d", value);
}

} // namespace tarsel::dialogs
