// The cursor of the TIFF/EXIF codec over one byte buffer: the header (byte
// order, the number 42, the first directory's offset) and bounded 16- and
// 32-bit reads in the file's byte order. Also what the whole codec shares:
// its error codes, and its loads and stores, which are the platform's
// checked byte helpers (platform/Bytes.h) with the codec's codes; TiffChecked
// is the one place where their failures become the codec's errors.
//
// Every read is checked against the buffer's size: a read or a seek outside
// it throws 0x81050003. No memory is owned; used by one thread at a time.
#pragma once

#include "TarselPictures_export.h"
#include "hostapi/Win32Types.h"
#include "platform/Bytes.h"

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

// The codec's error codes (facility 0x105).
inline constexpr HRESULT kTiffNotTiff = static_cast<HRESULT>(0x81050001u);
inline constexpr HRESULT kTiffUnsupported = static_cast<HRESULT>(0x81050002u);
inline constexpr HRESULT kTiffOutOfBounds = static_cast<HRESULT>(0x81050003u);
inline constexpr HRESULT kTiffBadParameter = static_cast<HRESULT>(0x81050004u);

// Throws the code with the pictures' explanation ("Picture file may be ...").
[[noreturn]] TARSELPICTURES_EXPORT void ThrowTiffError(HRESULT code);

// Runs `access`, which uses the checked byte helpers with a code of the
// codec; a failed check is thrown on as that TIFF error.
template <class Access> decltype(auto) TiffChecked(Access&& access) {
  try {
    return std::forward<Access>(access)();
  } catch (const tarsel::bytes::BytesError& error) {
    ThrowTiffError(static_cast<HRESULT>(error.Code()));
  }
}

// A value of the file's byte order (`little`) at `at`; outside the bytes
// 0x81050003.
template <std::unsigned_integral T> T TiffLoad(std::span<const BYTE> bytes, std::size_t at, bool little) {
  return TiffChecked([&] {
    return tarsel::bytes::load<T>(bytes, at, little, static_cast<std::uint32_t>(kTiffOutOfBounds));
  });
}

template <std::unsigned_integral T>
void TiffStore(std::span<BYTE> bytes, std::size_t at, T value, bool little) {
  TiffChecked([&] {
    tarsel::bytes::store<T>(bytes, at, value, little, static_cast<std::uint32_t>(kTiffOutOfBounds));
  });
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

  std::size_t Position() const { return m_reader.position(); }
  bool IsLittleEndian() const { return m_reader.littleEndian(); }

private:
  tarsel::bytes::ByteReader m_reader{{}};
};
