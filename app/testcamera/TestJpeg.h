// Small valid JPEG files for the fakes and the tests, made with Qt's JPEG
// writer: a colour gradient of width x height that `seed` shifts, so that
// pictures of one camera differ.
#pragma once

#include "hostapi/Win32Types.h"

#include <vector>

namespace tarsel::testcamera {

// Throws _brantel_take_error(E_FAIL) when the writer fails.
std::vector<BYTE> makeTestJpeg(int width, int height, unsigned seed);

} // namespace tarsel::testcamera
