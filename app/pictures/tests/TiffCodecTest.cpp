#include "app/pictures/TiffBuffer.h"
#include "app/pictures/TiffReader.h"
#include "env/BrantelTakeError.h"

#include "TiffBuilder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

using Bytes = std::vector<BYTE>;

HRESULT errorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const _brantel_take_error& error) {
    return error.Error();
  }
  return 0;
}

CTiffBuffer parsed(const Bytes& bytes) {
  return CTiffBuffer(std::make_shared<const Bytes>(bytes));
}

std::unique_ptr<CTiffBuffer> parse(const Bytes& bytes) {
  auto buffer = std::make_unique<CTiffBuffer>(std::make_shared<const Bytes>(bytes));
  buffer->Parse();
  return buffer;
}

Bytes pattern(std::uint32_t width, std::uint32_t height) {
  Bytes pixels;
  for (std::uint32_t y = 0; y < height; ++y)
    for (std::uint32_t x = 0; x < width; ++x)
      for (std::uint32_t c = 0; c < 3; ++c)
        pixels.push_back(BYTE((x * 37 + y * 11 + c * 101) % 256));
  return pixels;
}

// The first strip's pixels of the first directory, as a block of bytes.
Bytes stripBytes(const CTiffBuffer& tiff) {
  const BYTE* data = tiff.GetStripData(0);
  return Bytes(data, data + tiff.GetStripByteCount(0));
}

} // namespace

TEST(TiffCodec, EmptyDirectoryParsesAndRewritesToFourteenBytes) {
  TiffBuilder builder;
  builder.setFirst(builder.directory({}));
  auto tiff = parse(builder.bytes());
  ASSERT_EQ(tiff->DirectoryCount(), 1u);
  EXPECT_EQ(tiff->Directory(0).Size(), 6u);
  EXPECT_EQ(tiff->GetSerializedSize(), 14u);
  EXPECT_EQ(tiff->Serialize(0), builder.bytes());
  EXPECT_EQ(tiff->GetImageWidth(), 0u);
  EXPECT_EQ(tiff->GetOrientation(), 1u);
  EXPECT_EQ(tiff->GetExposureTime().denominator, 1u);
}

TEST(TiffCodec, HeaderFaultsGiveTheirCodes) {
  struct Row {
    Bytes bytes;
    HRESULT code;
  } rows[] = {
      {{'I', 'I', 43, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0}, kTiffNotTiff},
      {{'M', 'M', 0, 43, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0}, kTiffNotTiff},
      {{'X', 'X', 42, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0}, kTiffNotTiff},
      {{'I', 'I', 42}, kTiffOutOfBounds},
      {{}, kTiffOutOfBounds},
      {{'I', 'I', 42, 0, 200, 0, 0, 0}, kTiffOutOfBounds},
      // The first directory at the very end of the data.
      {{'I', 'I', 42, 0, 8, 0, 0, 0}, kTiffOutOfBounds},
      // A count of entries running past the end.
      {{'I', 'I', 42, 0, 8, 0, 0, 0, 5, 0, 1, 1}, kTiffOutOfBounds},
  };
  for (const Row& row : rows) {
    CTiffBuffer tiff = parsed(row.bytes);
    EXPECT_EQ(errorOf([&] { tiff.Parse(); }), row.code) << row.bytes.size();
  }
}

TEST(TiffCodec, ABadLinkToTheNextDirectoryEndsTheChainThere) {
  TiffBuilder builder;
  const std::uint32_t second = builder.directory({builder.shorts(259, {1})});
  const std::uint32_t first = builder.directory({builder.shorts(259, {1})}, second);
  builder.setFirst(first);
  const auto size = std::uint32_t(builder.bytes().size());
  // Back to a directory already read, past the end, and to a directory
  // that would run past the end.
  for (std::uint32_t link : {first, second, 0x7FFFFFF0u, size - 2}) {
    builder.put32(second + 2 + 12, link);
    auto tiff = parse(builder.bytes());
    ASSERT_EQ(tiff->DirectoryCount(), 2u) << link;
    // The rewrite keeps what was read and ends its chain cleanly.
    EXPECT_EQ(parse(tiff->Serialize(0))->DirectoryCount(), 2u) << link;
  }
}

