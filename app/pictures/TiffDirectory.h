// A view of one TIFF image file directory (IFD): the entry count, the
// entries, the link to the next directory, and the getters of the picture
// and Exif tags the program reads. An absent tag gives its default.
//
// The constructor checks that the whole directory lies inside the buffer
// (else 0x81050003); element, text and rational reads are checked by
// CTiffEntry. Owns nothing; the buffer must outlive the view.
#pragma once

#include "TarselPictures_export.h"
#include "app/pictures/TiffEntry.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

class TARSELPICTURES_EXPORT CTiffDirectory {
public:
  enum : std::uint16_t {
    TagNewSubfileType = 254,
    TagImageWidth = 256,
    TagImageLength = 257,
    TagBitsPerSample = 258,
    TagCompression = 259,
    TagPhotometric = 262,
    TagStripOffsets = 273,
    TagOrientation = 274,
    TagSamplesPerPixel = 277,
    TagRowsPerStrip = 278,
    TagStripByteCounts = 279,
    TagPlanarConfiguration = 284,
    TagSoftware = 305,
    TagExtraSamples = 338,
    TagJpegInterchangeFormat = 513,
    TagJpegInterchangeFormatLength = 514,
    TagExposureTime = 33434,
    TagFNumber = 33437,
    TagExifIfd = 34665,
    TagGpsIfd = 34853,
    TagIsoSpeed = 34855,
    TagDateTimeOriginal = 36867,
    TagExposureBias = 37380,
    TagMeteringMode = 37383,
    TagLightSource = 37384,
    TagFlash = 37385,
    TagFocalLength = 37386,
    TagMakerNote = 37500,
    TagPixelXDimension = 40962,
    TagPixelYDimension = 40963,
    TagInteroperabilityIfd = 40965
  };

  CTiffDirectory(const BYTE* data, std::size_t size, std::size_t offset, bool little);

  std::size_t Offset() const { return m_offset; }
  bool IsLittleEndian() const { return m_little; }
  std::uint16_t Count() const { return m_count; }
  // 12 x count + 6.
  std::size_t Size() const { return 12 * std::size_t{m_count} + 6; }
  CTiffEntry Entry(std::uint32_t index) const;
  // The first entry with the tag, or a null entry.
  CTiffEntry Find(std::uint16_t tag) const;
  std::uint32_t NextOffset() const;
  // The directory the LONG offset of `tag` (Exif, GPS, Interoperability)
  // points at; none when the tag is absent or 0.
  std::optional<CTiffDirectory> SubDirectory(std::uint16_t tag) const;

  std::uint32_t NewSubfileType() const { return ValueOr(TagNewSubfileType, 0); }
  std::uint32_t ImageWidth() const { return ValueOr(TagImageWidth, 0); }
  std::uint32_t ImageLength() const { return ValueOr(TagImageLength, 0); }
  // Tag 258 in a layout the codec reads: SHORT values, one per sample (or
  // more), or a single one that stands for every sample. False when absent.
  bool HasBitsPerSampleLayout() const;
  // The bits of sample `index` (below SamplesPerPixel, else 0x81050003): its
  // element, or the single value for every sample; 0 when absent. Another
  // layout of the tag throws 0x81050002.
  std::uint16_t BitsPerSample(std::uint32_t index) const;
  std::uint16_t Compression() const { return std::uint16_t(ValueOr(TagCompression, 1)); }
  std::uint16_t Photometric() const { return std::uint16_t(ValueOr(TagPhotometric, 0)); }
  std::uint32_t Orientation() const { return ValueOr(TagOrientation, 1); }
  std::uint16_t SamplesPerPixel() const { return std::uint16_t(ValueOr(TagSamplesPerPixel, 1)); }
  std::uint32_t RowsPerStrip() const { return ValueOr(TagRowsPerStrip, 0xFFFFFFFFu); }
  std::uint16_t PlanarConfiguration() const { return std::uint16_t(ValueOr(TagPlanarConfiguration, 1)); }
  std::uint8_t ExtraSamples() const { return std::uint8_t(ValueOr(TagExtraSamples, 0) & 0xFF); }
  std::uint32_t StripCount() const { return Find(TagStripOffsets).Count(); }
  std::uint32_t StripByteCountCount() const { return Find(TagStripByteCounts).Count(); }
  // Strip offsets and byte counts: SHORT or LONG elements (else 0x81050004).
  std::uint32_t StripOffset(std::uint32_t index) const { return StripElement(TagStripOffsets, index); }
  std::uint32_t StripByteCount(std::uint32_t index) const { return StripElement(TagStripByteCounts, index); }
  std::string Software() const { return TextOr(TagSoftware); }
  TiffRational ExposureTime() const { return Find(TagExposureTime).Rational(); }
  TiffRational FNumber() const { return Find(TagFNumber).Rational(); }
  std::uint32_t ExifOffset() const { return ValueOr(TagExifIfd, 0); }
  std::uint32_t IsoSpeed() const { return ValueOr(TagIsoSpeed, 0); }
  std::string DateTimeOriginal() const { return TextOr(TagDateTimeOriginal); }
  TiffRational ExposureBias() const { return Find(TagExposureBias).Rational(); }
  std::uint32_t MeteringMode() const { return ValueOr(TagMeteringMode, 0); }
  std::uint32_t LightSource() const { return ValueOr(TagLightSource, 0); }
  std::uint32_t Flash() const { return ValueOr(TagFlash, 0); }
  TiffRational FocalLength() const { return Find(TagFocalLength).Rational(); }
  // The maker note's offset in the buffer (its data checked); 0 when absent.
  std::size_t MakerNoteOffset() const;
  std::uint32_t PixelXDimension() const { return ValueOr(TagPixelXDimension, 0); }
  std::uint32_t PixelYDimension() const { return ValueOr(TagPixelYDimension, 0); }

private:
  std::uint32_t ValueOr(std::uint16_t tag, std::uint32_t fallback) const;
  std::string TextOr(std::uint16_t tag) const;
  std::uint32_t StripElement(std::uint16_t tag, std::uint32_t index) const;

  std::span<const BYTE> m_bytes;
  std::size_t m_offset;
  bool m_little;
  std::uint16_t m_count = 0;
};
