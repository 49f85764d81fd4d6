#include "app/pictures/TiffWriter.h"

#include "app/pictures/TiffBuffer.h"
#include "app/pictures/TiffReader.h"
#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"

#include <cstring>
#include <new>
#include <optional>

namespace {

// IFD0 -> Exif -> Interoperability is the deepest nesting files use; more
// is a crafted loop.
constexpr int kMaxDepth = 4;
// The rewritten file must stay addressable by 32-bit offsets.
constexpr std::uint64_t kMaxOutput = 0xFFFFFFFFu;
constexpr BYTE kBrantelMagic[6] = {'B', 'R', 'A', 'N', 'T', 0};
// The maker note's directory starts this far into the note.
constexpr std::size_t kNoteDirectoryOffset = 8;

std::uint64_t CheckedAdd(std::uint64_t a, std::uint64_t b) {
  const std::optional<std::uint64_t> sum = tarsel::bytes::checkedAdd(a, b);
  if (!sum || *sum > kMaxOutput)
    ThrowTiffError(kTiffOutOfBounds);
  return *sum;
}

} // namespace

CTiffWriter::CTiffWriter(const CTiffBuffer& source, std::int32_t rotation)
    : m_source(source), m_data(source.Data()), m_size(source.Size()), m_little(source.IsLittleEndian()),
      m_rotation(rotation) {
  if (rotation != 0 && rotation != 1 && rotation != 3)
    ThrowTiffError(kTiffBadParameter);
}

bool CTiffWriter::HasStripLayout(const CTiffDirectory& directory) {
  const std::uint32_t strips = directory.StripCount();
  if (strips != directory.StripByteCountCount())
    return false;
  const std::uint32_t rowsPerStrip = directory.RowsPerStrip();
  if (rowsPerStrip == 0)
    return false;
  const std::uint64_t length = directory.ImageLength();
  if (rowsPerStrip != 0xFFFFFFFFu && strips != (length + rowsPerStrip - 1) / rowsPerStrip)
    return false;
  return directory.ImageWidth() != 0 && length != 0;
}

bool CTiffWriter::HasPlainRows(const CTiffDirectory& directory) const {
  if (!HasStripLayout(directory) || directory.StripCount() == 0)
    return false;
  const std::uint16_t samples = directory.SamplesPerPixel();
  if (samples == 0 || directory.Compression() != 1)
    return false;
  if (samples > 1 && directory.PlanarConfiguration() != 1)
    return false;
  if (!directory.HasBitsPerSampleLayout())
    return false;
  for (std::uint32_t i = 0; i < samples; ++i) {
    if (directory.BitsPerSample(i) != 8)
      return false;
  }
  return true;
}

CTiffWriter::PixelLayout CTiffWriter::Layout(const CTiffDirectory& directory) const {
  PixelLayout layout;
  layout.width = directory.ImageWidth();
  layout.height = directory.ImageLength();
  layout.samples = directory.SamplesPerPixel();
  // Dimensions come from the file: a product that overflows or exceeds the
  // largest block is refused before anything is allocated.
  const std::optional<std::uint64_t> rowBytes =
      tarsel::bytes::checkedMul(std::uint64_t{layout.width}, std::uint64_t{layout.samples});
  const std::optional<std::uint64_t> total =
      rowBytes ? tarsel::bytes::checkedMul(*rowBytes, std::uint64_t{layout.height}) : std::nullopt;
  if (!total || *total > kMaxPixelBytes)
    ThrowTiffError(kTiffOutOfBounds);
  // Uncompressed pixels cannot outnumber the file's bytes: dimensions that
  // claim more are crafted, and would only make a huge block of zeros.
  if (*total > m_size)
    ThrowTiffError(kTiffOutOfBounds);
  layout.rowBytes = *rowBytes;
  layout.totalBytes = *total;
  return layout;
}

bool CTiffWriter::IsSubDirectory(const CTiffEntry& entry) {
  const std::uint16_t tag = entry.Tag();
  if (tag != CTiffDirectory::TagExifIfd && tag != CTiffDirectory::TagGpsIfd &&
      tag != CTiffDirectory::TagInteroperabilityIfd)
    return false;
  const std::uint16_t type = entry.Type();
  return entry.Count() == 1 && (type == CTiffEntry::TypeLong || type == CTiffEntry::TypeIfd) &&
         entry.RawValue() != 0;
}

