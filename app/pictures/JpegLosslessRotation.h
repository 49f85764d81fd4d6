// Turns a JPEG file by 90, 180 or 270 degrees clockwise without decoding
// it: the DCT blocks change places and the coefficients inside them are
// transposed or change sign. The picture class uses it for the sampling
// factors that TurboJPEG's transformer refuses (1x4, 3x1, 4x2, chroma of
// several sizes); the file written is the one jpegtran -copy all -rotate N
// writes from the same input:
//  - every APPn and COM marker is copied in its order (a JFIF or Adobe marker
//    that the writer emits itself is not written twice; none is added when
//    the first marker is Exif), and a turned picture's Exif image width and
//    height tags are set to its new size;
//  - quantisation tables (transposed with the blocks) and component
//    identifiers are kept; the entropy coding is the writer's default:
//    baseline with the standard Huffman tables, no restart markers;
//  - blocks of a partial iMCU at the edge that the turn would mirror stay
//    where they are, transposed when the turn transposes, as the tool does
//    without -trim or -perfect.
//
// Stateless; any thread. Failures throw _JPEG_Error with the library's
// message number (the library holds at most 2 GiB for one picture).
#pragma once

#include "hostapi/Win32Types.h"

#include <cstddef>
#include <cstdio>
#include <vector>
// The library's header needs <cstdio> first.
#include <jpeglib.h>

namespace tarsel::pictures {

class JpegLosslessRotation {
public:
  // quarterTurns: 1, 2 or 3 (90, 180, 270 degrees clockwise).
  explicit JpegLosslessRotation(int quarterTurns);

  // The turned file made from the `size` bytes at `data`.
  std::vector<BYTE> Apply(const BYTE* data, std::size_t size) const;

private:
  bool Transposes() const { return m_quarterTurns % 2 == 1; }
  bool MirrorsAcross() const { return m_quarterTurns <= 2; }
  bool MirrorsDown() const { return m_quarterTurns >= 2; }
  std::vector<jvirt_barray_ptr> RequestTurnedBlocks(jpeg_decompress_struct& in) const;
  void AdjustParameters(jpeg_decompress_struct& in, jpeg_compress_struct& out) const;
  void TurnBlocks(jpeg_decompress_struct& in, jpeg_compress_struct& out, jvirt_barray_ptr* blocks,
                  jvirt_barray_ptr* turned) const;

  int m_quarterTurns;
};

} // namespace tarsel::pictures
