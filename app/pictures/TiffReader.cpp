#include "app/pictures/TiffReader.h"

#include "app/pictures/PictureStrings.h"
#include "env/BrantelTakeError.h"

void ThrowTiffError(HRESULT code) {
  ThrowError(code, tarsel::pictures::PictureString(tarsel::pictures::IDS_PICTURE_MAY_BE_SAVED));
}

void CTiffReader::Open(const BYTE* data, std::size_t size) {
  const std::span<const BYTE> bytes(data, data ? size : 0);
  const auto code = static_cast<std::uint32_t>(kTiffOutOfBounds);
  m_reader = tarsel::bytes::ByteReader(bytes, true, code);
  const std::span<const BYTE> mark = TiffChecked([&] { return m_reader.take(2); });
  if ((mark[0] != 'I' || mark[1] != 'I') && (mark[0] != 'M' || mark[1] != 'M'))
    ThrowTiffError(kTiffNotTiff);
  m_reader = tarsel::bytes::ByteReader(bytes, mark[0] == 'I', code);
  m_reader.seek(mark.size());
  if (Read16() != 42)
    ThrowTiffError(kTiffNotTiff);
  Seek(Read32());
}

void CTiffReader::Seek(std::uint32_t offset) {
  TiffChecked([&] { m_reader.seek(offset); });
}

std::uint16_t CTiffReader::Read16() {
  return TiffChecked([&] { return m_reader.u16(); });
}

std::uint32_t CTiffReader::Read32() {
  return TiffChecked([&] { return m_reader.u32(); });
}