TEST(TiffCodec, SubDirectoriesPointingAtEachOtherAreOutOfBounds) {
  TiffBuilder builder;
  // An Exif directory whose entries all point back at itself.
  std::vector<TiffBuilder::Entry> entries(200, builder.longs(34665, {0}));
  const std::uint32_t exif = builder.directory(entries);
  for (std::uint32_t i = 0; i < 200; ++i)
    builder.put32(exif + 2 + 12 * i + 8, exif);
  builder.setFirst(builder.directory({builder.longs(34665, {exif})}));
  auto tiff = parse(builder.bytes());
  EXPECT_EQ(errorOf([&] { tiff->Serialize(0); }), kTiffOutOfBounds);
}

TEST(TiffCodec, DataReferencedOverAndOverOrClaimedPastTheEndIsRefused) {
  TiffBuilder shared;
  const std::uint32_t block = shared.append(Bytes(1000, 0x11));
  std::vector<TiffBuilder::Entry> entries;
  for (std::uint16_t tag = 1000; tag < 1300; ++tag)
    entries.push_back({tag, 7, 1000, {}});
  const std::uint32_t ifd = shared.directory(entries);
  for (std::uint32_t i = 0; i < entries.size(); ++i)
    shared.put32(ifd + 2 + 12 * i + 8, block);
  shared.setFirst(ifd);
  auto tiff = parse(shared.bytes());
  EXPECT_EQ(errorOf([&] { tiff->Serialize(0); }), kTiffOutOfBounds);

  // A strip of a second directory that claims 4 GB.
  TiffBuilder claimed;
  claimed.rgbPicture(1, 1, 1, {1, 2, 3});
  const std::uint32_t second =
      claimed.directory({claimed.longs(273, {8}), claimed.longs(279, {0xFFFFFFF0u})});
  auto first = parse(claimed.bytes());
  claimed.put32(first->Directory(0).Offset() + first->Directory(0).Size() - 4, second);
  auto chained = parse(claimed.bytes());
  ASSERT_EQ(chained->DirectoryCount(), 2u);
  EXPECT_EQ(errorOf([&] { chained->Serialize(0); }), kTiffOutOfBounds);
}

TEST(TiffCodec, EntryValuesInlineAndOutOfLineAndTheirSizes) {
  for (bool little : {true, false}) {
    TiffBuilder builder(little);
    const std::uint32_t at = builder.directory({builder.shorts(258, {8, 16}), builder.shorts(300, {1, 2, 3}),
                                                builder.ascii(305, "abc"), builder.longs(306, {7})});
    builder.setFirst(at);
    auto tiff = parse(builder.bytes());
    const CTiffDirectory& ifd = tiff->Directory(0);
    const CTiffEntry two = ifd.Find(258);
    EXPECT_FALSE(two.IsOutOfLine());
    EXPECT_EQ(two.Element16(0), 8);
    EXPECT_EQ(two.Element16(1), 16);
    EXPECT_EQ(errorOf([&] { two.Element16(2); }), kTiffOutOfBounds);
    const CTiffEntry three = ifd.Find(300);
    EXPECT_TRUE(three.IsOutOfLine());
    EXPECT_EQ(three.Element16(2), 3);
    // Its value is its first element, not the offset a rewrite moves.
    EXPECT_EQ(three.Value(), 1u);
    EXPECT_EQ(ifd.Software(), "abc");
    EXPECT_EQ(errorOf([&] { ifd.Find(306).Text(); }), kTiffBadParameter);
    EXPECT_TRUE(ifd.Find(999).IsAbsent());
    // 8 + (4 x 12 + 6) + (6 + 1) for the out-of-line SHORT x 3.
    EXPECT_EQ(tiff->GetSerializedSize(), 8u + 54u + 7u);
    const Bytes rewritten = tiff->Serialize(0);
    EXPECT_EQ(rewritten.size(), 8u + 54u + 6u);
    auto again = parse(rewritten);
    EXPECT_EQ(again->Directory(0).Find(300).Element16(2), 3);
    EXPECT_EQ(again->Directory(0).Find(300).Value(), 1u);
    EXPECT_EQ(again->GetSoftware(), "abc");
  }
}

