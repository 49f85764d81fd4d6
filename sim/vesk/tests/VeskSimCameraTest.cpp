// The simulated camera from the host's side: INQUIRY, the vendor operations'
// reply layouts, checksums, registers, objects, actions on the virtual clock,
// the card with erase and renumbering, and large transfers.
#include "VeskSimTestFixture.h"

#include "sim/vesk/VeskSimFrames.h"
#include "sim/vesk/VeskSimTypes.h"

#include <thread>

using namespace tarsel::vesksim;
using namespace tarsel::vesksim::test;

namespace {

std::string text(const Bytes& bytes, std::size_t from, std::size_t n) {
  return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                     bytes.begin() + static_cast<std::ptrdiff_t>(from + n));
}

} // namespace

TEST(Discovery, CameraDiskAndFailingNodeAnswerInquiryAsTheirKinds) {
  VeskSimEngine engine;
  engine.addCamera(*builtinModel("XC-702"), smallCard(0));
  engine.addDisk("BIG DISK");
  engine.addFailingNode();
  engine.addCamera(*builtinModel("KT-300"), smallCard(0));

  const Response camera = engine.handle(0, VeskTestHost::inquiryRequest());
  ASSERT_EQ(camera.reply.data.size(), 36u);
  EXPECT_EQ(camera.reply.data[0], 0x00);
  EXPECT_EQ(camera.reply.data[1], 0x80);
  EXPECT_EQ(text(camera.reply.data, 8, 8), "BRANTEL ");
  EXPECT_EQ(text(camera.reply.data, 16, 16), "XC-702 CAMERA   ");
  EXPECT_EQ(text(camera.reply.data, 32, 4), "1.00");

  const Response disk = engine.handle(1, VeskTestHost::inquiryRequest());
  EXPECT_EQ(disk.reply.header.error, 0u);
  EXPECT_EQ(text(disk.reply.data, 16, 16), "BIG DISK        ");
  const Response diskVendor = engine.handle(1, VeskTestHost::scsi(0xC4, Direction::DataIn, 16));
  EXPECT_EQ(diskVendor.reply.header.scsiStatus, kScsiStatusCheckCondition);
  EXPECT_EQ(diskVendor.reply.header.error, kWireCommandFailed);

  const Response failing = engine.handle(2, VeskTestHost::inquiryRequest());
  EXPECT_EQ(failing.reply.header.error, kWireCommandFailed);
  EXPECT_EQ(failing.reply.header.scsiStatus, kScsiStatusCheckCondition);
  EXPECT_TRUE(failing.reply.data.empty());

  // A short allocation length gets a short answer.
  Request small = VeskTestHost::inquiryRequest();
  small.header.cdb[4] = 20;
  small.header.dataLength = 20;
  EXPECT_EQ(engine.handle(3, small).reply.data.size(), 20u);

  const auto count = [&engine] {
    const Response r = engine.handle(kControlDevice, VeskTestHost::countRequest());
    std::uint32_t n = 0;
    EXPECT_TRUE(decodeCountAnswer(r.reply.data, n));
    EXPECT_EQ(r.reply.data.size(), 8u);
    return n;
  };
  EXPECT_EQ(count(), 4u);
  engine.unplug(1);
  EXPECT_EQ(count(), 4u); // a gap in the middle keeps the count
  engine.unplug(3);
  EXPECT_EQ(count(), 3u);
  engine.plug(3);
  EXPECT_EQ(count(), 4u);

  Request otherCode = VeskTestHost::countRequest();
  otherCode.header.controlCode = 0x222008;
  EXPECT_EQ(engine.handle(kControlDevice, otherCode).reply.header.error, 1u);
  Request smallBuffer = VeskTestHost::countRequest();
  smallBuffer.header.dataLength = 4;
  EXPECT_EQ(engine.handle(kControlDevice, smallBuffer).reply.header.error, 122u);
  EXPECT_EQ(engine.handle(0, VeskTestHost::countRequest()).reply.header.error, 1u);
}

