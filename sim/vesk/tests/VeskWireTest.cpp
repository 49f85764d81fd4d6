// The socket frames and the camera protocol's frames against bytes written
// out by hand from their tables.
#include "vesklib/VeskWire.h"
#include "sim/vesk/VeskSimBytes.h"
#include "sim/vesk/VeskSimFrames.h"

#include <gtest/gtest.h>

#include <string>

using namespace tarsel::vesksim;
using namespace tarsel::vesk::wire;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes hexBytes(const std::string& text) {
  Bytes out;
  std::string digits;
  for (char c : text) {
    if (std::isxdigit(static_cast<unsigned char>(c)))
      digits.push_back(c);
  }
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
    out.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  return out;
}

// The 64-byte frame header: u32 length, u16 2, u16 word, 56 zero bytes.
Bytes frameHeader(std::uint32_t length, std::uint16_t word) {
  Bytes out = {static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8), 0, 0, 0x02, 0x00,
               static_cast<std::uint8_t>(word),   static_cast<std::uint8_t>(word >> 8)};
  out.resize(64, 0);
  return out;
}

Bytes cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

} // namespace

TEST(Wire, RequestHeaderHasTheFixedLittleEndianLayout) {
  RequestHeader h;
  h.kind = RequestKind::ScsiPassThrough;
  h.cdbLength = 12;
  h.direction = Direction::DataOut;
  h.cdb[0] = 0xC0;
  h.cdb[9] = 0x10;
  h.cdb[13] = 0x77; // past the CDB length: must go out as 0
  h.dataLength = 16;
  h.timeoutMs = 45000;
  h.sequence = 0x0A0B0C0D;
  const auto bytes = encodeRequestHeader(h);
  const Bytes expected = hexBytes("564B5351 0100 0000 00000000 0C 01 0000"
                                  "C0000000 00000000 00100000 00000000"
                                  "10000000 C8AF0000 0D0C0B0A");
  EXPECT_EQ(Bytes(bytes.begin(), bytes.end()), expected);

  RequestHeader back;
  ASSERT_EQ(decodeRequestHeader(bytes, back), DecodeStatus::Ok);
  EXPECT_EQ(back.cdb[0], 0xC0);
  EXPECT_EQ(back.cdb[13], 0);
  EXPECT_EQ(back.dataLength, 16u);
  EXPECT_EQ(back.timeoutMs, 45000u);
  EXPECT_EQ(back.sequence, 0x0A0B0C0Du);

  RequestHeader count;
  count.kind = RequestKind::DeviceControl;
  count.controlCode = kCountQueryCode;
  count.direction = Direction::DataIn;
  count.dataLength = 8;
  const auto c = encodeRequestHeader(count);
  EXPECT_EQ(Bytes(c.begin(), c.begin() + 16), hexBytes("564B5351 0200 0000 04202200 00 02 0000"));
}

TEST(Wire, ReplyHeaderHasTheFixedLayoutAndBoundsTheSense) {
  ReplyHeader h;
  h.error = 31;
  h.scsiStatus = 2;
  h.senseLength = 3;
  h.sense = {0x70, 0x00, 0x05};
  h.sense[20] = 0xEE; // past the sense length: not sent
  h.dataLength = 0x0102;
  h.sequence = 7;
  const auto bytes = encodeReplyHeader(h);
  Bytes expected = hexBytes("564B5352 1F000000 02 03 0000 700005");
  expected.resize(44, 0);
  const Bytes tail = hexBytes("02010000 07000000");
  expected.insert(expected.end(), tail.begin(), tail.end());
  EXPECT_EQ(Bytes(bytes.begin(), bytes.end()), expected);

  ReplyHeader back;
  ASSERT_EQ(decodeReplyHeader(bytes, back), DecodeStatus::Ok);
  EXPECT_EQ(back.error, 31u);
  EXPECT_EQ(back.senseLength, 3);
  EXPECT_EQ(back.sense[20], 0);
  EXPECT_EQ(back.sequence, 7u);
}

