#include "app/pictures/JpegDecompressor.h"

#include "app/pictures/JpegError.h"

namespace tarsel::pictures {

namespace {

// The whole-picture buffers of a decode or a rotation included.
constexpr long kLibraryMemoryLimit = long{1} << 31;

} // namespace

JpegDecompressor::JpegDecompressor() {
  info.err = InstallThrowingErrorHandler(errors);
  jpeg_CreateDecompress(&info, JPEG_LIB_VERSION, sizeof info);
  info.mem->max_memory_to_use = kLibraryMemoryLimit;
}

JpegDecompressor::~JpegDecompressor() {
  jpeg_destroy_decompress(&info);
}

} // namespace tarsel::pictures
