// The JPEG library's output into a byte vector that grows as the library
// writes; want of memory is the library's out-of-memory error. One
// destination per compression object, which must not outlive it.
#pragma once

#include "hostapi/Win32Types.h"

#include <cstdio>
#include <utility>
#include <vector>
// The library's header needs <cstdio> first.
#include <jpeglib.h>

namespace tarsel::pictures {

class JpegMemoryDestination {
public:
  JpegMemoryDestination();
  JpegMemoryDestination(const JpegMemoryDestination&) = delete;
  JpegMemoryDestination& operator=(const JpegMemoryDestination&) = delete;

  // Makes this the output of `info`, starting empty.
  void Attach(j_compress_ptr info);
  // The bytes written, once the library has finished the file.
  std::vector<BYTE> Take() { return std::move(m_bytes); }

private:
  static void initDestination(j_compress_ptr info);
  static boolean emptyOutputBuffer(j_compress_ptr info);
  static void termDestination(j_compress_ptr info);
  static JpegMemoryDestination& self(j_compress_ptr info);
  void grow(j_compress_ptr info);

  // First member: the library's pointer to it is a pointer to this object.
  jpeg_destination_mgr m_manager{};
  std::vector<BYTE> m_bytes;
};

} // namespace tarsel::pictures
