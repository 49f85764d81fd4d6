// A parsed TIFF structure: the chain of image file directories of one byte
// buffer (a TIFF picture, or the TIFF block of an Exif marker), the getters
// of the picture and Exif tags, the layout checks of the picture decoder,
// and the rewrite of the whole structure (CTiffWriter), optionally rotated.
//
// The buffer either shares ownership of the bytes (a picture's immutable
// byte block) or views bytes the caller keeps alive. Parse refuses a header
// or first directory that does not lie in the data (0x81050003); a link to
// a later directory that does not, or to one already read, ends the chain
// there. Every tag read is bounded by the data. Getters give the tag's default while nothing
// is parsed. Used by one thread at a time.
#pragma once

#include "TarselPictures_export.h"
#include "app/pictures/TiffDirectory.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TARSELPICTURES_EXPORT CTiffBuffer {
public:
  using BytesPtr = std::shared_ptr<const std::vector<BYTE>>;

  explicit CTiffBuffer(BytesPtr bytes);
  CTiffBuffer(const BYTE* data, std::size_t size);
  CTiffBuffer(const CTiffBuffer&) = delete;
  CTiffBuffer& operator=(const CTiffBuffer&) = delete;
  virtual ~CTiffBuffer();

  // Drops the old directories and reads the chain again.
  void Parse();

  const BytesPtr& Bytes() const { return m_bytes; }
  const BYTE* Data() const { return m_data; }
  std::size_t Size() const { return m_size; }
  bool IsLittleEndian() const { return m_little; }
  std::size_t DirectoryCount() const { return m_directories.size(); }
  const CTiffDirectory& Directory(std::size_t index) const { return m_directories.at(index); }

  // From the first directory.
  std::uint32_t GetImageWidth() const;
  std::uint32_t GetImageLength() const;
  std::uint32_t GetStripCount() const;
  std::uint16_t GetSamplesPerPixel() const;
  std::uint32_t GetStripByteCount(std::uint32_t index) const;
  // The strip's bytes, checked with its byte count to lie inside the data
  // (else 0x81050003).
  const BYTE* GetStripData(std::uint32_t index) const;
  std::string GetSoftware() const;

  // From the Exif directory of the first directory.
  std::uint32_t GetPixelXDimension() const;
  std::uint32_t GetPixelYDimension() const;
  // From the Exif directory when it has tag 274, else from the first one.
  std::uint32_t GetOrientation() const;
  std::uint32_t GetIsoSpeed() const;
  TiffRational GetExposureTime() const;
  TiffRational GetFNumber() const;
  TiffRational GetExposureBias() const;
  std::uint32_t GetMeteringMode() const;
  std::uint32_t GetLightSource() const;
  std::uint32_t GetFlash() const;
  TiffRational GetFocalLength() const;
  std::string GetDateTimeOriginal() const;

  // Strip offsets and byte counts agree, the strip count matches the rows
  // per strip, width and length are not 0.
  bool HasStripLayout() const;
  // Uncompressed, chunky, 8-bit RGB of three samples (tag 258 with one
  // value or three), no extra samples, main image.
  bool IsSupportedLayout() const;

  // The rewrite's size bound, and the rewrite: header and chain, the first
  // directory's pixels as one strip turned by `rotation` (0, 1 = 90 or 3 =
  // 270 degrees clockwise). See CTiffWriter.
  std::uint64_t GetSerializedSize(std::int32_t rotation = 0) const;
  std::vector<BYTE> Serialize(std::int32_t rotation) const;

private:
  std::optional<CTiffDirectory> ExifDirectory() const;
  const CTiffDirectory* First() const { return m_directories.empty() ? nullptr : &m_directories.front(); }

  BytesPtr m_bytes;
  const BYTE* m_data = nullptr;
  std::size_t m_size = 0;
  bool m_little = true;
  std::vector<CTiffDirectory> m_directories;
};
