// Fuzz target of the JPEG input: any bytes as a picture from a camera or a
// file, decoded at every scale the viewers use (1:1 as the preview does, 1/2,
// 1/4, 1/8) and in a small window, its EXIF block found and a lossless
// rotation made. Errors of the codec are expected; anything else (a crash, a
// sanitizer report, another exception) is a finding, and so is a decoded
// bitmap whose size is not the header's scaled as asked or whose block is
// not exactly its rows, or a bitmap left behind by a decode that failed. Pictures that declare more than 32 K
// pixels are only searched for EXIF: a few bytes declaring a huge frame
// would keep the decoder busy with nothing to find. Only frames of up to
// 16 K pixels are decoded at 1:1 and turned: the full decode writes every
// pixel and the rotation touches every coefficient, which costs the fuzzer
// most of its time on larger frames, while the scaled decodes run the same
// entropy decoding over them at a fraction of the output; a larger frame has
// no other edges to turn.
#include "app/pictures/JPEGImage.h"
#include "app/pictures/JpegError.h"
#include "app/pictures/tests/PictureFuzzing.h"
#include "platform/Win32Error.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

using namespace tarsel::pictures::fuzzing;

namespace {

constexpr std::uint64_t kMaxFullPixels = 1 << 14;

// The largest frame any start-of-frame marker in the bytes declares (the
// decoder skips junk before a marker, so every place that looks like one
// counts), in pixels.
std::uint64_t largestDeclaredFrame(const std::uint8_t* data, std::size_t size) {
  std::uint64_t largest = 0;
  for (std::size_t i = 0; i + 8 < size; ++i) {
    const std::uint8_t marker = data[i + 1];
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (data[i] != 0xFF || !frame)
      continue;
    const std::uint64_t height = std::uint64_t{data[i + 5]} << 8 | data[i + 6];
    const std::uint64_t width = std::uint64_t{data[i + 7]} << 8 | data[i + 8];
    largest = std::max(largest, width * height);
  }
  return largest;
}

bool isJpegError(HRESULT code) {
  return code == ERROR_NOT_ENOUGH_MEMORY || (static_cast<std::uint32_t>(code) & 0xFFFF0000u) ==
                                                static_cast<std::uint32_t>(_JPEG_Error::kFacilityBits);
}

// Decodes the whole picture at 1/`denominator`: a success leaves a bitmap of
// the header's size divided by it, rounded up; a failure leaves none.
void decodeAtScale(CJPEGImage& image, DWORD denominator) {
  const bool decoded = tolerateCodecErrors([&] { image.Decode(1, denominator); });
  const DWORD width = image.GetPictureWidth();
  const DWORD height = image.GetPictureHeight();
  check(!decoded || (width != 0 && height != 0));
  checkDecoded(image, decoded, (width + denominator - 1) / denominator,
               (height + denominator - 1) / denominator, isJpegError);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CJPEGImage image;
  image.SetData(data, static_cast<DWORD>(size));
  // Failures are thrown on, so a failed decode is told from a good one.
  image.SetImageFlag(1);
  const std::uint64_t frame = largestDeclaredFrame(data, size);
  const bool decode = frame <= kMaxDecodedPixels;
  if (decode) {
    if (frame <= kMaxFullPixels)
      decodeAtScale(image, 1);
    for (const DWORD denominator : {2u, 4u, 8u})
      decodeAtScale(image, denominator);
    tolerateCodecErrors([&] { image.DecodeRect(0, 0, 16, 16); });
  }
  tolerateCodecErrors([&] {
    const BYTE* exif = nullptr;
    DWORD exifSize = 0;
    bool copied = false;
    image.GetExifBlock(&exif, &exifSize, &copied);
    if (copied)
      delete[] exif;
  });
  if (frame <= kMaxFullPixels)
    tolerateCodecErrors([&] { image.Rotate(1, false); });
  return 0;
}