CTiffDirectory CTiffWriter::SubDirectoryOf(const CTiffEntry& entry) const {
  // Each sub-directory is written once: directories that point at each
  // other, or one pointed at many times, would multiply the work and the
  // output.
  if (!m_subDirectories.insert(entry.RawValue()).second)
    ThrowTiffError(kTiffOutOfBounds);
  return CTiffDirectory(m_data, m_size, entry.RawValue(), m_little);
}

bool CTiffWriter::IsBrantelNote(const CTiffEntry& entry) const {
  if (entry.Tag() != CTiffDirectory::TagMakerNote || !entry.IsOutOfLine() ||
      entry.DataSize() < sizeof kBrantelMagic)
    return false;
  return std::memcmp(m_data + entry.DataOffset(), kBrantelMagic, sizeof kBrantelMagic) == 0;
}

CTiffDirectory CTiffWriter::NoteDirectory(const CTiffEntry& note) const {
  const std::size_t start = note.DataOffset();
  const std::uint64_t noteSize = note.DataSize();
  if (noteSize < kNoteDirectoryOffset + 2)
    ThrowTiffError(kTiffOutOfBounds);
  CTiffDirectory directory(m_data, m_size, start + kNoteDirectoryOffset, m_little);
  // The note's directory must lie inside the note, whose bytes are moved.
  if (kNoteDirectoryOffset + directory.Size() - 4 > noteSize)
    ThrowTiffError(kTiffOutOfBounds);
  return directory;
}

std::uint32_t CTiffWriter::ThumbnailLength(const CTiffDirectory& directory, const CTiffEntry& entry) const {
  if (entry.Tag() != CTiffDirectory::TagJpegInterchangeFormat || entry.Count() != 1 || entry.Value() == 0)
    return 0;
  const CTiffEntry length = directory.Find(CTiffDirectory::TagJpegInterchangeFormatLength);
  if (length.IsAbsent())
    return 0;
  const std::uint32_t bytes = length.Value();
  if (!tarsel::bytes::inside(entry.Value(), bytes, m_size))
    ThrowTiffError(kTiffOutOfBounds);
  return bytes;
}

std::uint64_t CTiffWriter::SizeBound() const {
  m_subDirectories.clear();
  if (m_source.DirectoryCount() == 0)
    ThrowTiffError(kTiffNotTiff);
  std::uint64_t total = 8;
  for (std::size_t i = 0; i < m_source.DirectoryCount(); ++i) {
    const CTiffDirectory& directory = m_source.Directory(i);
    const bool pixels = i == 0 && HasPlainRows(directory);
    if (i == 0 && !pixels && m_rotation != 0)
      ThrowTiffError(kTiffUnsupported);
    total = CheckedAdd(total, DirectorySize(directory, pixels, 0));
  }
  // Every byte written comes from the source, plus at most one pad byte per
  // block: a larger bound means data referenced over and over, which would
  // only blow the rewrite up.
  if (total > 2 * std::uint64_t{m_size} + 16)
    ThrowTiffError(kTiffOutOfBounds);
  return total;
}