TEST_F(CameraFixture, EachVendorOperationAnswersWithItsDocumentedLayout) {
  start();
  const auto send = [this](std::uint8_t op, Direction dir, std::uint32_t length, const Bytes& data = {}) {
    const Response r = host->send(VeskTestHost::scsi(op, dir, length, data));
    EXPECT_EQ(r.kind, Response::Kind::Reply);
    EXPECT_EQ(r.reply.header.error, 0u);
    EXPECT_EQ(r.reply.header.scsiStatus, 0);
    return r.reply.data;
  };
  const Bytes open = le32({12, 0x9FFF0001, 0, 0});
  EXPECT_TRUE(send(0xC0, Direction::DataOut, 16, open).empty());
  const Bytes frame = frames::commandFrame(frames::kRegisterRead, 35, {});
  EXPECT_TRUE(send(0xC1, Direction::DataOut, static_cast<std::uint32_t>(frame.size()), frame).empty());
  EXPECT_EQ(send(0xC3, Direction::DataIn, 14), Bytes(14, 0));

  send(0xC0, Direction::DataOut, 16, open);
  EXPECT_EQ(send(0xC4, Direction::DataIn, 16), le32({16, 0x9FFF0004, 0, 74}));
  const Bytes record = send(0xC2, Direction::DataIn, 74);
  Bytes expected(64, 0);
  expected[0] = 74;
  expected[4] = 2;
  expected[6] = 0xFF;
  expected[7] = 0x9F;
  const Bytes body = {0x03, 0x00, 0x04, 0x00, 0x04, 0x00, 0x00, 0x00, 0x04, 0x00}; // LCD brightness 4
  expected.insert(expected.end(), body.begin(), body.end());
  EXPECT_EQ(record, expected);
  send(0xC3, Direction::DataIn, 14);

  send(0xC0, Direction::DataOut, 16, open);
  const Bytes ack = frames::statusFrame(0x06);
  EXPECT_TRUE(send(0xC1, Direction::DataOut, 65, ack).empty());
  send(0xC3, Direction::DataIn, 14);
  EXPECT_TRUE(violations().empty());

  // A reply is never longer than what was asked for.
  host->send(VeskTestHost::scsi(0xC0, Direction::DataOut, 16, open));
  const Bytes read = frames::commandFrame(frames::kRegisterRead, 35, {});
  host->send(VeskTestHost::scsi(0xC1, Direction::DataOut, 72, read));
  host->send(VeskTestHost::scsi(0xC3, Direction::DataIn, 14));
  host->send(VeskTestHost::scsi(0xC0, Direction::DataOut, 16, open));
  host->send(VeskTestHost::scsi(0xC4, Direction::DataIn, 16));
  EXPECT_EQ(send(0xC2, Direction::DataIn, 10).size(), 10u);
}

TEST_F(CameraFixture, ChecksumsAreByteSumsAndABadHostChecksumGetsNak) {
  start();
  std::uint8_t value[4] = {3, 0, 0, 0};
  Bytes frame = frames::commandFrame(frames::kRegisterWrite, 35, value);
  frame[74] ^= 0x40; // checksum
  ASSERT_EQ(host->open(), 0);
  ASSERT_EQ(host->sendFrame(frame), 0);
  ASSERT_EQ(host->closeStep(), 0);
  ASSERT_EQ(host->open(), 0);
  std::uint32_t length = 0;
  ASSERT_EQ(host->replyLength(length), 0);
  Bytes reply;
  ASSERT_EQ(host->readReply(length, reply), 0);
  ASSERT_EQ(reply.size(), 65u);
  EXPECT_EQ(reply[64], 0x15);
  host->closeStep();
  EXPECT_EQ(engine->cameraRegister(0, 35), 4u); // unchanged
  ASSERT_EQ(violations().size(), 1u);
  EXPECT_EQ(violations()[0], "command frame with a bad checksum");
}