TEST(Wire, MalformedHeadersAreNamedNotTrusted) {
  RequestHeader good;
  good.cdbLength = 12;
  good.direction = Direction::DataIn;
  good.dataLength = 16;
  const auto base = encodeRequestHeader(good);
  struct Row {
    const char* what;
    std::size_t offset;
    std::uint8_t value;
    DecodeStatus expected;
  };
  const Row rows[] = {
      {"magic", 0, 0x00, DecodeStatus::BadMagic},
      {"kind 3", 4, 0x03, DecodeStatus::BadKind},
      {"reserved after kind", 6, 0x01, DecodeStatus::ReservedNotZero},
      {"CDB length 10", 12, 10, DecodeStatus::BadCdbLength},
      {"direction 3", 13, 3, DecodeStatus::BadDirection},
      {"reserved after direction", 15, 0x80, DecodeStatus::ReservedNotZero},
      {"byte past the CDB", 16 + 12, 0x01, DecodeStatus::BadCdbLength},
      {"data over 1 MiB", 34, 0x10, DecodeStatus::TooLong},
  };
  for (const Row& row : rows) {
    auto bytes = base;
    bytes[row.offset] = row.value;
    if (row.offset == 34)
      bytes[32] = 1; // 0x00100001
    RequestHeader out;
    EXPECT_EQ(decodeRequestHeader(bytes, out), row.expected) << row.what;
  }
  RequestHeader out;
  EXPECT_EQ(decodeRequestHeader(std::span(base.data(), kRequestHeaderSize - 1), out), DecodeStatus::TooShort);

  ReplyHeader r;
  auto reply = encodeReplyHeader(ReplyHeader{});
  reply[9] = 33;
  EXPECT_EQ(decodeReplyHeader(reply, r), DecodeStatus::BadSenseLength);
  reply[9] = 0;
  reply[46] = 0x20; // 2 MiB
  EXPECT_EQ(decodeReplyHeader(reply, r), DecodeStatus::TooLong);
  EXPECT_EQ(decodeReplyHeader(std::span(reply.data(), kReplyHeaderSize - 1), r), DecodeStatus::TooShort);
}

TEST(Wire, WholeFramesCarryTheirDataAndTheCountAnswer) {
  Request q;
  q.header.cdbLength = 12;
  q.header.direction = Direction::DataOut;
  q.header.dataLength = 3;
  q.data = {1, 2, 3, 4}; // one byte more than the header says: cut
  const Bytes frame = encodeRequest(q);
  ASSERT_EQ(frame.size(), kRequestHeaderSize + 3);
  EXPECT_EQ(Bytes(frame.end() - 3, frame.end()), (Bytes{1, 2, 3}));

  Reply r;
  r.data = {9, 8};
  const Bytes reply = encodeReply(r);
  ASSERT_EQ(reply.size(), kReplyHeaderSize + 2);
  EXPECT_EQ(loadLe32(&reply[44]), 2u);

  const auto answer = encodeCountAnswer(3);
  EXPECT_EQ(Bytes(answer.begin(), answer.end()), hexBytes("03000000 00000000"));
  EXPECT_EQ(cameraDeviceName(12), "BrantelVesk12");
}

TEST(Frames, HostFramesMatchTheTableBytes) {
  const std::uint8_t value[4] = {2, 0, 0, 0};
  EXPECT_EQ(frames::commandFrame(frames::kRegisterWrite, 7, value),
            cat(frameHeader(76, 0x9FFF), hexBytes("1B43 0600 00 07 02000000 0900")));
  EXPECT_EQ(frames::commandFrame(frames::kRegisterRead, 10, {}),
            cat(frameHeader(72, 0x9FFF), hexBytes("1B43 0200 01 0A 0B00")));
  const std::uint8_t param[1] = {0};
  EXPECT_EQ(frames::commandFrame(frames::kAction, 2, param),
            cat(frameHeader(73, 0x9FFF), hexBytes("1B43 0300 02 02 00 0400")));
  EXPECT_EQ(frames::commandFrame(frames::kDataRead, 14, {}),
            cat(frameHeader(72, 0x9FFF), hexBytes("1B43 0200 06 0E 1400")));
  const std::uint8_t ab[2] = {'A', 'B'};
  // First block: u16 n + 2, kind 5, object, data; checksum over kind, object and data.
  EXPECT_EQ(frames::commandFrame(frames::kDataWrite, 22, ab),
            cat(frameHeader(74, 0x9FFF), hexBytes("1B43 0400 05 16 4142 9E00")));
  // Further block: type, block number - 2, u16 n, data, checksum over the data.
  EXPECT_EQ(frames::dataBlockFrame(frames::kBlockLast, 0, ab),
            cat(frameHeader(72, 0x9FFF), hexBytes("03 00 0200 4142 8300")));
  EXPECT_EQ(frames::statusFrame(0x06), cat(frameHeader(65, 0x09FF), hexBytes("06")));
}