std::uint64_t CTiffWriter::DirectorySize(const CTiffDirectory& directory, bool pixels, int depth) const {
  if (depth > kMaxDepth)
    ThrowTiffError(kTiffOutOfBounds);
  std::uint64_t size = directory.Size();
  for (std::uint32_t i = 0; i < directory.Count(); ++i) {
    const CTiffEntry entry = directory.Entry(i);
    const std::uint16_t tag = entry.Tag();
    if (IsSubDirectory(entry)) {
      size = CheckedAdd(size, DirectorySize(SubDirectoryOf(entry), false, depth + 1) + 1);
      continue;
    }
    if (pixels && SetByPixels(tag))
      continue;
    if (tag == CTiffDirectory::TagStripOffsets) {
      if (pixels) {
        size = CheckedAdd(size, Layout(directory).totalBytes + 1);
        continue;
      }
      if (entry.IsOutOfLine()) {
        entry.DataOffset();
        size = CheckedAdd(size, entry.DataSize() + 1);
      }
      for (std::uint32_t strip = 0; strip < entry.Count(); ++strip) {
        const std::uint32_t bytes = directory.StripByteCount(strip);
        if (!tarsel::bytes::inside(entry.ShortOrLong(strip), bytes, m_size))
          ThrowTiffError(kTiffOutOfBounds);
        size = CheckedAdd(size, std::uint64_t{bytes} + 1);
      }
      continue;
    }
    if (const std::uint32_t thumbnail = ThumbnailLength(directory, entry)) {
      size = CheckedAdd(size, std::uint64_t{thumbnail} + 1);
      continue;
    }
    if (!entry.IsOutOfLine())
      continue;
    entry.DataOffset();
    size = CheckedAdd(size, entry.DataSize() + 1);
    if (!IsBrantelNote(entry))
      continue;
    const CTiffDirectory note = NoteDirectory(entry);
    for (std::uint32_t j = 0; j < note.Count(); ++j) {
      const CTiffEntry inner = note.Entry(j);
      if (inner.Tag() == CTiffDirectory::TagImageWidth && inner.IsOutOfLine()) {
        inner.DataOffset();
        size = CheckedAdd(size, inner.DataSize() + 1);
      }
    }
  }
  return size;
}

bool CTiffWriter::SetByPixels(std::uint16_t tag) const {
  if (tag == CTiffDirectory::TagRowsPerStrip || tag == CTiffDirectory::TagStripByteCounts)
    return true;
  return m_rotation != 0 && (tag == CTiffDirectory::TagImageWidth || tag == CTiffDirectory::TagImageLength);
}

std::vector<BYTE> CTiffWriter::Write() {
  const std::uint64_t bound = SizeBound();
  try {
    m_out.assign(bound, 0);
  } catch (const std::bad_alloc&) {
    ThrowTiffError(ERROR_NOT_ENOUGH_MEMORY);
  }
  m_position = 0;
  m_subDirectories.clear();
  const std::size_t header = Reserve(8);
  m_out[header] = m_little ? 'I' : 'M';
  m_out[header + 1] = m_out[header];
  TiffStore<std::uint16_t>(m_out, header + 2, 42, m_little);
  TiffStore<std::uint32_t>(m_out, header + 4, 8, m_little);

  std::size_t previous = 0;
  for (std::size_t i = 0; i < m_source.DirectoryCount(); ++i) {
    const CTiffDirectory& directory = m_source.Directory(i);
    const std::size_t copy = WriteDirectory(directory, i == 0 && HasPlainRows(directory), 0);
    if (i > 0) {
      const CTiffDirectory& before = m_source.Directory(i - 1);
      TiffStore<std::uint32_t>(m_out, previous + before.Size() - 4, static_cast<std::uint32_t>(copy),
                               m_little);
    }
    previous = copy;
  }
  // The chain ends here: a link the source left (to bytes that hold no
  // directory, or back into the chain) would point into the rewrite's own
  // bytes, which a reader could take for further directories.
  const CTiffDirectory& last = m_source.Directory(m_source.DirectoryCount() - 1);
  TiffStore<std::uint32_t>(m_out, previous + last.Size() - 4, 0u, m_little);
  m_out.resize(m_position);
  return std::move(m_out);
}

std::size_t CTiffWriter::WriteDirectory(const CTiffDirectory& directory, bool pixels, int depth) {
  if (depth > kMaxDepth)
    ThrowTiffError(kTiffOutOfBounds);
  const std::size_t copy = Reserve(directory.Size());
  std::memcpy(&m_out[copy], m_data + directory.Offset(), directory.Size());
  // Only the main chain links directories; a link left in a sub-directory
  // would point at bytes that were not copied.
  if (depth > 0)
    TiffStore<std::uint32_t>(m_out, copy + directory.Size() - 4, 0u, m_little);

  for (std::uint32_t i = 0; i < directory.Count(); ++i) {
    const CTiffEntry entry = directory.Entry(i);
    const std::size_t entryCopy = copy + 2 + 12 * std::size_t{i};
    const std::uint16_t tag = entry.Tag();
    if (IsSubDirectory(entry)) {
      const std::size_t sub = WriteDirectory(SubDirectoryOf(entry), false, depth + 1);
      PatchValue(entryCopy, static_cast<std::uint32_t>(sub));
      continue;
    }
    if (pixels && SetByPixels(tag))
      continue;
    if (tag == CTiffDirectory::TagStripOffsets) {
      if (pixels)
        WritePixels(directory, copy);
      else
        CopyStrips(directory, entry, entryCopy);
      continue;
    }
    if (const std::uint32_t thumbnail = ThumbnailLength(directory, entry)) {
      const std::size_t moved = CopyData(entry.Value(), thumbnail);
      PatchValue(entryCopy, static_cast<std::uint32_t>(moved));
      continue;
    }
    if (!entry.IsOutOfLine())
      continue;
    const std::size_t moved = CopyData(entry.DataOffset(), entry.DataSize());
    PatchValue(entryCopy, static_cast<std::uint32_t>(moved));
    if (IsBrantelNote(entry))
      RelocateNote(entry, moved);
  }
  return copy;
}

