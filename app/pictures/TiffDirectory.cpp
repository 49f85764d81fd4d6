#include "app/pictures/TiffDirectory.h"

CTiffDirectory::CTiffDirectory(const BYTE* data, std::size_t size, std::size_t offset, bool little)
    : m_bytes(data, data ? size : 0), m_offset(offset), m_little(little) {
  m_count = TiffLoad<std::uint16_t>(m_bytes, offset, little);
  if (!tarsel::bytes::inside(offset, Size(), m_bytes.size()))
    ThrowTiffError(kTiffOutOfBounds);
}

CTiffEntry CTiffDirectory::Entry(std::uint32_t index) const {
  if (index >= m_count)
    ThrowTiffError(kTiffOutOfBounds);
  return CTiffEntry(m_bytes.data(), m_bytes.size(), m_offset + 2 + 12 * std::size_t{index}, m_little);
}

CTiffEntry CTiffDirectory::Find(std::uint16_t tag) const {
  for (std::uint32_t i = 0; i < m_count; ++i) {
    const CTiffEntry entry = Entry(i);
    if (entry.Tag() == tag && !entry.IsAbsent())
      return entry;
  }
  return CTiffEntry();
}

std::uint32_t CTiffDirectory::NextOffset() const {
  return TiffLoad<std::uint32_t>(m_bytes, m_offset + 2 + 12 * std::size_t{m_count}, m_little);
}

std::optional<CTiffDirectory> CTiffDirectory::SubDirectory(std::uint16_t tag) const {
  const std::uint32_t offset = ValueOr(tag, 0);
  if (offset == 0)
    return std::nullopt;
  return CTiffDirectory(m_bytes.data(), m_bytes.size(), offset, m_little);
}

bool CTiffDirectory::HasBitsPerSampleLayout() const {
  const CTiffEntry entry = Find(TagBitsPerSample);
  if (entry.IsAbsent() || entry.Type() != CTiffEntry::TypeShort)
    return false;
  // TIFF readers (libtiff among them) take one value for all the samples.
  const std::uint32_t count = entry.Count();
  return count == 1 || (count != 0 && count >= SamplesPerPixel());
}

std::uint16_t CTiffDirectory::BitsPerSample(std::uint32_t index) const {
  const CTiffEntry entry = Find(TagBitsPerSample);
  if (entry.IsAbsent())
    return 0;
  if (index >= SamplesPerPixel())
    ThrowTiffError(kTiffOutOfBounds);
  if (!HasBitsPerSampleLayout())
    ThrowTiffError(kTiffUnsupported);
  return entry.Element16(entry.Count() == 1 ? 0 : index);
}

std::size_t CTiffDirectory::MakerNoteOffset() const {
  const CTiffEntry entry = Find(TagMakerNote);
  return entry.IsAbsent() ? 0 : entry.DataOffset();
}

std::uint32_t CTiffDirectory::ValueOr(std::uint16_t tag, std::uint32_t fallback) const {
  const CTiffEntry entry = Find(tag);
  return entry.IsAbsent() ? fallback : entry.Value();
}

std::string CTiffDirectory::TextOr(std::uint16_t tag) const {
  const CTiffEntry entry = Find(tag);
  return entry.IsAbsent() ? std::string() : entry.Text();
}

std::uint32_t CTiffDirectory::StripElement(std::uint16_t tag, std::uint32_t index) const {
  const CTiffEntry entry = Find(tag);
  return entry.IsAbsent() ? 0 : entry.ShortOrLong(index);
}
