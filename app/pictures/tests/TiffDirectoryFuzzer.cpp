// libFuzzer entry of the TIFF/EXIF reader and writer: parse any bytes, read
// every tag getter and the display texts, rewrite with each rotation and
// parse the result again. Errors of the codec are expected; anything else
// (a crash, a sanitizer report, another exception) is a finding, and so is
// a rewrite that changes what it copies:
// - read back, the plain rewrite has the same chain of directories, entry
//   for entry the same tags, types and counts, and the same values: the same
//   value field, or the same bytes where it points (out-of-line data, strips,
//   the thumbnail, sub-directories compared alike); the first directory's
//   plain rows become one strip of the same rows, missing rows zero;
// - rewriting the rewrite gives the same bytes again;
// - a quarter turn and the turn back give the plain rewrite's pixels.
#include "app/pictures/PictureInfoExif.h"
#include "app/pictures/TiffBuffer.h"
#include "app/pictures/TiffWriter.h"
#include "app/pictures/tests/PictureFuzzing.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

using namespace tarsel::pictures::fuzzing;

namespace {

// IFD0 -> Exif -> Interoperability and a little more, as the writer allows.
constexpr int kMaxDepth = 4;
constexpr BYTE kBrantelMagic[6] = {'B', 'R', 'A', 'N', 'T', 0};
constexpr std::size_t kNoteDirectoryOffset = 8;

bool sameBytes(const CTiffBuffer& a, std::size_t atA, const CTiffBuffer& b, std::size_t atB,
               std::uint64_t n) {
  if (atA + n > a.Size() || atB + n > b.Size())
    return false;
  return n == 0 || std::memcmp(a.Data() + atA, b.Data() + atB, n) == 0;
}

// The entries whose value is the offset of a directory the writer copies.
bool isSubDirectory(const CTiffEntry& entry) {
  const std::uint16_t tag = entry.Tag();
  const bool pointer = tag == CTiffDirectory::TagExifIfd || tag == CTiffDirectory::TagGpsIfd ||
                       tag == CTiffDirectory::TagInteroperabilityIfd;
  return pointer && entry.Count() == 1 &&
         (entry.Type() == CTiffEntry::TypeLong || entry.Type() == CTiffEntry::TypeIfd) &&
         entry.RawValue() != 0;
}

// Whether the writer makes one strip of the directory's rows: uncompressed,
// chunky, 8 bits per sample, in strips.
bool hasPlainRows(const CTiffDirectory& directory) {
  const std::uint16_t samples = directory.SamplesPerPixel();
  if (!CTiffWriter::HasStripLayout(directory) || directory.StripCount() == 0 || samples == 0 ||
      directory.Compression() != 1 || (samples > 1 && directory.PlanarConfiguration() != 1) ||
      !directory.HasBitsPerSampleLayout())
    return false;
  for (std::uint32_t i = 0; i < samples; ++i) {
    if (directory.BitsPerSample(i) != 8)
      return false;
  }
  return true;
}

// The rewrite's single strip holds the source's rows, strip after strip,
// and zeros for rows the strips lack.
void comparePixels(const CTiffBuffer& source, const CTiffDirectory& a, const CTiffBuffer& copy,
                   const CTiffDirectory& b) {
  const std::uint64_t rowBytes = std::uint64_t{a.ImageWidth()} * a.SamplesPerPixel();
  const std::uint64_t height = a.ImageLength();
  check(b.ImageWidth() == a.ImageWidth() && b.ImageLength() == height && b.StripCount() == 1 &&
        b.StripByteCountCount() == 1 && b.StripByteCount(0) == rowBytes * height);
  if (!a.Find(CTiffDirectory::TagRowsPerStrip).IsAbsent())
    check(b.RowsPerStrip() == height);
  const auto rows = stripRows(source.Data(), source.Size(), a, rowBytes, height, 1);
  check(rows.has_value());
  const std::uint64_t strip = b.StripOffset(0);
  check(strip + rowBytes * height <= copy.Size());
  for (std::uint64_t y = 0; y < height; ++y) {
    const BYTE* row = copy.Data() + strip + y * rowBytes;
    check(y < rows->size() ? std::memcmp(row, (*rows)[y], rowBytes) == 0
                           : std::all_of(row, row + rowBytes, [](BYTE v) { return v == 0; }));
  }
}

// A maker note of ours: its bytes, apart from its directory's offsets, which
// move with it (the data of its tag 256 moved on its own).
void compareNote(const CTiffBuffer& source, const CTiffEntry& a, const CTiffBuffer& copy,
                 const CTiffEntry& b) {
  const std::size_t oldNote = a.DataOffset();
  const std::size_t newNote = b.DataOffset();
  const std::uint64_t noteSize = a.DataSize();
  std::vector<BYTE> before(source.Data() + oldNote, source.Data() + oldNote + noteSize);
  std::vector<BYTE> after(copy.Data() + newNote, copy.Data() + newNote + noteSize);
  const CTiffDirectory inA(source.Data(), source.Size(), oldNote + kNoteDirectoryOffset,
                           source.IsLittleEndian());
  const CTiffDirectory inB(copy.Data(), copy.Size(), newNote + kNoteDirectoryOffset, copy.IsLittleEndian());
  for (std::uint32_t j = 0; j < inA.Count(); ++j) {
    const CTiffEntry innerA = inA.Entry(j);
    const CTiffEntry innerB = inB.Entry(j);
    if (!innerA.IsOutOfLine())
      continue;
    if (innerA.Tag() == CTiffDirectory::TagImageWidth)
      check(sameBytes(source, innerA.DataOffset(), copy, innerB.DataOffset(), innerA.DataSize()));
    else
      check(innerB.RawValue() == std::uint32_t(innerA.RawValue() + (newNote - oldNote)));
    const std::size_t field = innerA.EntryOffset() + 8 - oldNote;
    std::fill_n(before.begin() + std::ptrdiff_t(field), 4, BYTE{0});
    std::fill_n(after.begin() + std::ptrdiff_t(field), 4, BYTE{0});
  }
  check(before == after);
}

void compareDirectory(const CTiffBuffer& source, const CTiffDirectory& a, const CTiffBuffer& copy,
                      const CTiffDirectory& b, bool pixels, int depth) {
  check(depth <= kMaxDepth && a.Count() == b.Count());
  if (pixels)
    comparePixels(source, a, copy, b);
  for (std::uint32_t i = 0; i < a.Count(); ++i) {
    const CTiffEntry ea = a.Entry(i);
    const CTiffEntry eb = b.Entry(i);
    const std::uint16_t tag = ea.Tag();
    check(eb.Tag() == tag);
    if (pixels && (tag == CTiffDirectory::TagStripOffsets || tag == CTiffDirectory::TagRowsPerStrip ||
                   tag == CTiffDirectory::TagStripByteCounts))
      continue;
    check(eb.Type() == ea.Type() && eb.Count() == ea.Count());
    if (isSubDirectory(ea)) {
      check(isSubDirectory(eb));
      const CTiffDirectory subA(source.Data(), source.Size(), ea.RawValue(), source.IsLittleEndian());
      const CTiffDirectory subB(copy.Data(), copy.Size(), eb.RawValue(), copy.IsLittleEndian());
      check(subB.NextOffset() == 0);
      compareDirectory(source, subA, copy, subB, false, depth + 1);
      continue;
    }
    if (tag == CTiffDirectory::TagStripOffsets) {
      // Each entry of the tag by its own offsets, with the directory's counts.
      for (std::uint32_t strip = 0; strip < ea.Count(); ++strip) {
        const std::uint32_t bytes = a.StripByteCount(strip);
        check(b.StripByteCount(strip) == bytes &&
              sameBytes(source, ea.ShortOrLong(strip), copy, eb.ShortOrLong(strip), bytes));
      }
      continue;
    }
    const CTiffEntry length = a.Find(CTiffDirectory::TagJpegInterchangeFormatLength);
    if (tag == CTiffDirectory::TagJpegInterchangeFormat && ea.Count() == 1 && ea.Value() != 0 &&
        !length.IsAbsent() && length.Value() != 0) {
      check(sameBytes(source, ea.Value(), copy, eb.Value(), length.Value()));
      continue;
    }
    if (!ea.IsOutOfLine()) {
      check(sameBytes(source, ea.EntryOffset() + 8, copy, eb.EntryOffset() + 8, 4));
      continue;
    }
    const std::size_t dataA = ea.DataOffset();
    const bool note = tag == CTiffDirectory::TagMakerNote && ea.DataSize() >= sizeof kBrantelMagic &&
                      std::memcmp(source.Data() + dataA, kBrantelMagic, sizeof kBrantelMagic) == 0;
    if (note)
      compareNote(source, ea, copy, eb);
    else
      check(sameBytes(source, dataA, copy, eb.DataOffset(), ea.DataSize()));
  }
}

// The first directory's single strip of a rewrite that made one.
std::vector<BYTE> firstStrip(const CTiffBuffer& tiff) {
  const CTiffDirectory& first = tiff.Directory(0);
  const BYTE* strip = tiff.GetStripData(0);
  return std::vector<BYTE>(strip, strip + first.StripByteCount(0));
}

// Rewrites, reads back and compares (see the file's comment).
void checkRewrite(const CTiffBuffer& tiff) {
  std::vector<BYTE> out;
  if (!tolerateCodecErrors([&] { out = tiff.Serialize(0); }))
    return;
  check(out.size() <= tiff.GetSerializedSize(0));
  // The rewrite is read, compared and rewritten without the codec's errors:
  // it holds only what the writer could read and place.
  CTiffBuffer again(out.data(), out.size());
  again.Parse();
  check(again.DirectoryCount() == tiff.DirectoryCount());
  const bool pixels = hasPlainRows(tiff.Directory(0));
  for (std::size_t i = 0; i < tiff.DirectoryCount(); ++i)
    compareDirectory(tiff, tiff.Directory(i), again, again.Directory(i), i == 0 && pixels, 0);
  check(again.Serialize(0) == out);

  std::vector<BYTE> turned;
  if (!pixels || !tolerateCodecErrors([&] { turned = tiff.Serialize(1); }))
    return;
  CTiffBuffer quarter(turned.data(), turned.size());
  quarter.Parse();
  check(quarter.GetImageWidth() == tiff.GetImageLength() && quarter.GetImageLength() == tiff.GetImageWidth());
  const std::vector<BYTE> back = quarter.Serialize(3);
  CTiffBuffer whole(back.data(), back.size());
  whole.Parse();
  check(whole.GetImageWidth() == tiff.GetImageWidth() && whole.GetImageLength() == tiff.GetImageLength());
  check(firstStrip(whole) == firstStrip(again));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CTiffBuffer tiff(data, size);
  if (!tolerateCodecErrors([&] { tiff.Parse(); }))
    return 0;
  for (std::size_t i = 0; i < tiff.DirectoryCount(); ++i) {
    const CTiffDirectory& directory = tiff.Directory(i);
    for (std::uint32_t e = 0; e < directory.Count(); ++e) {
      const CTiffEntry entry = directory.Entry(e);
      tolerateCodecErrors([&] {
        entry.Value();
        if (entry.Count() > 0)
          entry.Element16(entry.Count() - 1);
        if (entry.Type() == CTiffEntry::TypeAscii)
          entry.Text();
      });
    }
  }
  // The display texts catch what they cannot read.
  check(tolerateCodecErrors([&] { CPictureInfoExif info(&tiff); }));
  tolerateCodecErrors([&] {
    tiff.GetSoftware();
    tiff.GetDateTimeOriginal();
    tiff.GetOrientation();
    tiff.GetExposureTime();
    tiff.GetFocalLength();
    tiff.HasStripLayout();
    tiff.IsSupportedLayout();
  });
  checkRewrite(tiff);
  for (const std::int32_t rotation : {1, 3}) {
    tolerateCodecErrors([&] {
      const std::vector<BYTE> out = tiff.Serialize(rotation);
      check(out.size() <= tiff.GetSerializedSize(rotation));
      CTiffBuffer again(out.data(), out.size());
      again.Parse();
    });
  }
  return 0;
}
