#include "app/pictures/JPEGImage.h"

#include "app/pictures/JpegDecompressor.h"
#include "app/pictures/JpegError.h"
#include "app/pictures/JpegLosslessRotation.h"
#include "platform/Win32Error.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <vector>
// The library's headers need <cstdio> first.
#include <jpeglib.h>
#include <turbojpeg.h>

namespace {

using tarsel::pictures::JpegDecompressor;

[[noreturn]] void throwOutOfMemory() {
  ThrowError(ERROR_NOT_ENOUGH_MEMORY, JpegErrorExplanation());
}

// Refuses a bitmap that the picture class would not hold, before the library
// allocates for it; the sizes are those of the picture's header.
void checkBitmapSize(std::uint64_t width, std::uint64_t height) {
  const std::uint64_t stride = (width * 3 + 3) & ~std::uint64_t{3};
  if (width == 0 || height == 0 || stride * height + CDibBuffer::kHeaderSize + 4 > CDibBuffer::kMaxBlockSize)
    throwOutOfMemory();
}

// Makes the empty bitmap `bitmap` width x height; a failure is error 8 with
// the picture explanation.
void createBitmap(CDibBuffer& bitmap, std::uint64_t width, std::uint64_t height) {
  checkBitmapSize(width, height);
  try {
    bitmap.Create(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));
  } catch (const _brantel_take_error&) {
    throwOutOfMemory();
  }
}

struct TransformHandle {
  tjhandle handle = tjInitTransform();
  ~TransformHandle() {
    if (handle)
      tjDestroy(handle);
  }
  TransformHandle() = default;
  TransformHandle(const TransformHandle&) = delete;
  TransformHandle& operator=(const TransformHandle&) = delete;
};

struct TransformOutput {
  unsigned char* bytes = nullptr;
  unsigned long size = 0;
  ~TransformOutput() { tjFree(bytes); }
  TransformOutput() = default;
  TransformOutput(const TransformOutput&) = delete;
  TransformOutput& operator=(const TransformOutput&) = delete;
};

// TurboJPEG's transformer takes only the samplings it has a name for (4:4:4,
// 4:2:2, 4:2:0, 4:4:0, 4:1:1, grey), and its header reader fails for the
// others: called once the library has read the header, a failure here is
// the sampling.
bool transformerKnowsSampling(tjhandle handle, const BYTE* data, DWORD size) {
  int width = 0;
  int height = 0;
  int sampling = 0;
  int colourSpace = 0;
  return tjDecompressHeader3(handle, data, size, &width, &height, &sampling, &colourSpace) == 0;
}

} // namespace

// The image's own decoder, kept for the image's life.
struct CJPEGImage::Decoder : JpegDecompressor {};

CJPEGImage::CJPEGImage() {
  // The library fails only for want of memory here.
  try {
    m_decoder = std::make_unique<Decoder>();
  } catch (const _JPEG_Error&) {
    ThrowError(ERROR_NOT_ENOUGH_MEMORY);
  } catch (const std::bad_alloc&) {
    ThrowError(ERROR_NOT_ENOUGH_MEMORY);
  }
}

CJPEGImage::~CJPEGImage() {
  try {
    FreeImageData();
  } catch (...) {
  }
}

void CJPEGImage::ResetDecoder() noexcept {
  // Back to the start state, whatever state the failure left it in.
  jpeg_abort_decompress(&m_decoder->info);
}

void CJPEGImage::StartReading() {
  Decoder& decoder = *m_decoder;
  decoder.Attach(GetData(), GetDataSize());
  jpeg_read_header(&decoder.info, TRUE);
  // Rows go straight into the bitmap: blue, green, red, grey-scale included.
  decoder.info.out_color_space = JCS_EXT_BGR;
}

void CJPEGImage::Decode(DWORD scaleNumerator, DWORD scaleDenominator) {
  try {
    DecodeWhole(scaleNumerator, scaleDenominator);
  } catch (...) {
    ResetDecoder();
    DestroyBitmap();
    KeepFailure(std::current_exception());
  }
}

