// Rewrites a parsed TIFF structure into a new byte block: the header in the
// source's byte order with the first directory at 8, then each directory of
// the chain followed by the data it points at, every data block starting at
// an even offset; the last directory links to none.
//
// - The first directory's pixels, when they are plain rows (uncompressed,
//   chunky, 8 bits per sample), become one strip, turned by the rotation
//   (0; 1 = 90 degrees clockwise; 3 = 270); other directories' strips and
//   a pixel layout that is not plain rows are copied unchanged (a rotation
//   of those throws 0x81050002). Missing rows become zero; dimensions whose
//   pixels would outnumber the file's bytes throw 0x81050003.
// - Exif (34665), GPS (34853) and Interoperability (40965) directories are
//   written by the same procedure, the thumbnail of 513/514 is copied, and
//   every offset is made to point at the copy.
// - A maker note that starts "BRANT\0" has its directory's offsets moved
//   with it and its tag 256 data copied; other makers' notes are copied
//   byte for byte.
//
// The block is sized by SizeBound, zero-filled, and trimmed to the last
// byte written. A bound above twice the source's size (data referenced over
// and over) throws 0x81050003. Source data outside the buffer throw 0x81050003, and so
// would a write past the bound; a rotation other than 0, 1, 3 throws
// 0x81050004. Used by one thread at a time.
#pragma once

#include "TarselPictures_export.h"
#include "app/pictures/TiffDirectory.h"

#include <cstddef>
#include <cstdint>
#include <set>
#include <vector>

class CTiffBuffer;

class TARSELPICTURES_EXPORT CTiffWriter {
public:
  // The largest pixel block the rewrite makes (1 GiB).
  static constexpr std::uint64_t kMaxPixelBytes = std::uint64_t{1} << 30;

  CTiffWriter(const CTiffBuffer& source, std::int32_t rotation);

  std::uint64_t SizeBound() const;
  std::vector<BYTE> Write();

  // Strip offsets and byte counts have the same count, rows per strip is
  // not 0 and (unless absent) gives that count, width and length are set.
  static bool HasStripLayout(const CTiffDirectory& directory);

private:
  struct PixelLayout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t samples = 0;
    std::uint64_t rowBytes = 0;
    std::uint64_t totalBytes = 0;
  };

  bool HasPlainRows(const CTiffDirectory& directory) const;
  PixelLayout Layout(const CTiffDirectory& directory) const;
  static bool IsSubDirectory(const CTiffEntry& entry);
  CTiffDirectory SubDirectoryOf(const CTiffEntry& entry) const;
  bool IsBrantelNote(const CTiffEntry& entry) const;
  CTiffDirectory NoteDirectory(const CTiffEntry& entry) const;
  std::uint32_t ThumbnailLength(const CTiffDirectory& directory, const CTiffEntry& entry) const;

  // Entries of the first directory that the pixel rewrite sets itself.
  bool SetByPixels(std::uint16_t tag) const;
  std::uint64_t DirectorySize(const CTiffDirectory& directory, bool pixels, int depth) const;
  std::size_t WriteDirectory(const CTiffDirectory& directory, bool pixels, int depth);
  void WritePixels(const CTiffDirectory& directory, std::size_t copy);
  void CopyStrips(const CTiffDirectory& directory, const CTiffEntry& offsets, std::size_t entryCopy);
  void RelocateNote(const CTiffEntry& note, std::size_t newOffset);

  std::size_t Reserve(std::uint64_t length);
  std::size_t CopyData(std::size_t sourceOffset, std::uint64_t length);
  void PadToEven();
  void PatchEntry(std::size_t entryCopy, std::uint16_t type, std::uint32_t count, std::uint32_t value);
  void PatchValue(std::size_t entryCopy, std::uint32_t value);
  std::size_t CopyOf(const CTiffDirectory& directory, std::size_t copy, std::uint16_t tag) const;

  const CTiffBuffer& m_source;
  const BYTE* m_data;
  std::size_t m_size;
  bool m_little;
  std::int32_t m_rotation;
  std::vector<BYTE> m_out;
  std::size_t m_position = 0;
  // Offsets of the sub-directories met by the current pass.
  mutable std::set<std::uint32_t> m_subDirectories;
};