void CTiffWriter::WritePixels(const CTiffDirectory& directory, std::size_t copy) {
  const PixelLayout layout = Layout(directory);
  const std::size_t pixelStart = Reserve(layout.totalBytes);
  const std::uint32_t samples = layout.samples;
  const std::uint64_t width = layout.width;
  const std::uint64_t height = layout.height;

  std::uint64_t row = 0;
  for (std::uint32_t strip = 0; strip < directory.StripCount() && row < height; ++strip) {
    const std::uint32_t offset = directory.StripOffset(strip);
    const std::uint32_t bytes = directory.StripByteCount(strip);
    if (!tarsel::bytes::inside(offset, bytes, m_size))
      ThrowTiffError(kTiffOutOfBounds);
    const std::uint64_t rows = bytes / layout.rowBytes;
    for (std::uint64_t k = 0; k < rows && row < height; ++k, ++row) {
      const BYTE* source = m_data + offset + k * layout.rowBytes;
      if (m_rotation == 0) {
        std::memcpy(&m_out[pixelStart + row * layout.rowBytes], source, layout.rowBytes);
        continue;
      }
      for (std::uint64_t x = 0; x < width; ++x) {
        // 90 clockwise: source row r becomes column H-1-r, pixel x row x;
        // 270 clockwise: row r becomes column r, pixel x row W-1-x.
        const std::uint64_t outRow = m_rotation == 1 ? x : width - 1 - x;
        const std::uint64_t outColumn = m_rotation == 1 ? height - 1 - row : row;
        std::memcpy(&m_out[pixelStart + (outRow * height + outColumn) * samples], source + x * samples,
                    samples);
      }
    }
  }
  PadToEven();

  const bool turned = m_rotation != 0;
  const std::uint32_t outWidth = turned ? layout.height : layout.width;
  const std::uint32_t outHeight = turned ? layout.width : layout.height;
  if (turned) {
    PatchEntry(CopyOf(directory, copy, CTiffDirectory::TagImageWidth), CTiffEntry::TypeLong, 1, outWidth);
    PatchEntry(CopyOf(directory, copy, CTiffDirectory::TagImageLength), CTiffEntry::TypeLong, 1, outHeight);
  }
  if (!directory.Find(CTiffDirectory::TagRowsPerStrip).IsAbsent())
    PatchEntry(CopyOf(directory, copy, CTiffDirectory::TagRowsPerStrip), CTiffEntry::TypeLong, 1, outHeight);
  PatchEntry(CopyOf(directory, copy, CTiffDirectory::TagStripOffsets), CTiffEntry::TypeLong, 1,
             static_cast<std::uint32_t>(pixelStart));
  PatchEntry(CopyOf(directory, copy, CTiffDirectory::TagStripByteCounts), CTiffEntry::TypeLong, 1,
             static_cast<std::uint32_t>(layout.totalBytes));
}