void CJPEGImage::DecodeWhole(DWORD scaleNumerator, DWORD scaleDenominator) {
  if (scaleNumerator == 0 || scaleDenominator == 0)
    ThrowJpegBadParameter();
  jpeg_decompress_struct& info = m_decoder->info;
  StartReading();
  info.scale_num = scaleNumerator;
  info.scale_denom = scaleDenominator;
  jpeg_calc_output_dimensions(&info);
  checkBitmapSize(info.output_width, info.output_height);
  jpeg_start_decompress(&info);
  if (info.output_components != 3)
    ThrowJpegBadParameter();

  DestroyBitmap();
  CDibBuffer& bitmap = NewBitmap();
  createBitmap(bitmap, info.output_width, info.output_height);
  // Each row is at most the stride (width x 3 rounded up), whatever the scale.
  const std::size_t height = info.output_height;
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = bitmap.Rows() + (height - 1 - info.output_scanline) * std::size_t{bitmap.Stride()};
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  if (m_decoder->source.RanOut())
    ++m_truncationWarnings;
  SetScale(scaleNumerator, scaleDenominator);
}

void CJPEGImage::DecodeRect(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
  try {
    DecodeWindow(x, y, width, height);
  } catch (...) {
    ResetDecoder();
    DestroyBitmap();
    KeepFailure(std::current_exception());
  }
}

void CJPEGImage::DecodeWindow(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
  if (x < 0 || y < 0 || width <= 0 || height <= 0)
    ThrowJpegBadParameter();
  jpeg_decompress_struct& info = m_decoder->info;
  StartReading();
  jpeg_calc_output_dimensions(&info);
  const std::int64_t right = std::int64_t{x} + width;
  const std::int64_t bottom = std::int64_t{y} + height;
  if (right > std::int64_t{info.output_width} || bottom > std::int64_t{info.output_height})
    ThrowJpegBadParameter();
  checkBitmapSize(std::uint64_t(width), std::uint64_t(height));
  jpeg_start_decompress(&info);
  if (info.output_components != 3)
    ThrowJpegBadParameter();

  DestroyBitmap();
  CDibBuffer& bitmap = NewBitmap();
  createBitmap(bitmap, std::uint64_t(width), std::uint64_t(height));
  std::vector<JSAMPLE> line;
  try {
    line.resize(std::size_t{info.output_width} * 3);
  } catch (const std::bad_alloc&) {
    throwOutOfMemory();
  }
  const std::size_t columnOffset = std::size_t(x) * 3;
  const std::size_t rowBytes = std::size_t(width) * 3;
  JSAMPROW row = line.data();
  while (info.output_scanline < info.output_height) {
    jpeg_read_scanlines(&info, &row, 1);
    const std::int64_t done = info.output_scanline;
    if (done <= y || done > bottom)
      continue;
    const std::size_t fromTop = std::size_t(done - 1 - y);
    BYTE* target = bitmap.Rows() + (std::size_t(height) - 1 - fromTop) * std::size_t{bitmap.Stride()};
    std::memcpy(target, line.data() + columnOffset, rowBytes);
  }
  jpeg_finish_decompress(&info);
  if (m_decoder->source.RanOut())
    ++m_truncationWarnings;
  SetScale(1, 1);
}

bool CJPEGImage::GetExifBlock(const BYTE** data, DWORD* size, bool* copied) {
  if (!data || !size || !copied)
    return false;
  // A picture without an Exif marker answers true with no block.
  *data = nullptr;
  *size = 0;
  *copied = false;
  try {
    JpegDecompressor decoder;
    decoder.Attach(GetData(), GetDataSize());
    jpeg_save_markers(&decoder.info, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&decoder.info, TRUE);
    const jpeg_saved_marker_ptr marker = decoder.info.marker_list;
    static const char kExif[] = "Exif";
    if (!marker || marker->data_length < sizeof kExif || std::memcmp(marker->data, kExif, sizeof kExif) != 0)
      return true;
    // "Exif", then its zero bytes (one or more), then the TIFF header.
    std::size_t start = sizeof kExif - 1;
    while (start < marker->data_length && marker->data[start] == 0)
      ++start;
    const std::size_t length = marker->data_length - start;
    BYTE* block = new (std::nothrow) BYTE[length ? length : 1];
    if (!block)
      throwOutOfMemory();
    if (length)
      std::memcpy(block, marker->data + start, length);
    *data = block;
    *size = static_cast<DWORD>(length);
    *copied = true;
    return true;
  } catch (...) {
    KeepFailure(std::current_exception());
    return false;
  }
}

