// Every injectable fault does what it says, ends in the error a host must
// report, and never in a hang or an overrun.
#include "VeskSimTestFixture.h"

#include "sim/vesk/VeskSimFrames.h"
#include "sim/vesk/VeskSimTypes.h"

#include <functional>

using namespace tarsel::vesksim;
using namespace tarsel::vesksim::test;

namespace {

Fault fault(FaultAction action, std::optional<std::uint8_t> opcode = {},
            std::optional<std::uint8_t> kind = {}, std::optional<std::uint8_t> number = {},
            std::uint32_t value = 0, std::uint32_t skip = 0, std::uint32_t count = 1) {
  Fault f;
  f.action = action;
  f.match.opcode = opcode;
  f.match.kind = kind;
  f.match.number = number;
  f.value = value;
  f.skip = skip;
  f.count = count;
  return f;
}

using Operation = std::function<HostResult(VeskTestHost&)>;

HostResult readFlash(VeskTestHost& h) {
  return h.readRegister(7);
}
HostResult writeFlash(VeskTestHost& h) {
  return h.writeRegister(7, 1);
}
HostResult capture(VeskTestHost& h) {
  return h.runAction(2, 0);
}
HostResult readPicture(VeskTestHost& h) {
  if (HostResult r = h.writeRegister(4, 1); r.error)
    return r;
  return h.readData(14, 200000); // the caller's buffer: bigger than the picture
}
HostResult writeId(VeskTestHost& h) {
  return h.writeData(22, Bytes(40000, 'x'));
}

} // namespace

class FaultTest : public CameraFixture {};

TEST_F(FaultTest, EachFaultEndsInItsError) {
  struct Row {
    const char* what;
    Fault fault;
    Operation operation;
    int error;
  };
  const Row rows[] = {
      {"silence on the read of a register reply", fault(FaultAction::Silence, 0xC2, 1), readFlash, 121},
      {"check condition on an open", fault(FaultAction::CheckCondition, 0xC0), readFlash, 31},
      {"Win32 error on a frame", fault(FaultAction::Win32Error, 0xC1, {}, {}, 1117), writeFlash, 1117},
      {"connection closed", fault(FaultAction::CloseConnection, 0xC4), readFlash, 55},
      {"truncated reply frame", fault(FaultAction::TruncatedFrame, 0xC2, {}, {}, 30), readFlash, 55},
      {"short length answer", fault(FaultAction::ShortReply, 0xC4, {}, {}, 8), readFlash, 16},
      {"short record read", fault(FaultAction::ShortReply, 0xC2, 1, {}, 70), readFlash, 16},
      {"DC1 three times", fault(FaultAction::StatusByte, {}, 0, 7, 0x11, 0, 3), writeFlash, 15},
      {"NAK three times", fault(FaultAction::StatusByte, {}, 0, 7, 0x15, 0, 3), writeFlash, 14},
      {"unknown status byte", fault(FaultAction::StatusByte, {}, 0, 7, 0x42, 0, 3), writeFlash, 13},
      {"action NAK", fault(FaultAction::StatusByte, {}, 2, 2, 0x15), capture, 14},
      {"second status NAK", fault(FaultAction::SecondStatus, {}, 2, 2, 0x15), capture, 13},
      {"CAN on the second block of a write", fault(FaultAction::StatusByte, {}, 5, 22, 0x18, 1), writeId, 31},
      {"register checksum", fault(FaultAction::BadChecksum, {}, 1, 7), readFlash, 16},
      {"data checksum", fault(FaultAction::BadChecksum, {}, 6, 14, 0, 2), readPicture, 16},
      {"header word at 4", fault(FaultAction::BadHeader, {}, 1, 7, 4), readFlash, 16},
      {"header word at 6", fault(FaultAction::BadHeader, {}, 6, 14, 6, 1), readPicture, 16},
      {"status record without its byte", fault(FaultAction::ShortRecord, {}, 0, 7, 64), writeFlash, 16},
      {"reply length above a bulk read", fault(FaultAction::OversizeLength, {}, 1, 7, 40000), readFlash, 16},
      {"data length field past the record", fault(FaultAction::LengthOverrun, {}, 6, 14, 1), readPicture, 16},
      {"never-ending data", fault(FaultAction::EndlessData, {}, 6, 14), readPicture, 122},
      {"object larger than its size", fault(FaultAction::ObjectGrowth, {}, 6, 14, 200000), readPicture, 122},
  };
  for (const Row& row : rows) {
    start();
    const auto id = engine->injectFault(0, row.fault);
    ASSERT_TRUE(id);
    const HostResult r = row.operation(*host);
    EXPECT_EQ(r.error, row.error) << row.what;
    EXPECT_GE(engine->faultFired(0, *id), 1u) << row.what;
  }
}