TEST(TiffCodec, ASecondStripOffsetsEntryIsRewrittenWithinItsOwnCount) {
  TiffBuilder builder;
  const std::uint32_t a = builder.append({1, 2});
  const std::uint32_t b = builder.append({3, 4});
  // Two strips by the first entry, one by the second, whose copy must not
  // spill into the entry after it.
  const std::uint32_t ifd = builder.directory({builder.longs(273, {a, b}), builder.longs(279, {2, 2}),
                                               builder.longs(273, {b}), builder.shorts(300, {7, 8})});
  builder.setFirst(ifd);
  auto tiff = parse(builder.bytes());
  auto again = parse(tiff->Serialize(0));
  const CTiffDirectory& copy = again->Directory(0);
  ASSERT_EQ(copy.Count(), 4u);
  EXPECT_EQ(copy.Entry(3).Tag(), 300);
  EXPECT_EQ(copy.Entry(3).Element16(1), 8);
  const CTiffEntry second = copy.Entry(2);
  EXPECT_EQ(second.Count(), 1u);
  EXPECT_EQ(again->Data()[second.Element32(0)], 3);
}

TEST(TiffCodec, ASingleBitsPerSampleValueAppliesToEverySample) {
  for (bool little : {true, false}) {
    SCOPED_TRACE(little ? "II" : "MM");
    TiffBuilder builder(little);
    const Bytes pixels = pattern(3, 2);
    builder.rgbPicture(3, 2, 1, pixels, {}, builder.shorts(258, {8}));
    auto tiff = parse(builder.bytes());
    const CTiffDirectory& ifd = tiff->Directory(0);
    EXPECT_TRUE(ifd.HasBitsPerSampleLayout());
    for (std::uint32_t i = 0; i < 3; ++i)
      EXPECT_EQ(ifd.BitsPerSample(i), 8) << i;
    // Only samples of the picture have bits.
    EXPECT_EQ(errorOf([&] { ifd.BitsPerSample(3); }), kTiffOutOfBounds);
    EXPECT_TRUE(tiff->IsSupportedLayout());
    // The rewrite treats the pixels as plain rows: turned, they are one strip.
    auto turned = parse(tiff->Serialize(1));
    EXPECT_EQ(turned->GetImageWidth(), 2u);
    EXPECT_EQ(turned->GetImageLength(), 3u);
    EXPECT_EQ(turned->GetStripCount(), 1u);
    EXPECT_EQ(turned->Directory(0).BitsPerSample(2), 8);
    // Row 1 of the source is column 0 of the turned picture.
    EXPECT_TRUE(std::memcmp(turned->GetStripData(0), pixels.data() + 9, 3) == 0);
  }

  TiffBuilder other;
  other.rgbPicture(3, 2, 1, pattern(3, 2), {}, other.shorts(258, {8, 8}));
  auto two = parse(other.bytes());
  EXPECT_FALSE(two->Directory(0).HasBitsPerSampleLayout());
  EXPECT_EQ(errorOf([&] { two->Directory(0).BitsPerSample(0); }), kTiffUnsupported);
  EXPECT_EQ(errorOf([&] { two->IsSupportedLayout(); }), 0);
  EXPECT_FALSE(two->IsSupportedLayout());
  // Not plain rows: copied unchanged, and not turned.
  EXPECT_EQ(parse(two->Serialize(0))->GetStripCount(), 2u);
  EXPECT_EQ(errorOf([&] { two->Serialize(1); }), kTiffUnsupported);
}

