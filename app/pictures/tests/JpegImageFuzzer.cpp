// Fuzz target of the JPEG input: any bytes as a picture from a camera or a
// file, decoded at 1/8 scale and in a small window, its EXIF block found and
// a lossless rotation made. Errors of the codec are expected; anything else
// (a crash, a sanitizer report, another exception) is a finding.
#include "app/pictures/JPEGImage.h"
#include "env/BrantelTakeError.h"

#include <cstddef>
#include <cstdint>

namespace {

template <typename Step> void tolerateCodecErrors(Step step) {
  try {
    step();
  } catch (const _brantel_take_error&) {
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CJPEGImage image;
  image.SetData(data, static_cast<DWORD>(size));
  tolerateCodecErrors([&] { image.Decode(1, 8); });
  tolerateCodecErrors([&] { image.DecodeRect(0, 0, 16, 16); });
  tolerateCodecErrors([&] {
    const BYTE* exif = nullptr;
    DWORD exifSize = 0;
    bool copied = false;
    image.GetExifBlock(&exif, &exifSize, &copied);
    if (copied)
      delete[] exif;
  });
  tolerateCodecErrors([&] { image.Rotate(1, false); });
  return 0;
}