TEST_F(CameraFixture, RegistersReadBackWhatTheCameraAccepted) {
  model.rejectPolicy = RejectPolicy::KeepOld;
  start();
  struct Row {
    std::uint8_t reg;
    std::uint32_t value;
    int error;
    std::uint32_t readBack;
  };
  const Row rows[] = {
      {1, 4, 0, 4},        {1, 11, 0, 4}, // 11 is not a resolution of this model: kept
      {7, 3, 0, 3},        {7, 5, 0, 3},  // flash 5 does not exist
      {20, 255, 0, 255},   {33, 3, 0, 3},        {35, 7, 0, 7},   {35, 8, 0, 7},  {70, 2, 0, 2},
      {72, 1032, 0, 1032}, {72, 776, 0, 1032},   {85, 9, 0, 9},   {85, 10, 0, 9}, {103, 200, 0, 200},
      {23, 600, 0, 600},   {24, 90000, 14, 180}, {38, 30, 0, 30}, {10, 5, 14, 2}, {12, 5, 14, 0},
      {13, 1, 14, 0},      {39, 1, 14, 0}, // read-only
      {4, 2, 0, 2},        {4, 3, 14, 2},  // only pictures that exist
      {83, 1, 0, 1},       {83, 2, 14, 1},
  };
  for (const Row& row : rows) {
    const HostResult w = host->writeRegister(row.reg, row.value);
    EXPECT_EQ(w.error, row.error) << "register " << int(row.reg) << " value " << row.value;
    const HostResult r = host->readRegister(row.reg);
    if (row.reg == 13) {
      EXPECT_EQ(r.error, 0);
      continue;
    }
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.value, row.readBack) << "register " << int(row.reg);
  }
  EXPECT_EQ(host->readRegister(200).error, 16); // unknown register: NAK record, not a value
  EXPECT_EQ(host->writeRegister(200, 1).error, 14);
  EXPECT_EQ(host->writeRegister(30, 1).error, 0);
  EXPECT_EQ(host->readRegister(10).value, 2u);
  EXPECT_EQ(host->readRegister(11).value, engine->cameraRegister(0, 11));
  EXPECT_EQ(violations(), std::vector<std::string>{});

  model.rejectPolicy = RejectPolicy::Nak;
  start();
  EXPECT_EQ(host->writeRegister(7, 5).error, 14);
  model = *builtinModel("KT-300"); // nearest
  start();
  EXPECT_EQ(host->writeRegister(35, 9).error, 0);
  EXPECT_EQ(host->readRegister(35).value, 7u);
}

TEST_F(CameraFixture, DataObjectsHaveTheirSizesAndWritableOnesRoundTrip) {
  start();
  struct Size {
    std::uint8_t object;
    std::size_t size;
  };
  const Size sizes[] = {{22, 32}, {26, 32}, {46, 32}, {47, 32}, {67, 76}, {69, 8},   {71, 8},
                        {74, 76}, {79, 13}, {84, 9},  {87, 32}, {91, 20}, {102, 20}, {124, 64}};
  for (const Size& s : sizes) {
    const HostResult r = host->readData(s.object);
    EXPECT_EQ(r.error, 0) << int(s.object);
    EXPECT_EQ(r.data.size(), s.size) << int(s.object);
  }
  EXPECT_EQ(host->readData(26).data,
            Bytes({'X', 'C', '7', '0', '1', ' ', 'F', 'W', ' ', '2', '.', '1', '4', 0, 0, 0,
                   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0, 0, 0}));

  // The camera keeps 31 characters of a longer ID.
  const std::string id = "0123456789012345678901234567890123456789";
  EXPECT_EQ(host->writeData(22, Bytes(id.begin(), id.end())).error, 0);
  const Bytes back = host->readData(22).data;
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(back.data())), id.substr(0, 31));

  EXPECT_EQ(host->writeData(87, le32({2, 0, 0, 3, 0, 0, 0, 0})).error, 0);
  EXPECT_EQ(host->readData(87).data, le32({2, 0, 0, 3, 0, 0, 0, 0}));
  EXPECT_EQ(host->writeData(87, le32({1, 0, 0, 0, 0, 0, 0, 0})).error, 14); // media mode 1 does not exist
  EXPECT_EQ(host->writeData(87, le32({0, 0, 0, 0})).error, 14);             // 16 bytes, not 32
  EXPECT_EQ(host->writeData(87, le32({0, 0, 0, 0, 0, 0, 0, 0})).error, 0);

  EXPECT_EQ(host->writeData(102, le32({1, 56, 10, 2000000, 0})).error, 0);
  EXPECT_EQ(host->readData(102).data, le32({1, 56, 10, 2000000, 0}));
  EXPECT_EQ(host->writeData(102, le32({2, 4, 10, 100000, 0})).error, 0); // aperture 4 unknown: kept
  EXPECT_EQ(host->readData(102).data, le32({2, 56, 10, 100000, 0}));
  EXPECT_EQ(host->writeData(102, le32({5, 56, 10, 100000, 0})).error, 14);
  EXPECT_EQ(host->writeData(102, le32({2, 56, 9, 100000, 0})).error, 14);

  EXPECT_EQ(host->writeData(69, le32({static_cast<std::uint32_t>(-7), 10})).error, 0);
  EXPECT_EQ(host->readData(69).data, le32({static_cast<std::uint32_t>(-7), 10}));
  EXPECT_EQ(host->writeData(71, le32({150, 10})).error, 0);
  EXPECT_EQ(host->readData(71).data, le32({150, 10}));
  EXPECT_EQ(host->writeData(71, le32({10000, 10})).error, 0); // the lens stops at its end
  EXPECT_EQ(host->readData(71).data, le32({210, 10}));

  Bytes custom = le32({1, 2, 3, 10, 4, 10, 5, 6, 10, 7, 8, 9, 10, 11, 12, 13});
  EXPECT_EQ(host->writeData(124, custom).error, 0);
  EXPECT_EQ(host->readData(124).data, custom);
  EXPECT_EQ(host->writeData(84, Bytes{'1', '0', '1', 'T', 'E', 'S', 'T', 0}).error, 0);
  EXPECT_EQ(host->readData(84).data, (Bytes{'1', '0', '1', 'T', 'E', 'S', 'T', 0, 0}));
  EXPECT_EQ(host->writeData(84, Bytes(9, 'A')).error, 14);
  EXPECT_EQ(host->writeData(26, Bytes(4, 'A')).error, 14); // firmware is read-only
  EXPECT_EQ(host->readData(200).error, 16);
  EXPECT_EQ(violations(), std::vector<std::string>{});
}

