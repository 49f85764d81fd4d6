// The JPEG library's input from bytes in memory. It never reads past the
// bytes it is given: when the library asks for more, it supplies a fake
// end-of-image marker, raises the library's "premature end" warning and
// notes that the data ran out; a skip beyond the end stops at the end.
// One source per library object; the bytes must outlive the reading.
#pragma once

#include "hostapi/Win32Types.h"

#include <cstddef>
#include <cstdio>
// The library's header needs <cstdio> first.
#include <jpeglib.h>

class CJpegMemorySource {
public:
  CJpegMemorySource();
  CJpegMemorySource(const CJpegMemorySource&) = delete;
  CJpegMemorySource& operator=(const CJpegMemorySource&) = delete;

  // Makes this the input of `info`, starting at the first of `size` bytes.
  void Attach(j_decompress_ptr info, const BYTE* data, std::size_t size);
  // True once the library asked for bytes beyond the end.
  bool RanOut() const { return m_ranOut; }

private:
  static void initSource(j_decompress_ptr info);
  static boolean fillInputBuffer(j_decompress_ptr info);
  static void skipInputData(j_decompress_ptr info, long count);
  static void termSource(j_decompress_ptr info);
  static CJpegMemorySource& self(j_decompress_ptr info);

  // First member: the library's pointer to it is a pointer to this object.
  jpeg_source_mgr m_manager{};
  bool m_ranOut = false;
};