void CJPEGImage::Rotate(std::int32_t code, bool redecode) {
  if (code == 0)
    return;
  try {
    if (code < 1 || code > 3)
      ThrowJpegBadParameter();
    ReplaceData(TransformBytes(code));
  } catch (...) {
    KeepFailure(std::current_exception());
    return;
  }
  // The old bitmap shows the picture before the rotation: decode again, or
  // drop it so nobody draws a picture that no longer matches the bytes.
  if (redecode)
    Decode(GetScaleNumerator(), GetScaleDenominator());
  else
    DestroyBitmap();
}

void CJPEGImage::CheckTransformSize() const {
  // The transformer holds the whole picture's coefficients, and a turned
  // copy of them, for a picture of any size its header declares: refuse,
  // as a decode does, a picture whose full-size bitmap the class would not
  // hold, the right way up or turned.
  JpegDecompressor decoder;
  decoder.Attach(GetData(), GetDataSize());
  jpeg_read_header(&decoder.info, TRUE);
  checkBitmapSize(decoder.info.image_width, decoder.info.image_height);
  checkBitmapSize(decoder.info.image_height, decoder.info.image_width);
}

CImageBase::Bytes CJPEGImage::TransformBytes(std::int32_t quarterTurns) const {
  CheckTransformSize();
  TransformHandle transformer;
  if (!transformer.handle)
    throwOutOfMemory();
  if (!transformerKnowsSampling(transformer.handle, GetData(), GetDataSize())) {
    try {
      return tarsel::pictures::JpegLosslessRotation(quarterTurns).Apply(GetData(), GetDataSize());
    } catch (const std::bad_alloc&) {
      throwOutOfMemory();
    }
  }
  static constexpr int kOperations[] = {TJXOP_ROT90, TJXOP_ROT180, TJXOP_ROT270};
  tjtransform transform{};
  transform.op = kOperations[quarterTurns - 1];
  transform.options = 0;
  TransformOutput output;
  // tjTransform takes a non-const pointer but only reads the input.
  auto* input = const_cast<unsigned char*>(GetData());
  const int result =
      tjTransform(transformer.handle, input, GetDataSize(), 1, &output.bytes, &output.size, &transform, 0);
  if (result != 0) {
    // A warning (a file that ends early, a corrupt block) still gives a whole
    // file ending in its end marker; anything else is a failure.
    const bool whole = tjGetErrorCode(transformer.handle) == TJERR_WARNING && output.bytes &&
                       output.size >= 4 && output.bytes[output.size - 2] == 0xFF &&
                       output.bytes[output.size - 1] == JPEG_EOI;
    if (!whole)
      ThrowTransformFailure(tjGetErrorStr2(transformer.handle));
  }
  try {
    return Bytes(output.bytes, output.bytes + output.size);
  } catch (const std::bad_alloc&) {
    throwOutOfMemory();
  }
}

void CJPEGImage::ThrowTransformFailure(const char* libraryText) const {
  // The transformer reports only a text: read the same bytes again through
  // our own error handler to learn the library's message number.
  {
    JpegDecompressor decoder;
    decoder.Attach(GetData(), GetDataSize());
    jpeg_read_header(&decoder.info, TRUE);
    jpeg_read_coefficients(&decoder.info);
  }
  throw _JPEG_Error(_JPEG_Error::kBadParameter, libraryText, JpegErrorExplanation());
}

DWORD CJPEGImage::GetPictureWidth() {
  return HasBitmap() ? m_decoder->info.image_width : 0;
}

DWORD CJPEGImage::GetPictureHeight() {
  return HasBitmap() ? m_decoder->info.image_height : 0;
}

void CJPEGImage::Clone(CImageBase** out) {
  if (!out)
    return;
  *out = nullptr;
  std::unique_ptr<CJPEGImage> copy;
  try {
    copy = std::make_unique<CJPEGImage>();
  } catch (const std::bad_alloc&) {
    ThrowError(ERROR_NOT_ENOUGH_MEMORY);
  }
  copy->Assign(*this, true);
  *out = copy.release();
}
