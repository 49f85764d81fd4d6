// The cursor of the TIFF/EXIF codec over one byte buffer: the header (byte
// order, the number 42, the first directory's offset) and bounded 16- and
// 32-bit reads in the file's byte order. Also the byte-order helpers and the
// codec's error codes, shared by the whole codec.
//
// Every read is checked against the buffer's size: a read or a seek outside
// it throws 0x81050003. No memory is owned; used by one thread at a time.
#pragma once

#include "TarselPictures_export.h"
#include "hostapi/Win32Types.h"

#include <cstddef>
#include <cstdint>

// The codec's error codes (facility 0x105).
inline constexpr HRESULT kTiffNotTiff = static_cast<HRESULT>(0x81050001u);
inline constexpr HRESULT kTiffUnsupported = static_cast<HRESULT>(0x81050002u);
inline constexpr HRESULT kTiffOutOfBounds = static_cast<HRESULT>(0x81050003u);
inline constexpr HRESULT kTiffBadParameter = static_cast<HRESULT>(0x81050004u);

// Throws the code with the pictures' explanation ("Picture file may be ...").
[[noreturn]] TARSELPICTURES_EXPORT void ThrowTiffError(HRESULT code);

// Byte-order helpers: `little` is the file's order.
std::uint16_t TiffGet16(const BYTE* p, bool little);
std::uint32_t TiffGet32(const BYTE* p, bool little);
void TiffPut16(BYTE* p, std::uint16_t value, bool little);
void TiffPut32(BYTE* p, std::uint32_t value, bool little);

// True when [offset, offset + length) lies inside a buffer of `size` bytes.
inline bool TiffRangeInside(std::uint64_t offset, std::uint64_t length, std::uint64_t size) {
  return offset <= size && length <= size - offset;
}

class TARSELPICTURES_EXPORT CTiffReader {
public:
  // Reads the header of `size` bytes at `data` and moves to the first
  // directory. A byte-order mark other than "II"/"MM" or a number other than
  // 42 throws 0x81050001; too few bytes, or a first directory outside the
  // data, throw 0x81050003.
  void Open(const BYTE* data, std::size_t size);
  void Seek(std::uint32_t offset);
  std::uint16_t Read16();
  std::uint32_t Read32();

  std::size_t Position() const { return m_position; }
  bool IsLittleEndian() const { return m_little; }

private:
  const BYTE* Take(std::size_t length);

  const BYTE* m_start = nullptr;
  std::size_t m_size = 0;
  std::size_t m_position = 0;
  bool m_little = true;
};