TEST(Frames, CameraRecordsMatchTheTableBytes) {
  EXPECT_EQ(frames::statusRecord(0x06), cat(frameHeader(65, 0x9FFF), hexBytes("06")));
  // Register record: value at 68, checksum of the four value bytes at 72.
  EXPECT_EQ(frames::registerRecord(0x01020304),
            cat(frameHeader(74, 0x9FFF), hexBytes("03 00 0400 04030201 0A00")));
  const std::uint8_t payload[3] = {0xFF, 0xFF, 0x03};
  EXPECT_EQ(frames::dataRecord(frames::kBlockMiddle, 5, payload, false),
            cat(frameHeader(73, 0x9FFF), hexBytes("02 05 0300 FFFF03 0102")));
  EXPECT_EQ(frames::dataRecord(frames::kBlockLast, 0, {}, false),
            cat(frameHeader(70, 0x9FFF), hexBytes("03 00 0000 0000")));
  EXPECT_EQ(frames::dataRecord(frames::kBlockLast, 0, payload, true),
            cat(frameHeader(73, 0x9FFF), hexBytes("03 00 0300 FFFF03 FFFF")));
}

TEST(Frames, ParserTakesBothStatusWordsAndRejectsBrokenFrames) {
  for (std::uint16_t word : {std::uint16_t{0x09FF}, std::uint16_t{0x9FFF}}) {
    const auto f = frames::parseHostFrame(frames::statusFrame(0x06, word));
    EXPECT_EQ(f.type, frames::HostFrame::Type::Status);
    EXPECT_EQ(f.headerWord, word);
    EXPECT_EQ(f.status, 0x06);
  }
  const std::uint8_t value[4] = {1, 2, 3, 4};
  const Bytes good = frames::commandFrame(frames::kRegisterWrite, 35, value);
  const auto parsed = frames::parseHostFrame(good);
  ASSERT_EQ(parsed.type, frames::HostFrame::Type::Command);
  EXPECT_EQ(parsed.kind, 0);
  EXPECT_EQ(parsed.number, 35);
  EXPECT_EQ(parsed.params, Bytes(value, value + 4));
  EXPECT_TRUE(parsed.checksumOk);

  Bytes badSum = good;
  badSum[75] ^= 1;
  EXPECT_FALSE(frames::parseHostFrame(badSum).checksumOk);

  struct Row {
    const char* what;
    std::size_t offset;
    std::uint8_t value;
  };
  const Row broken[] = {{"length field", 0, 77}, {"signature", 4, 3},    {"header word", 6, 0xFE},
                        {"ESC letter", 65, 'D'}, {"body length", 66, 7}, {"type byte", 64, 9}};
  for (const Row& row : broken) {
    Bytes f = good;
    f[row.offset] = row.value;
    EXPECT_EQ(frames::parseHostFrame(f).type, frames::HostFrame::Type::Invalid) << row.what;
  }
  EXPECT_EQ(frames::parseHostFrame(Bytes(64, 0)).type, frames::HostFrame::Type::Invalid);
  Bytes padded = good;
  padded[20] = 1;
  EXPECT_EQ(frames::parseHostFrame(padded).notes.size(), 1u);
}
