// A JPEG library decompression object reading bytes in memory: fatal errors
// throw _JPEG_Error, and the library may hold no more than 2 GiB for one
// picture, so a crafted header asking for more fails cleanly. Destroyed with
// this object. One thread at a time.
#pragma once

#include "app/pictures/JpegMemorySource.h"

#include <cstddef>
#include <cstdio>
// The library's header needs <cstdio> first.
#include <jpeglib.h>

namespace tarsel::pictures {

struct JpegDecompressor {
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  CJpegMemorySource source;

  JpegDecompressor();
  ~JpegDecompressor();
  JpegDecompressor(const JpegDecompressor&) = delete;
  JpegDecompressor& operator=(const JpegDecompressor&) = delete;

  // Makes the `size` bytes at `data` the input; they must outlive the reading.
  void Attach(const BYTE* data, std::size_t size) { source.Attach(&info, data, size); }
};

} // namespace tarsel::pictures