TEST_F(CameraFixture, RecordsDescribeTheCameraAndTheCurrentPicture) {
  card.battery = -5;
  start();
  ASSERT_EQ(host->writeRegister(4, 2).error, 0);
  const auto picture = engine->picture(0, 2);
  ASSERT_TRUE(picture);

  const Bytes camera = host->readData(46).data;
  EXPECT_EQ(loadLe32(&camera[0]), 9u);      // resolution: the model's default
  EXPECT_EQ(loadLe16(&camera[16]), 0xFFFB); // battery, signed 16 bits
  EXPECT_EQ(loadLe32(&camera[20]), 2u);     // pictures
  EXPECT_EQ(loadLe32(&camera[24]), engine->cameraRegister(0, 11));

  const Bytes tag = host->readData(74).data;
  EXPECT_EQ(loadLe32(&tag[0]), 2u);
  EXPECT_EQ(loadLe32(&tag[8]), 640u);
  EXPECT_EQ(loadLe32(&tag[12]), 480u);
  EXPECT_EQ(loadLe32(&tag[16]), picture->bytes->size());
  EXPECT_EQ(text(tag, 20, 20), std::string("2024:05:01 12:00:00") + '\0');
  EXPECT_EQ(loadLe32(&tag[64]), 0u); // flash fired: auto flash fires on every other shot, this is the 2nd

  const Bytes name = host->readData(79).data;
  EXPECT_EQ(text(name, 0, 13), std::string("SIM_0002.JPG") + '\0');
  EXPECT_EQ(picture->fileName, "SIM_0002.JPG");

  const Bytes memory = host->readData(67).data;
  EXPECT_EQ(loadLe32(&memory[0]), 1u);
  EXPECT_EQ(loadLe32(&memory[72]),
            (256u << 20) - picture->bytes->size() - engine->picture(0, 1)->bytes->size());

  const Bytes folder = host->readData(91).data;
  EXPECT_EQ(folder, le32({1, 1, 2, 2, 0}));
}

TEST_F(CameraFixture, CaptureIsBusyOnTheVirtualClockThenReady) {
  model.captureMs = 1500;
  start();
  ASSERT_EQ(host->writeData(102, le32({1, 28, 10, 2000000, 0})).error, 0);
  const std::uint64_t start = nowUs();

  // First status at once; the open for the second status waits for the exposure.
  ASSERT_EQ(host->open(), 0);
  const std::uint8_t p[1] = {0};
  ASSERT_EQ(host->sendFrame(frames::commandFrame(frames::kAction, 2, p)), 0);
  ASSERT_EQ(host->closeStep(), 0);
  ASSERT_EQ(host->open(), 0);
  std::uint32_t length = 0;
  Bytes reply;
  ASSERT_EQ(host->replyLength(length), 0);
  ASSERT_EQ(host->readReply(length, reply), 0);
  EXPECT_EQ(reply[64], 0x06);
  ASSERT_EQ(host->closeStep(), 0);
  EXPECT_EQ(nowUs(), start);

  // A time-out shorter than the busy time: no answer, and the time-out passed.
  host->setTimeout(3000);
  EXPECT_EQ(host->open(), 121);
  EXPECT_EQ(nowUs(), start + 3'000'000);

  host->setTimeout(45000);
  ASSERT_EQ(host->open(), 0);
  EXPECT_EQ(nowUs(), start + 3'500'000); // 1.5 s + 2 s exposure
  ASSERT_EQ(host->replyLength(length), 0);
  ASSERT_EQ(host->readReply(length, reply), 0);
  EXPECT_EQ(reply[64], 0x05);
  ASSERT_EQ(host->closeStep(), 0);
  EXPECT_EQ(engine->pictureCount(0), 3u);
  EXPECT_EQ(engine->stats(0)->actions.at(2), 1u);
  EXPECT_EQ(violations(), std::vector<std::string>{});

  // The whole transaction in one go takes the same time.
  const std::uint64_t again = nowUs();
  EXPECT_EQ(host->runAction(2, 0).error, 0);
  EXPECT_EQ(nowUs(), again + 3'500'000);
}