TEST(TiffCodec, TextsStopAtTheirCountAndDataOutsideTheBufferIsRefused) {
  TiffBuilder builder;
  // Nine characters and no NUL, with more text right after them.
  const TiffBuilder::Entry unterminated = builder.ascii(305, "SOFTWARE!", false);
  const std::uint32_t at =
      builder.directory({unterminated, builder.rational(33434, 1, 250), builder.longs(273, {1, 2, 3})});
  builder.setFirst(at);
  builder.bytes().insert(builder.bytes().end(), {'X', 'Y', 'Z'});
  auto tiff = parse(builder.bytes());
  EXPECT_EQ(tiff->GetSoftware(), "SOFTWARE!");

  // Point the text, the rational and the strip offsets past the end.
  Bytes broken = builder.bytes();
  TiffBuilder patch;
  patch.bytes() = broken;
  for (int i = 0; i < 3; ++i)
    patch.put32(at + 2 + 12 * i + 8, std::uint32_t(broken.size()) - 2);
  auto bad = parse(patch.bytes());
  const CTiffDirectory& ifd = bad->Directory(0);
  EXPECT_EQ(errorOf([&] { ifd.Software(); }), kTiffOutOfBounds);
  EXPECT_EQ(errorOf([&] { ifd.ExposureTime(); }), kTiffOutOfBounds);
  EXPECT_EQ(errorOf([&] { ifd.StripOffset(0); }), kTiffOutOfBounds);
  EXPECT_EQ(errorOf([&] { bad->Serialize(0); }), kTiffOutOfBounds);
}

TEST(TiffCodec, ExifValuesSurviveARewriteInBothByteOrders) {
  for (bool little : {true, false}) {
    TiffBuilder builder(little);
    const std::uint32_t exif = builder.directory(
        {builder.rational(33434, 1, 250), builder.rational(33437, 28, 10), builder.shorts(34855, {400}),
         builder.ascii(36867, "2026:12:09 06:00:00"), builder.rational(37380, 0xFFFFFFFDu, 3),
         builder.shorts(37383, {5}), builder.shorts(37384, {4}), builder.shorts(37385, {16}),
         builder.rational(37386, 50, 1), builder.longs(40962, {640}), builder.longs(40963, {480})});
    const Bytes pixels = pattern(2, 2);
    builder.rgbPicture(2, 2, 2, pixels, {builder.shorts(274, {6}), builder.longs(34665, {exif})});

    for (int pass = 0; pass < 2; ++pass) {
      auto tiff = parse(builder.bytes());
      EXPECT_EQ(tiff->IsLittleEndian(), little);
      EXPECT_EQ(tiff->GetExposureTime().denominator, 250u);
      EXPECT_EQ(tiff->GetFNumber().numerator, 28u);
      EXPECT_EQ(tiff->GetIsoSpeed(), 400u);
      EXPECT_EQ(tiff->GetDateTimeOriginal(), "2026:12:09 06:00:00");
      EXPECT_EQ(std::int32_t(tiff->GetExposureBias().numerator), -3);
      EXPECT_EQ(tiff->GetMeteringMode(), 5u);
      EXPECT_EQ(tiff->GetLightSource(), 4u);
      EXPECT_EQ(tiff->GetFlash(), 16u);
      EXPECT_EQ(tiff->GetFocalLength().numerator, 50u);
      EXPECT_EQ(tiff->GetPixelXDimension(), 640u);
      EXPECT_EQ(tiff->GetPixelYDimension(), 480u);
      // 274 sits in the first directory, as cameras write it.
      EXPECT_EQ(tiff->GetOrientation(), 6u);
      EXPECT_EQ(stripBytes(*tiff), pixels);
      builder.bytes() = tiff->Serialize(0);
    }
  }
}