TEST_F(FaultTest, FaultsPassTheirSkippedEventsAndStopAfterTheirCount) {
  start();
  // DC1 on the first attempt, NAK on the second, ACK on the third: written.
  engine->injectFault(0, fault(FaultAction::StatusByte, {}, 0, 7, 0x11));
  engine->injectFault(0, fault(FaultAction::StatusByte, {}, 0, 7, 0x15));
  EXPECT_EQ(host->writeRegister(7, 3).error, 0);
  EXPECT_EQ(engine->cameraRegister(0, 7), 3u);

  // Silence on the third read only.
  const auto id = engine->injectFault(0, fault(FaultAction::Silence, 0xC2, 1, 7, 0, 2));
  EXPECT_EQ(host->readRegister(7).error, 0);
  EXPECT_EQ(host->readRegister(7).error, 0);
  EXPECT_EQ(host->readRegister(7).error, 121);
  EXPECT_EQ(host->readRegister(7).error, 0);
  EXPECT_EQ(engine->faultFired(0, *id), 1u);

  // count 0: every time, until cleared.
  engine->injectFault(0, fault(FaultAction::BadChecksum, {}, 1, 35, 0, 0, 0));
  EXPECT_EQ(host->readRegister(35).error, 16);
  EXPECT_EQ(host->readRegister(35).error, 16);
  EXPECT_EQ(host->readRegister(7).error, 0);
  engine->clearFaults(0);
  EXPECT_EQ(host->readRegister(35).error, 0);
  EXPECT_EQ(engine->faultFired(0, *id), 1u); // still known after clearing
}

TEST_F(FaultTest, UnplugInTheMiddleOfATransferTakesTheDeviceAway) {
  card.resolution = 3;
  card.jpegCount = 1;
  start();
  std::vector<std::pair<int, bool>> events;
  engine->setPresenceListener([&events](int index, bool present) { events.emplace_back(index, present); });
  ASSERT_EQ(host->writeRegister(4, 1).error, 0);
  engine->injectFault(0, fault(FaultAction::Unplug, 0xC2, 6, 14, 0, 5));
  const HostResult r = host->readData(14);
  EXPECT_EQ(r.error, 55);
  EXPECT_EQ(r.data.size(), 5u * 32768u); // five blocks arrived, the sixth did not
  EXPECT_FALSE(engine->isPresent(0));
  EXPECT_EQ(events, (std::vector<std::pair<int, bool>>{{0, false}}));
  EXPECT_EQ(engine->handle(kControlDevice, VeskTestHost::countRequest()).reply.data[0], 0);

  // Plugged in again: a new connection reads the whole picture.
  engine->plug(0);
  connection = engine->connect(0);
  ASSERT_TRUE(connection);
  ASSERT_EQ(host->writeRegister(4, 1).error, 0);
  const HostResult again = host->readData(14);
  ASSERT_EQ(again.error, 0);
  EXPECT_TRUE(again.data == *engine->picture(0, 1)->bytes);
}

TEST_F(FaultTest, DelayRunsOnTheClockAndCheckConditionCarriesSense) {
  start();
  engine->injectFault(0, fault(FaultAction::Delay, 0xC4, {}, {}, 5000));
  const std::uint64_t before = nowUs();
  EXPECT_EQ(host->readRegister(7).error, 0);
  EXPECT_EQ(nowUs(), before + 5'000'000);

  engine->injectFault(0, fault(FaultAction::CheckCondition, 0xC0));
  const Response r =
      host->send(VeskTestHost::scsi(0xC0, Direction::DataOut, 16, le32({12, 0x9FFF0001, 0, 0})));
  EXPECT_EQ(r.reply.header.error, 31u);
  EXPECT_EQ(r.reply.header.scsiStatus, 2);
  EXPECT_EQ(r.reply.header.senseLength, 18);
  EXPECT_EQ(r.reply.header.sense[0], 0x70);
  EXPECT_EQ(r.reply.header.sense[2], 0x04); // hardware error

  engine->injectFault(0, fault(FaultAction::TruncatedFrame, 0xC4, {}, {}, 20));
  const Response cut = host->send(VeskTestHost::scsi(0xC4, Direction::DataIn, 16));
  EXPECT_EQ(cut.kind, Response::Kind::TruncatedThenClose);
  EXPECT_EQ(cut.truncateAt, 20u);
  EXPECT_TRUE(connection->isClosed());
  EXPECT_TRUE(engine->isPresent(0));
}

TEST_F(FaultTest, UncheckedChecksumIsAcceptedAndTheControlDeviceTakesFaultsToo) {
  start();
  engine->injectFault(0, fault(FaultAction::UncheckedChecksum, {}, 6, 87));
  const HostResult r = host->readData(87);
  EXPECT_EQ(r.error, 0);
  EXPECT_EQ(r.data.size(), 32u);

  engine->injectFault(kControlDevice, fault(FaultAction::Silence));
  EXPECT_EQ(engine->handle(kControlDevice, VeskTestHost::countRequest()).kind, Response::Kind::Silence);
  engine->injectFault(kControlDevice, fault(FaultAction::Win32Error, {}, {}, {}, 5));
  EXPECT_EQ(engine->handle(kControlDevice, VeskTestHost::countRequest()).reply.header.error, 5u);
  EXPECT_EQ(engine->handle(kControlDevice, VeskTestHost::countRequest()).reply.data.size(), 8u);
  EXPECT_FALSE(engine->injectFault(7, fault(FaultAction::Silence)));
}