TEST_F(CameraFixture, NotReadyWindowAnswersDc1UntilTheClockPassesIt) {
  model.notReadyAfterCaptureMs = 500;
  model.captureMs = 100;
  start();
  ASSERT_EQ(host->runAction(2, 0).error, 0);
  const HostResult busy = host->writeRegister(7, 1);
  EXPECT_EQ(busy.error, 15);
  EXPECT_EQ(busy.value, 0x11u);
  EXPECT_EQ(host->runAction(8, 2).error, 15); // three polls, all DC1
  EXPECT_EQ(host->readRegister(7).error, 0);  // reading is fine
  clock().advanceMs(500);
  EXPECT_EQ(host->writeRegister(7, 1).error, 0);

  // An action refused with DC1 starts on a later poll once the camera is ready.
  ASSERT_EQ(host->runAction(2, 0).error, 0);
  ASSERT_EQ(host->open(), 0);
  const std::uint8_t p[1] = {2};
  ASSERT_EQ(host->sendFrame(frames::commandFrame(frames::kAction, 8, p)), 0);
  ASSERT_EQ(host->closeStep(), 0);
  Bytes reply;
  std::uint32_t length = 0;
  host->open();
  host->replyLength(length);
  host->readReply(length, reply);
  host->closeStep();
  EXPECT_EQ(reply[64], 0x11);
  clock().advanceMs(500);
  host->open();
  host->replyLength(length);
  host->readReply(length, reply);
  host->closeStep();
  EXPECT_EQ(reply[64], 0x06);
  host->open();
  host->replyLength(length);
  host->readReply(length, reply);
  host->closeStep();
  EXPECT_EQ(reply[64], 0x05);
}

TEST_F(CameraFixture, ErasingRenumbersThePicturesAndHonoursProtection) {
  card.jpegCount = 4;
  start();
  const auto names = [this] {
    std::vector<std::string> out;
    for (std::size_t i = 1; i <= engine->pictureCount(0); ++i)
      out.push_back(engine->picture(0, i)->fileName);
    return out;
  };
  ASSERT_EQ(names(),
            (std::vector<std::string>{"SIM_0001.JPG", "SIM_0002.JPG", "SIM_0003.JPG", "SIM_0004.JPG"}));

  ASSERT_EQ(host->writeRegister(4, 2).error, 0);
  ASSERT_EQ(host->runAction(7, 0).error, 0); // erase the current picture
  EXPECT_EQ(names(), (std::vector<std::string>{"SIM_0001.JPG", "SIM_0003.JPG", "SIM_0004.JPG"}));
  EXPECT_EQ(host->readRegister(10).value, 3u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(host->readData(79).data.data())), "SIM_0003.JPG");

  ASSERT_EQ(host->writeRegister(4, 1).error, 0);
  ASSERT_EQ(host->runAction(9, 1).error, 0); // protect it
  EXPECT_EQ(host->readRegister(39).value, 1u);
  EXPECT_EQ(host->runAction(7, 0).error, 13); // protected: the second status is not 0x05
  EXPECT_EQ(host->runAction(9, 2).error, 14); // flag 2 is refused at once

  ASSERT_EQ(host->runAction(0, 0).error, 0); // erase the last
  EXPECT_EQ(names(), (std::vector<std::string>{"SIM_0001.JPG", "SIM_0003.JPG"}));

  ASSERT_EQ(host->writeRegister(4, 2).error, 0);
  ASSERT_EQ(host->runAction(1, 0).error, 0); // erase all but the protected one
  EXPECT_EQ(names(), (std::vector<std::string>{"SIM_0001.JPG"}));
  EXPECT_EQ(host->readRegister(4).value, 1u); // the current picture follows the card

  ASSERT_EQ(host->runAction(9, 0).error, 0);
  ASSERT_EQ(host->runAction(0, 0).error, 0);
  EXPECT_EQ(engine->pictureCount(0), 0u);
  EXPECT_EQ(host->runAction(0, 0).error, 13); // nothing left to erase
  EXPECT_EQ(host->runAction(3, 0).error, 14); // no action 3
}