TEST(TiffCodec, OrientationOfTheExifDirectoryWinsOverTheFirstDirectory) {
  TiffBuilder builder;
  const std::uint32_t exif = builder.directory({builder.shorts(274, {8})});
  builder.setFirst(builder.directory({builder.shorts(274, {3}), builder.longs(34665, {exif})}));
  EXPECT_EQ(parse(builder.bytes())->GetOrientation(), 8u);
}

TEST(TiffCodec, RotationTurnsTheFirstPixelToTheRightPlace) {
  for (bool little : {true, false}) {
    TiffBuilder builder(little);
    const Bytes pixels = {1, 2, 3, 4, 5, 6};
    builder.rgbPicture(2, 1, 1, pixels);
    auto tiff = parse(builder.bytes());

    auto right = parse(tiff->Serialize(1));
    EXPECT_EQ(right->GetImageWidth(), 1u);
    EXPECT_EQ(right->GetImageLength(), 2u);
    EXPECT_EQ(right->Directory(0).RowsPerStrip(), 2u);
    EXPECT_EQ(right->GetStripCount(), 1u);
    EXPECT_EQ(stripBytes(*right), Bytes({1, 2, 3, 4, 5, 6}));

    auto left = parse(tiff->Serialize(3));
    EXPECT_EQ(stripBytes(*left), Bytes({4, 5, 6, 1, 2, 3}));
    EXPECT_EQ(errorOf([&] { tiff->Serialize(2); }), kTiffBadParameter);
  }
}

TEST(TiffCodec, NinetyThenTwoSeventyGivesThePixelsBackInOneStrip) {
  TiffBuilder builder(false);
  const Bytes pixels = pattern(7, 5);
  builder.rgbPicture(7, 5, 2, pixels);
  auto tiff = parse(builder.bytes());
  ASSERT_EQ(tiff->GetStripCount(), 3u);
  auto turned = parse(tiff->Serialize(1));
  auto back = parse(turned->Serialize(3));
  EXPECT_EQ(back->GetImageWidth(), 7u);
  EXPECT_EQ(back->GetImageLength(), 5u);
  EXPECT_EQ(back->GetStripCount(), 1u);
  EXPECT_EQ(back->Directory(0).RowsPerStrip(), 5u);
  EXPECT_EQ(stripBytes(*back), pixels);
}

TEST(TiffCodec, MissingRowsAreZeroAndOddStripsDoNotShiftRows) {
  TiffBuilder builder;
  const Bytes pixels = pattern(3, 3);
  builder.rgbPicture(3, 3, 1, pixels);
  auto full = parse(builder.bytes());
  // Drop the last strip's bytes: the rewrite holds its row as zeros.
  const CTiffDirectory& ifd = full->Directory(0);
  const std::size_t countsAt = ifd.Find(279).DataOffset();
  builder.put32(countsAt + 8, 0);
  auto shortened = parse(builder.bytes());
  auto rewritten = parse(shortened->Serialize(0));
  Bytes expected = pixels;
  std::fill(expected.begin() + 18, expected.end(), 0);
  EXPECT_EQ(stripBytes(*rewritten), expected);
}

TEST(TiffCodec, CraftedDimensionsAreRefusedBeforeAllocating) {
  for (std::uint32_t width : {0x10000u, 0xFFFFFFFFu}) {
    TiffBuilder builder;
    builder.rgbPicture(1, 1, 1, {1, 2, 3});
    auto tiff = parse(builder.bytes());
    builder.put32(tiff->Directory(0).Find(256).EntryOffset() + 8, width);
    builder.put32(tiff->Directory(0).Find(257).EntryOffset() + 8, width);
    builder.put32(tiff->Directory(0).Find(278).EntryOffset() + 8, 0xFFFFFFFFu);
    auto crafted = parse(builder.bytes());
    EXPECT_EQ(errorOf([&] { crafted->Serialize(0); }), kTiffOutOfBounds) << width;
  }
}