void CTiffWriter::CopyStrips(const CTiffDirectory& directory, const CTiffEntry& offsets,
                             std::size_t entryCopy) {
  // This entry's own offsets: a second entry of the tag has its count, and
  // its elements are where its copy takes the moved offsets.
  const std::uint32_t strips = offsets.Count();
  std::size_t width = 0;
  switch (offsets.Type()) {
  case CTiffEntry::TypeShort:
    width = 2;
    break;
  case CTiffEntry::TypeLong:
    width = 4;
    break;
  default:
    ThrowTiffError(kTiffBadParameter);
  }
  std::size_t elements = entryCopy + 8;
  if (offsets.IsOutOfLine()) {
    elements = CopyData(offsets.DataOffset(), offsets.DataSize());
    PatchValue(entryCopy, static_cast<std::uint32_t>(elements));
  }
  for (std::uint32_t strip = 0; strip < strips; ++strip) {
    const std::uint32_t offset = offsets.ShortOrLong(strip);
    const std::uint32_t bytes = directory.StripByteCount(strip);
    if (!tarsel::bytes::inside(offset, bytes, m_size))
      ThrowTiffError(kTiffOutOfBounds);
    const std::size_t moved = CopyData(offset, bytes);
    const std::size_t element = elements + strip * width;
    if (width == 2) {
      if (moved > 0xFFFF)
        ThrowTiffError(kTiffOutOfBounds);
      TiffStore<std::uint16_t>(m_out, element, static_cast<std::uint16_t>(moved), m_little);
    } else {
      TiffStore<std::uint32_t>(m_out, element, static_cast<std::uint32_t>(moved), m_little);
    }
  }
}

void CTiffWriter::RelocateNote(const CTiffEntry& note, std::size_t newOffset) {
  const std::size_t oldOffset = note.DataOffset();
  const CTiffDirectory directory = NoteDirectory(note);
  // The note's own offsets count from the TIFF header: they move with it.
  const std::uint32_t distance = static_cast<std::uint32_t>(newOffset - oldOffset);
  for (std::uint32_t j = 0; j < directory.Count(); ++j) {
    const CTiffEntry inner = directory.Entry(j);
    if (!inner.IsOutOfLine())
      continue;
    const std::size_t innerCopy = newOffset + kNoteDirectoryOffset + 2 + 12 * std::size_t{j};
    if (inner.Tag() == CTiffDirectory::TagImageWidth) {
      const std::size_t moved = CopyData(inner.DataOffset(), inner.DataSize());
      PatchValue(innerCopy, static_cast<std::uint32_t>(moved));
      continue;
    }
    PatchValue(innerCopy, inner.RawValue() + distance);
  }
}

std::size_t CTiffWriter::Reserve(std::uint64_t length) {
  if (!tarsel::bytes::inside(m_position, length, m_out.size()))
    ThrowTiffError(kTiffOutOfBounds);
  const std::size_t start = m_position;
  m_position += length;
  return start;
}

std::size_t CTiffWriter::CopyData(std::size_t sourceOffset, std::uint64_t length) {
  if (!tarsel::bytes::inside(sourceOffset, length, m_size))
    ThrowTiffError(kTiffOutOfBounds);
  const std::size_t start = Reserve(length);
  if (length > 0)
    std::memcpy(&m_out[start], m_data + sourceOffset, length);
  PadToEven();
  return start;
}

void CTiffWriter::PadToEven() {
  if (m_position % 2 != 0)
    Reserve(1);
}

void CTiffWriter::PatchEntry(std::size_t entryCopy, std::uint16_t type, std::uint32_t count,
                             std::uint32_t value) {
  TiffStore<std::uint16_t>(m_out, entryCopy + 2, type, m_little);
  TiffStore<std::uint32_t>(m_out, entryCopy + 4, count, m_little);
  std::memset(&m_out[entryCopy + 8], 0, 4);
  switch (CTiffEntry::TypeSize(type)) {
  case 1:
    m_out[entryCopy + 8] = static_cast<BYTE>(value);
    break;
  case 2:
    TiffStore<std::uint16_t>(m_out, entryCopy + 8, static_cast<std::uint16_t>(value), m_little);
    break;
  default:
    TiffStore<std::uint32_t>(m_out, entryCopy + 8, value, m_little);
    break;
  }
}

void CTiffWriter::PatchValue(std::size_t entryCopy, std::uint32_t value) {
  TiffStore<std::uint32_t>(m_out, entryCopy + 8, value, m_little);
}

std::size_t CTiffWriter::CopyOf(const CTiffDirectory& directory, std::size_t copy, std::uint16_t tag) const {
  return copy + (directory.Find(tag).EntryOffset() - directory.Offset());
}