TEST_F(CameraFixture, MultiMegabytePictureReadsBackByteIdenticalBlockByBlock) {
  card.jpegCount = 1;
  card.resolution = 3; // 2048 x 1536, high quality
  start();
  const auto picture = engine->picture(0, 1);
  ASSERT_TRUE(picture);
  const std::size_t size = picture->bytes->size();
  ASSERT_GT(size, 2'000'000u);
  ASSERT_EQ(host->writeRegister(4, 1).error, 0);
  EXPECT_EQ(host->readRegister(12).value, size);

  const HostResult r = host->readData(14);
  ASSERT_EQ(r.error, 0);
  EXPECT_TRUE(r.data == *picture->bytes);
  EXPECT_EQ(r.progress.size(), (size + 32767) / 32768);
  EXPECT_EQ(r.progress.front(), 32768u);
  EXPECT_EQ(r.progress.back(), size);
  EXPECT_EQ(engine->stats(0)->objectReads.at(14), 1u);
  EXPECT_EQ(engine->stats(0)->picturesRead, 1u);
  EXPECT_EQ(violations(), std::vector<std::string>{});

  // An odd block size and unchecked checksums give the same bytes.
  model.blockSize = 1001;
  model.uncheckedDataChecksums = true;
  start();
  ASSERT_EQ(host->writeRegister(4, 1).error, 0);
  const HostResult odd = host->readData(14);
  ASSERT_EQ(odd.error, 0);
  EXPECT_TRUE(odd.data == *engine->picture(0, 1)->bytes);
  EXPECT_EQ(odd.progress.size(), (odd.data.size() + 1000) / 1001);
}

TEST_F(CameraFixture, MultiBlockWriteIsReassembledAndOutOfOrderBlocksRefused) {
  card.jpegCount = 0;
  start();
  // 40000 bytes: a first block of 32767 (more follow), then 7233 as the last.
  Bytes id(40000, 'Q');
  ASSERT_EQ(host->writeData(22, id).error, 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(host->readData(22).data.data())), std::string(31, 'Q'));
  EXPECT_EQ(engine->stats(0)->dataBlocksOut, 1u);
  // Exactly 32767 bytes go as 32767 and an empty last block.
  ASSERT_EQ(host->writeData(22, Bytes(32767, 'R')).error, 0);
  EXPECT_EQ(engine->stats(0)->dataBlocksOut, 2u);
  EXPECT_EQ(engine->stats(0)->objectWrites.at(22), 2u);
  EXPECT_EQ(violations(), std::vector<std::string>{});

  // A further block with the wrong block number.
  const Bytes first(32767, 'S');
  Bytes reply;
  std::uint32_t length = 0;
  host->open();
  host->sendFrame(frames::commandFrame(frames::kDataWrite, 22, first));
  host->closeStep();
  host->open();
  host->replyLength(length);
  host->readReply(length, reply);
  host->closeStep();
  EXPECT_EQ(reply[64], 0x06);
  host->open();
  host->sendFrame(frames::dataBlockFrame(frames::kBlockLast, 1, Bytes(5, 'T')));
  host->closeStep();
  host->open();
  host->replyLength(length);
  host->readReply(length, reply);
  host->closeStep();
  EXPECT_EQ(reply[64], 0x15);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(host->readData(22).data.data())), std::string(31, 'R'));
}

TEST_F(CameraFixture, StatusFramesAreTakenWithEitherHeaderWordAndCounted) {
  start();
  ASSERT_EQ(host->readRegister(7).error, 0);
  host->setStatusHeaderWord(0x9FFF);
  ASSERT_EQ(host->readRegister(7).error, 0);
  ASSERT_EQ(host->readRegister(7).error, 0);
  const Stats s = *engine->stats(0);
  EXPECT_EQ(s.statusFrames09FF, 1u);
  EXPECT_EQ(s.statusFrames9FFF, 2u);
  EXPECT_EQ(s.violations, std::vector<std::string>{});
}