TEST(TiffCodec, OffsetTagsPointAtTheirDataAfterARewrite) {
  for (bool little : {true, false}) {
    TiffBuilder builder(little);
    const Bytes thumbnail = {0xFF, 0xD8, 0xFF, 0xDB, 1, 2, 3, 4, 5, 0xFF, 0xD9};
    builder.append(Bytes(37, 0xAB)); // push the data away from where the rewrite puts them
    const std::uint32_t interop =
        builder.directory({builder.ascii(1, "R98"), builder.undefined(2, {'0', '1', '0', '0'})});
    const std::uint32_t exif =
        builder.directory({builder.rational(33434, 1, 60), builder.longs(40965, {interop})});
    const std::uint32_t gps =
        builder.directory({builder.ascii(1, "N"), {2, 5, 3, builder.encode32({35, 1, 40, 1, 5, 1})}});
    const std::uint32_t thumbAt = builder.append(thumbnail);
    const std::uint32_t ifd1 = builder.directory({builder.shorts(259, {6}), builder.longs(513, {thumbAt}),
                                                  builder.longs(514, {std::uint32_t(thumbnail.size())})});
    const std::uint32_t ifd0 = builder.rgbPicture(
        3, 2, 1, pattern(3, 2), {builder.longs(34665, {exif}), builder.longs(34853, {gps})});
    builder.put32(ifd0 + 2 + 12 * parse(builder.bytes())->Directory(0).Count(), ifd1);

    for (int rotation : {0, 1, 3}) {
      auto tiff = parse(parse(builder.bytes())->Serialize(rotation));
      ASSERT_EQ(tiff->DirectoryCount(), 2u);
      const CTiffDirectory& first = tiff->Directory(0);
      const auto exifDir = first.SubDirectory(34665);
      ASSERT_TRUE(exifDir);
      EXPECT_EQ(exifDir->ExposureTime().denominator, 60u);
      const auto interopDir = exifDir->SubDirectory(40965);
      ASSERT_TRUE(interopDir);
      EXPECT_EQ(interopDir->Find(1).Text(), "R98");
      const auto gpsDir = first.SubDirectory(34853);
      ASSERT_TRUE(gpsDir);
      EXPECT_EQ(gpsDir->Find(1).Text(), "N");
      EXPECT_EQ(gpsDir->Find(2).Element32(2), 40u);
      const CTiffDirectory& second = tiff->Directory(1);
      const std::uint32_t moved = second.Find(513).Value();
      ASSERT_LE(moved + thumbnail.size(), tiff->Size());
      EXPECT_EQ(Bytes(tiff->Data() + moved, tiff->Data() + moved + thumbnail.size()), thumbnail);
    }
  }
}

namespace {

// A picture whose Exif directory holds a maker note: "BRANT\0" with a
// directory 8 bytes in (tag 256 pointing outside the note, tag 2 pointing
// inside it), or another maker's bytes.
struct NotePicture {
  Bytes file;
  Bytes note;
  Bytes preview;
};

NotePicture notePicture(bool little, bool ours) {
  TiffBuilder builder(little);
  NotePicture result;
  result.preview = {9, 8, 7, 6, 5, 4, 3, 2, 1};
  builder.append(Bytes(11, 0xCD));
  const std::uint32_t previewAt = builder.append(result.preview);
  // The note is placed at a known offset: its inner offsets count from the
  // header, so they are computed from there.
  if (builder.bytes().size() % 2)
    builder.bytes().push_back(0);
  const std::uint32_t noteAt = std::uint32_t(builder.bytes().size());
  Bytes note = ours ? Bytes{'B', 'R', 'A', 'N', 'T', 0, 1, 0} : Bytes{'O', 'T', 'H', 'E', 'R', 0, 1, 0};
  const std::uint32_t textAt = noteAt + 8 + 2 + 2 * 12 + 4;
  const Bytes directory = [&] {
    Bytes d = builder.encode16({2});
    auto add = [&](const Bytes& b) { d.insert(d.end(), b.begin(), b.end()); };
    add(builder.encode16({2, 2}));
    add(builder.encode32({8, textAt}));
    add(builder.encode16({256, 7}));
    add(builder.encode32({std::uint32_t(result.preview.size()), previewAt}));
    add(builder.encode32({0}));
    return d;
  }();
  note.insert(note.end(), directory.begin(), directory.end());
  const Bytes text = {'I', 'N', 'S', 'I', 'D', 'E', '!', 0};
  note.insert(note.end(), text.begin(), text.end());
  builder.append(note);
  result.note = note;
  const std::uint32_t exif = builder.directory({{37500, 7, std::uint32_t(note.size()), {}}});
  builder.put32(exif + 2 + 8, noteAt);
  builder.rgbPicture(2, 2, 1, pattern(2, 2), {builder.longs(34665, {exif})});
  result.file = builder.bytes();
  return result;
}

} // namespace