TEST_F(CameraFixture, StepsOutOfOrderAreServedButRecordedAsViolations) {
  start();
  std::uint32_t length = 0;
  Bytes reply;
  EXPECT_EQ(host->replyLength(length), 0); // no open, nothing pending
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(host->readReply(16, reply), 0);
  EXPECT_TRUE(reply.empty());
  EXPECT_EQ(host->sendStatus(0x06), 0);
  EXPECT_EQ(host->closeStep(), 0);
  const std::vector<std::string> expected = {
      "reply length asked outside an open step", "reply length asked with no reply pending",
      "reply read with no reply pending", "frame sent outside an open step",
      "status byte with nothing to acknowledge"};
  EXPECT_EQ(violations(), expected);
  EXPECT_EQ(host->open(), 0);
  EXPECT_EQ(host->closeStep(), 0);
  EXPECT_EQ(violations().back(), "step closed before it was complete");

  // A wrong direction or a CDB that does not match the data is refused.
  Request wrong = VeskTestHost::scsi(0xC4, Direction::DataOut, 16, Bytes(16, 0));
  EXPECT_EQ(host->send(wrong).reply.header.scsiStatus, kScsiStatusCheckCondition);
  Request mismatch = VeskTestHost::scsi(0xC1, Direction::DataOut, 72, Bytes(70, 0));
  mismatch.header.dataLength = 70;
  EXPECT_EQ(host->send(mismatch).reply.header.error, kWireCommandFailed);
  Request shortCdb = VeskTestHost::scsi(0xC3, Direction::DataIn, 14);
  shortCdb.header.cdbLength = 6;
  EXPECT_EQ(host->send(shortCdb).reply.header.scsiStatus, kScsiStatusCheckCondition);
  EXPECT_EQ(host->send(VeskTestHost::scsi(0xC7, Direction::DataIn, 4)).reply.header.scsiStatus,
            kScsiStatusCheckCondition);
  // A data phase that does not match its header closes the connection.
  Request torn = VeskTestHost::scsi(0xC1, Direction::DataOut, 72, Bytes(10, 0));
  EXPECT_EQ(host->send(torn).kind, Response::Kind::Close);
}

TEST_F(CameraFixture, PreviewFramesAreNumberedJpegsInSlotZero) {
  start();
  EXPECT_EQ(host->readRegister(12).value, 0u); // no frame yet
  EXPECT_EQ(host->readData(14).data.size(), 0u);
  ASSERT_EQ(host->runAction(5, 0).error, 0);
  const std::uint32_t size = host->readRegister(12).value;
  const Bytes first = host->readData(14).data;
  ASSERT_EQ(first.size(), size);
  EXPECT_EQ(Bytes(first.begin(), first.begin() + 3), (Bytes{0xFF, 0xD8, 0xFF}));
  ASSERT_EQ(host->runAction(5, 0).error, 0);
  EXPECT_NE(host->readData(14).data, first);
  EXPECT_EQ(engine->pictureCount(0), 2u); // previews do not go to the card
}

TEST_F(CameraFixture, IndexListsOneThumbnailPerPicture) {
  card.jpegCount = 3;
  start();
  const HostResult index = host->readData(15);
  ASSERT_EQ(index.error, 0);
  EXPECT_EQ(index.data.size(), host->readRegister(13).value);
  ASSERT_GE(index.data.size(), 4u);
  EXPECT_EQ(loadLe32(index.data.data()), 3u);
  std::size_t at = 4;
  for (std::uint32_t n = 1; n <= 3; ++n) {
    ASSERT_LE(at + 8, index.data.size());
    EXPECT_EQ(loadLe32(&index.data[at]), n);
    const std::uint32_t length = loadLe32(&index.data[at + 4]);
    ASSERT_LE(at + 8 + length, index.data.size());
    EXPECT_EQ(index.data[at + 8], 0xFF);
    EXPECT_EQ(index.data[at + 9], 0xD8);
    at += 8 + length;
  }
  EXPECT_EQ(at, index.data.size());
}

TEST_F(CameraFixture, BypassModeKeepsTheShotInCameraMemory) {
  start();
  ASSERT_EQ(host->writeData(87, le32({2, 0, 0, 0, 0, 0, 0, 0})).error, 0);
  ASSERT_EQ(host->runAction(2, 0).error, 0);
  EXPECT_EQ(engine->pictureCount(0), 2u);
  ASSERT_EQ(host->writeRegister(4, 1).error, 0);
  const std::uint32_t size = host->readRegister(12).value;
  EXPECT_GT(size, 0u);
  EXPECT_EQ(host->readData(14).data.size(), size);
  EXPECT_EQ(host->writeRegister(4, 2).error, 14);
  ASSERT_EQ(host->writeData(87, le32({0, 0, 0, 0, 0, 0, 0, 0})).error, 0);
  EXPECT_EQ(host->writeRegister(4, 2).error, 0);
}