TEST(TiffCodec, OurMakerNoteIsRelocatedAndOthersAreCopiedByteForByte) {
  for (bool little : {true, false}) {
    for (bool ours : {true, false}) {
      const NotePicture picture = notePicture(little, ours);
      auto source = parse(picture.file);
      const Bytes rewritten = source->Serialize(1);
      auto tiff = parse(rewritten);
      const auto exif = tiff->Directory(0).SubDirectory(34665);
      ASSERT_TRUE(exif);
      const std::size_t noteAt = exif->MakerNoteOffset();
      ASSERT_NE(noteAt, 0u);
      const CTiffEntry entry = exif->Find(37500);
      ASSERT_LE(noteAt + entry.DataSize(), rewritten.size());
      const Bytes note(rewritten.begin() + std::ptrdiff_t(noteAt),
                       rewritten.begin() + std::ptrdiff_t(noteAt + entry.DataSize()));
      if (!ours) {
        EXPECT_EQ(note, picture.note) << little;
        continue;
      }
      EXPECT_NE(noteAt, source->Directory(0).SubDirectory(34665)->MakerNoteOffset());
      const CTiffDirectory inner(tiff->Data(), tiff->Size(), noteAt + 8, little);
      EXPECT_EQ(inner.Find(2).Text(), "INSIDE!");
      const CTiffEntry preview = inner.Find(256);
      const std::size_t previewAt = preview.DataOffset();
      EXPECT_EQ(Bytes(tiff->Data() + previewAt, tiff->Data() + previewAt + 9), picture.preview);
    }
  }
}

TEST(TiffCodec, TruncatedAndBitFlippedInputsFailCleanly) {
  const NotePicture picture = notePicture(true, true);
  std::vector<Bytes> inputs;
  for (std::size_t size = 0; size < picture.file.size(); ++size)
    inputs.emplace_back(picture.file.begin(), picture.file.begin() + std::ptrdiff_t(size));
  for (std::size_t at = 0; at < picture.file.size(); ++at) {
    for (int bit : {0, 3, 7}) {
      Bytes flipped = picture.file;
      flipped[at] ^= BYTE(1u << bit);
      inputs.push_back(flipped);
    }
  }
  int failures = 0;
  for (const Bytes& input : inputs) {
    try {
      auto tiff = parse(input);
      tiff->GetSoftware();
      tiff->GetDateTimeOriginal();
      tiff->GetOrientation();
      tiff->GetExposureTime();
      tiff->HasStripLayout();
      tiff->IsSupportedLayout();
      for (int rotation : {0, 1, 3}) {
        const Bytes out = tiff->Serialize(rotation);
        EXPECT_LE(out.size(), tiff->GetSerializedSize(rotation));
        parse(out);
      }
    } catch (const _brantel_take_error& error) {
      const unsigned code = unsigned(error.Error());
      EXPECT_TRUE(code >= 0x81050001u && code <= 0x81050004u) << std::hex << code;
      ++failures;
    }
  }
  EXPECT_GT(failures, int(picture.file.size()));
}