TEST_F(CameraFixture, CaptureFailsItsSecondStatusWithAFullCardOrNoCard) {
  card.full = true;
  start();
  const HostResult full = host->runAction(2, 0);
  EXPECT_EQ(full.error, 13);
  EXPECT_EQ(full.value, 0x15u);
  EXPECT_EQ(host->readRegister(11).value, 0u);
  card.full = false;
  card.present = false;
  start();
  EXPECT_EQ(host->runAction(2, 0).error, 13);
  EXPECT_EQ(host->readRegister(10).value, 0u);
  EXPECT_EQ(loadLe32(host->readData(67).data.data()), 0u);
}

TEST_F(CameraFixture, CameraClockRunsOnTheSimulatorClockAndCanBeSet) {
  start();
  EXPECT_EQ(host->readRegister(2).value, 1714564800u);
  clock().advanceMs(61'000);
  EXPECT_EQ(host->readRegister(2).value, 1714564861u);
  // Past 2038 the clock stays unsigned.
  ASSERT_EQ(host->writeRegister(2, 0x80000010u).error, 0);
  clock().advanceMs(5'000);
  EXPECT_EQ(host->readRegister(2).value, 0x80000015u);
  ASSERT_EQ(host->runAction(2, 0).error, 0);
  const Bytes tag = (host->writeRegister(4, 3), host->readData(74).data);
  EXPECT_EQ(text(tag, 20, 19), "2038:01:19 03:14:29"); // 2^31 + 21 s
}

TEST_F(CameraFixture, LensIgnoresStepsSmallerThanItsMinimum) {
  model = *builtinModel("KT-300");
  start();
  EXPECT_EQ(host->readData(71).data, le32({80, 10}));
  ASSERT_EQ(host->writeData(71, le32({82, 10})).error, 0);
  EXPECT_EQ(host->readData(71).data, le32({80, 10}));
  ASSERT_EQ(host->writeData(71, le32({83, 10})).error, 0);
  EXPECT_EQ(host->readData(71).data, le32({83, 10}));
  ASSERT_EQ(host->writeData(71, le32({0, 10})).error, 0);
  EXPECT_EQ(host->readData(71).data, le32({80, 10}));
}

TEST_F(CameraFixture, ForgetfulModelDropsItsExposureAfterEveryShot) {
  model = *builtinModel("KT-300");
  card.jpegCount = 0;
  start();
  ASSERT_EQ(host->writeData(102, le32({1, 56, 10, 100000, 0})).error, 0);
  ASSERT_EQ(host->runAction(2, 0).error, 0);
  EXPECT_EQ(host->readData(102).data, le32({2, 26, 10, 16666, 0}));
}

TEST_F(CameraFixture, UnpluggedNodeClosesItsConnectionsForGood) {
  start();
  std::vector<std::pair<int, bool>> events;
  engine->setPresenceListener([&events](int index, bool present) { events.emplace_back(index, present); });
  ASSERT_EQ(host->readRegister(7).error, 0);
  ASSERT_TRUE(engine->unplug(0));
  EXPECT_EQ(host->readRegister(7).error, 55);
  EXPECT_FALSE(engine->connect(0));
  ASSERT_TRUE(engine->plug(0));
  EXPECT_EQ(host->readRegister(7).error, 55); // the old connection stays dead
  EXPECT_TRUE(connection->isClosed());
  connection = engine->connect(0);
  ASSERT_TRUE(connection);
  EXPECT_EQ(host->readRegister(7).error, 0);
  EXPECT_EQ(engine->pictureCount(0), 2u); // the card survives
  EXPECT_EQ(events, (std::vector<std::pair<int, bool>>{{0, false}, {0, true}}));
}

TEST(Engine, CamerasServeThreadsInParallelWhileOthersArePlugged) {
  VeskSimEngine engine;
  for (int i = 0; i < 3; ++i)
    engine.addCamera(*builtinModel("XC-701"), smallCard(1));
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < 2; ++i) {
    threads.emplace_back([&engine, &failures, i] {
      auto connection = engine.connect(i);
      VeskTestHost host([&connection](const Request& r) { return connection->handle(r); });
      for (int n = 0; n < 40; ++n) {
        if (host.writeRegister(35, 1 + n % 7).error ||
            host.readRegister(35).value != std::uint32_t(1 + n % 7))
          ++failures;
        if (n % 10 == 0 && host.readData(14).error)
          ++failures;
      }
    });
  }
  threads.emplace_back([&engine] {
    for (int n = 0; n < 40; ++n) {
      engine.unplug(2);
      engine.plug(2);
      (void)engine.handle(kControlDevice, VeskTestHost::countRequest());
    }
  });
  for (auto& t : threads)
    t.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_TRUE(engine.isPresent(2));
}
