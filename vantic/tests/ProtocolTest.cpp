#include "platform/Bytes.h"
#include "vantic/CameraLibrary.h"
#include "vantic/PacketCodec.h"

#include "MiniCamera.h"
#include "ScriptedPort.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace tarsel::vantic;
using test::Bytes;
using test::MiniCamera;
using test::ScriptedPort;

namespace {

Timings fastTimings() {
  Timings t;
  t.replyMs = 10;
  t.openPauseMs = 0;
  t.keepAliveMs = -1;
  t.blockSlackUnits = 1;
  return t;
}

Bytes pattern(std::size_t n, unsigned seed) {
  Bytes bytes(n);
  for (std::size_t i = 0; i < n; ++i)
    bytes[i] = static_cast<std::uint8_t>((i * 131 + seed * 7 + (i >> 8)) & 0xFF);
  return bytes;
}

bool isCommand(const Bytes& unit, std::uint8_t op, int reg = -1) {
  return unit.size() >= 6 && unit[0] == kEsc && unit[4] == op && (reg < 0 || unit[5] == reg);
}

int countCommands(const std::vector<Bytes>& units, std::uint8_t op, int reg = -1) {
  return static_cast<int>(
      std::count_if(units.begin(), units.end(), [&](const Bytes& u) { return isCommand(u, op, reg); }));
}

class Protocol : public ::testing::Test {
protected:
  Protocol() : library(port, fastTimings()) {
    port.camera = [this](const Bytes& unit) { return camera(unit); };
  }

  // COM1 at the given speed, session open.
  void openSerial(int speed = 5) {
    ASSERT_EQ(session().setPort(1), 1);
    ASSERT_EQ(session().setSpeed(speed), 0);
    ASSERT_EQ(session().enable(1), 0);
    ASSERT_EQ(state().stateCode(), CAM_STATE_OPEN);
    port.units.clear();
    port.writes.clear();
    port.sleeps.clear();
  }

  SessionState& state() { return library.state(); }
  CameraSession& session() { return library.session(); }
  CameraOperations& ops() { return library.operations(); }

  ScriptedPort port;
  MiniCamera camera;
  CameraLibrary library;
};

} // namespace

TEST(SessionStateRule, RecordedResultsMoveOnlyOpenFailedAndBusyStates) {
  struct Row {
    int from;
    int code;
    int to;
  };
  const Row rows[] = {
      {1, 0, 1},  {1, 14, 3}, {1, 13, 1}, {1, 19, 1},  {1, 2, 1},  {1, 20, 2}, {3, 0, 1},
      {3, 20, 2}, {3, 5, 3},  {4, 0, 1},  {4, 12, 4},  {4, 14, 3}, {4, 20, 2}, {0, 0, 0},
      {0, 14, 0}, {2, 0, 2},  {2, 12, 2}, {1, 255, 3}, {1, 21, 3},
  };
  for (const Row& row : rows) {
    SessionState s;
    s.setState(static_cast<State>(row.from));
    EXPECT_EQ(s.record(row.code), row.code);
    EXPECT_EQ(s.stateCode(), row.to) << row.from << " + " << row.code;
    EXPECT_EQ(s.lastResult, row.code);
  }
}

TEST_F(Protocol, EnableWakesTheCameraSwitchesSpeedAndConfirmsIt) {
  ASSERT_EQ(session().setPort(1), 1);
  EXPECT_EQ(port.openHandle(), -1); // the search closes what it opened
  ASSERT_EQ(session().setSpeed(5), 0);
  port.units.clear();
  ASSERT_EQ(session().enable(1), 0);
  ASSERT_GE(port.units.size(), 3u);
  EXPECT_EQ(port.units[0], Bytes{kWakeProbe});
  EXPECT_EQ(port.units[1], PacketCodec::writeRegister(17, 5, 'S'));
  EXPECT_EQ(port.units[2], PacketCodec::readRegister(18));
  EXPECT_EQ(port.units[3], Bytes{kAck});
  EXPECT_EQ(port.bauds.back(), 115200);
  EXPECT_EQ(camera.registers[17], 5u);
  EXPECT_TRUE(state().speedConfirmed);

  // Closing: speed back to 0 with 'S', then the port closes.
  port.units.clear();
  ASSERT_EQ(session().enable(0), 0);
  EXPECT_EQ(port.units.at(0), PacketCodec::writeRegister(17, 0, 'S'));
  EXPECT_EQ(port.openHandle(), -1);
  EXPECT_EQ(state().stateCode(), CAM_STATE_CLOSED);
  EXPECT_EQ(session().enable(2), CAM_OUT_OF_RANGE);
}

TEST_F(Protocol, LongPacketsGoOutInThreePartsWithPauses) {
  openSerial();
  ASSERT_EQ(ops().writeChecked(0, 3), 0);
  ASSERT_EQ(port.writes.size(), 3u);
  EXPECT_EQ(port.writes[0].size(), 1u);
  EXPECT_EQ(port.writes[1].size(), 3u);
  EXPECT_EQ(port.writes[2].size(), 8u);
  EXPECT_EQ(std::count(port.sleeps.begin(), port.sleeps.end(), -1), 2);

  // After the ACK of a register read, the next command waits 50 ms first.
  std::uint32_t value = 0;
  ASSERT_EQ(ops().readChecked(0, false, value), 0);
  EXPECT_EQ(value, 3u);
  port.sleeps.clear();
  ASSERT_EQ(ops().writeChecked(0, 1), 0);
  ASSERT_FALSE(port.sleeps.empty());
  EXPECT_EQ(port.sleeps.front(), 50);
}

TEST_F(Protocol, RegisterWriteFaultsEndInTheirCodesAfterFourTries) {
  openSerial();
  struct Row {
    Bytes answer;
    int code;
  };
  const Row rows[] = {{{kNak}, CAM_NAK_RESPONSE},
                      {{kDc1}, CAM_DC1_RESPONSE},
                      {{}, CAM_NOT_RESPONDING},
                      {{0x42}, CAM_BAD_RESPONSE}};
  for (const Row& row : rows) {
    camera.fault = [&](const Bytes& unit) -> std::optional<Bytes> {
      if (isCommand(unit, 0, 7))
        return row.answer;
      return std::nullopt;
    };
    port.units.clear();
    EXPECT_EQ(ops().writeChecked(7, 2), row.code);
    EXPECT_EQ(countCommands(port.units, 0, 7), 4);
    EXPECT_EQ(state().lastResult, row.code);
  }
  camera.fault = nullptr;
  EXPECT_EQ(ops().writeChecked(7, 2), 0);
  EXPECT_EQ(state().stateCode(), CAM_STATE_OPEN);
}

TEST_F(Protocol, OutOfRangeWritesSendNothing) {
  openSerial();
  EXPECT_EQ(ops().writeChecked(70, 1), CAM_OUT_OF_RANGE);
  EXPECT_EQ(ops().writeChecked(18, 2), CAM_OUT_OF_RANGE);
  EXPECT_TRUE(port.writes.empty());
  EXPECT_EQ(ops().writeChecked(70, 2), 0);
  EXPECT_EQ(ops().writeChecked(70, 5), 0);
  EXPECT_EQ(camera.registers[70], 5u);
}

TEST_F(Protocol, RegisterReadsRecoverFromGarbledRepliesAndNeverReportGarbageAsAValue) {
  openSerial();
  camera.registers[10] = 12;
  int garbled = 1;
  camera.fault = [&](const Bytes& unit) -> std::optional<Bytes> {
    if ((isCommand(unit, 1, 10) || unit == Bytes{kNak}) && garbled-- > 0) {
      Bytes reply = test::registerReply(12);
      reply[8] ^= 0x55; // checksum no longer matches
      return reply;
    }
    if (unit == Bytes{kNak})
      return test::registerReply(12);
    return std::nullopt;
  };
  std::uint32_t value = 0;
  ASSERT_EQ(ops().readChecked(10, false, value), 0);
  EXPECT_EQ(value, 12u);
  EXPECT_EQ(countCommands(port.units, 1, 10), 1);
  EXPECT_EQ(std::count(port.units.begin(), port.units.end(), Bytes{kNak}), 1);
  EXPECT_EQ(port.units.back(), Bytes{kAck});

  // Garbled every time: NAK three times, then CAN, and the read fails with 10
  // instead of delivering 0xFFFFFFFF.
  garbled = 100;
  port.units.clear();
  value = 77;
  EXPECT_EQ(ops().readChecked(10, false, value), CAM_BAD_READ);
  EXPECT_EQ(value, 77u);
  EXPECT_EQ(std::count(port.units.begin(), port.units.end(), Bytes{kNak}), 3);
  EXPECT_EQ(port.units.back(), Bytes{kCan});

  // A valid value outside the register's range is a bad reply.
  camera.fault = nullptr;
  camera.registers[18] = 2;
  EXPECT_EQ(ops().readChecked(18, false, value), CAM_BAD_RESPONSE);
  // A short answer is no reply.
  camera.fault = [&](const Bytes& unit) -> std::optional<Bytes> {
    if (isCommand(unit, 1))
      return Bytes{3, 0, 4};
    return std::nullopt;
  };
  port.units.clear();
  EXPECT_EQ(ops().readChecked(0, false, value), CAM_BAD_READ);
  EXPECT_EQ(countCommands(port.units, 1, 0), 4);
}

TEST_F(Protocol, SessionEndedByTheCameraIsClosedFirstAndReopenedOnSerial) {
  openSerial(4);
  int ends = 1;
  camera.fault = [&](const Bytes& unit) -> std::optional<Bytes> {
    if (isCommand(unit, 0, 6) && ends-- > 0)
      return Bytes{kSessionEnd};
    return std::nullopt;
  };
  const int closesBefore = port.closes;
  ASSERT_EQ(ops().writeChecked(6, 1), 0);
  EXPECT_EQ(camera.registers[6], 1u);
  EXPECT_GT(port.closes, closesBefore);
  EXPECT_EQ(state().stateCode(), CAM_STATE_OPEN);
  EXPECT_EQ(camera.registers[17], 4u); // re-opened at the stored speed
  EXPECT_EQ(countCommands(port.units, 0, 6), 2);

  // A camera that ends every session: the operation gives up, it does not loop.
  camera.fault = [&](const Bytes& unit) -> std::optional<Bytes> {
    if (isCommand(unit, 0, 6))
      return Bytes{kSessionEnd};
    return std::nullopt;
  };
  port.units.clear();
  EXPECT_EQ(ops().writeChecked(6, 2), CAM_SESSION_CLOSED);
  EXPECT_LE(countCommands(port.units, 0, 6), 5);
  EXPECT_EQ(state().stateCode(), CAM_STATE_ENDED);
  camera.fault = nullptr;
  EXPECT_EQ(ops().writeChecked(6, 2), 0);
}

TEST_F(Protocol, AnOperationAfterClosingReopensAtTheStoredSpeed) {
  openSerial(3);
  ASSERT_EQ(session().enable(0), 0);
  EXPECT_EQ(state().speedIndex, 0);
  std::uint32_t value = 0;
  camera.registers[0] = 2;
  ASSERT_EQ(ops().readChecked(0, false, value), 0);
  EXPECT_EQ(value, 2u);
  EXPECT_EQ(camera.registers[17], 3u);
  EXPECT_EQ(port.bauds.back(), 38400);
  EXPECT_TRUE(state().reopened);
  // A guarded read tells its caller to select again after the re-open.
  ASSERT_EQ(session().enable(0), 0);
  EXPECT_EQ(ops().readChecked(12, true, value), CameraOperations::kReopened);
}

TEST_F(Protocol, BlockReadsNakMalformedBlocksAndKeepEveryByte) {
  openSerial();
  const Bytes picture = pattern(3 * 2048 + 100, 1);
  camera.objects[14] = picture;
  int answered = 0;
  camera.fault = [&](const Bytes& unit) -> std::optional<Bytes> {
    const bool request = isCommand(unit, 4, 14) || unit == Bytes{kAck};
    if (!request)
      return std::nullopt;
    ++answered;
    if (answered == 1)
      return Bytes{kEsc, 'C', 0, 0, 0, 0}; // "send the request again"
    if (answered == 3) {
      camera(unit);
      Bytes wrong = camera.currentBlock();
      wrong[1] ^= 1; // wrong sequence number
      return wrong;
    }
    if (answered == 4) {
      camera(unit);
      Bytes oversize = camera.currentBlock();
      tarsel::bytes::storeLe16(oversize, 2, 2050); // more than a block
      return oversize;
    }
    if (answered == 5) {
      camera(unit);
      Bytes bad = camera.currentBlock();
      bad.back() ^= 0xFF;
      return bad;
    }
    return std::nullopt;
  };
  Bytes got;
  ASSERT_EQ(ops().download(
                14,
                [&](std::span<const std::uint8_t> b) {
                  got.insert(got.end(), b.begin(), b.end());
                  return 0;
                },
                picture.size(), 0),
            0);
  EXPECT_EQ(got, picture);
  EXPECT_EQ(countCommands(port.units, 4, 14), 2);
  EXPECT_EQ(port.units.back(), Bytes{kAck});
}

TEST_F(Protocol, BlockReadsGiveUpWithCanAfterFourNaks) {
  openSerial();
  camera.objects[14] = pattern(5000, 2);
  camera.fault = [&](const Bytes& unit) -> std::optional<Bytes> {
    if (isCommand(unit, 4, 14) || unit == Bytes{kNak})
      return Bytes{kMorePackets, 9, 1, 0, 0, 0, 0};
    return std::nullopt;
  };
  EXPECT_EQ(ops().download(
                14, [](std::span<const std::uint8_t>) { return 0; }, 5000, 0),
            CAM_BAD_READ);
  EXPECT_EQ(std::count(port.units.begin(), port.units.end(), Bytes{kNak}), 4);
  EXPECT_EQ(port.units.back(), Bytes{kCan});

  // Silence: the request goes out five times in all, then 10.
  camera.fault = [&](const Bytes& unit) -> std::optional<Bytes> {
    if (isCommand(unit, 4, 14))
      return Bytes{};
    return std::nullopt;
  };
  // The failed read left the session failed: the next download re-opens it
  // first and asks its caller to select again.
  EXPECT_EQ(ops().download(
                14, [](std::span<const std::uint8_t>) { return 0; }, 5000, 0),
            CameraOperations::kReopened);
  port.units.clear();
  EXPECT_EQ(ops().download(
                14, [](std::span<const std::uint8_t>) { return 0; }, 5000, 0),
            CAM_BAD_READ);
  EXPECT_EQ(countCommands(port.units, 4, 14), 5);
}

TEST_F(Protocol, DownloadProgressRisesToOneHundredAndAStopCancels) {
  openSerial();
  camera.objects[14] = pattern(4 * 2048, 3);
  static std::vector<int> seen;
  static int stopAt;
  seen.clear();
  stopAt = -1;
  state().callback = [](std::intptr_t user, int zero, short percent) -> int {
    EXPECT_EQ(user, static_cast<std::intptr_t>(0x7FFF00001234));
    EXPECT_EQ(zero, 0);
    seen.push_back(percent);
    return static_cast<int>(seen.size()) != stopAt;
  };
  state().userValue = static_cast<std::intptr_t>(0x7FFF00001234);
  ASSERT_EQ(ops().download(
                14, [](std::span<const std::uint8_t>) { return 0; }, 4 * 2048, 0),
            0);
  EXPECT_EQ(seen, (std::vector<int>{0, 25, 50, 75, 100}));

  seen.clear();
  stopAt = 3;
  port.units.clear();
  EXPECT_EQ(ops().download(
                14, [](std::span<const std::uint8_t>) { return 0; }, 4 * 2048, 0),
            CAM_USER_BREAK);
  EXPECT_EQ(port.units.back(), Bytes{kCan});
  EXPECT_EQ(state().lastResult, CAM_USER_BREAK);
}

TEST_F(Protocol, StructureReadsAreBoundedAndLeaveTheBufferAloneOnFailure) {
  openSerial();
  camera.objects[46] = pattern(100, 4); // longer than the 32-byte structure
  std::uint8_t out[32];
  std::fill(std::begin(out), std::end(out), 0xEE);
  std::size_t got = 0;
  ASSERT_EQ(ops().readStructure(46, out, false, &got), 0);
  EXPECT_EQ(got, 32u);
  EXPECT_TRUE(std::equal(std::begin(out), std::end(out), camera.objects[46].begin()));

  camera.objects[25] = {'A', 'B'};
  std::uint8_t text[8];
  std::fill(std::begin(text), std::end(text), 0xEE);
  ASSERT_EQ(ops().readStructure(25, text, false), 0);
  EXPECT_EQ(Bytes(text, text + 8), (Bytes{'A', 'B', 0, 0, 0, 0, 0, 0}));

  camera.objects[47] = pattern(3000, 5); // two blocks: not a structure
  std::fill(std::begin(out), std::end(out), 0xEE);
  EXPECT_EQ(ops().readStructure(47, out, false), CAM_OTHER);
  EXPECT_EQ(port.units.back(), Bytes{kCan});
  EXPECT_TRUE(std::all_of(std::begin(out), std::end(out), [](std::uint8_t b) { return b == 0xEE; }));

  camera.objects[48] = {};
  EXPECT_EQ(ops().readStructure(48, out, false), CAM_DC1_RESPONSE);
  EXPECT_TRUE(std::all_of(std::begin(out), std::end(out), [](std::uint8_t b) { return b == 0xEE; }));
}

TEST_F(Protocol, ObjectWritesSplitIntoACommandAndNumberedDataPackets) {
  openSerial();
  const Bytes data = pattern(5000, 6);
  ASSERT_EQ(ops().writeObject(29, data), 0);
  ASSERT_EQ(port.units.size(), 3u);
  EXPECT_TRUE(isCommand(port.units[0], 3, 29));
  EXPECT_EQ(tarsel::bytes::loadLe16(port.units[0], 2), 2048);
  EXPECT_EQ(port.units[1][0], kMorePackets);
  EXPECT_EQ(port.units[1][1], 0);
  EXPECT_EQ(tarsel::bytes::loadLe16(port.units[1], 2), 2048);
  EXPECT_EQ(port.units[2][0], kLastPacket);
  EXPECT_EQ(port.units[2][1], 1);
  EXPECT_EQ(tarsel::bytes::loadLe16(port.units[2], 2), 5000 - 2046 - 2048);
  EXPECT_EQ(camera.written[29], data);

  port.units.clear();
  const Bytes id{'C', 'A', 'M'};
  ASSERT_EQ(ops().writeObject(22, id), 0);
  ASSERT_EQ(port.units.size(), 2u);
  EXPECT_EQ(port.units[1], PacketCodec::data(kLastPacket, 0, {}));
  EXPECT_EQ(camera.written[22], id);

  // A camera that never accepts: four tries per packet, then 8.
  camera.fault = [&](const Bytes& unit) -> std::optional<Bytes> {
    if (isCommand(unit, 3))
      return Bytes{kNak};
    return std::nullopt;
  };
  port.units.clear();
  EXPECT_EQ(ops().writeObject(22, id), CAM_BAD_WRITE);
  EXPECT_EQ(countCommands(port.units, 3, 22), 4);
}

TEST_F(Protocol, ActionsMakeTheCameraBusyUntilEnq) {
  openSerial();
  camera.enqAfterAction = false;
  ASSERT_EQ(ops().runAction(2, 0, 30000), 0);
  EXPECT_EQ(state().stateCode(), CAM_STATE_BUSY);
  EXPECT_EQ(session().getState(), CAM_STATE_BUSY); // nothing came yet
  port.queue({kEnq});
  EXPECT_EQ(session().getState(), CAM_STATE_OPEN);

  // An action the camera never acknowledges: four tries, then 8.
  camera.fault = [&](const Bytes& unit) -> std::optional<Bytes> {
    if (isCommand(unit, 2))
      return Bytes{kNak};
    return std::nullopt;
  };
  port.units.clear();
  EXPECT_EQ(ops().runAction(0, 0, 30000), CAM_BAD_WRITE);
  EXPECT_EQ(countCommands(port.units, 2), 4);
}

TEST_F(Protocol, SerialBusyDeadlinePassedFailsAndReopens) {
  openSerial();
  camera.enqAfterAction = false;
  library.timings().busyPercent = 0; // the deadline passes at once
  ASSERT_EQ(ops().runAction(2, 0, 30000), 0);
  const int opensBefore = port.opens;
  ASSERT_EQ(ops().writeChecked(0, 1), 0);
  EXPECT_GT(port.opens, opensBefore);
  EXPECT_EQ(state().stateCode(), CAM_STATE_OPEN);
}

TEST_F(Protocol, UsbPollWithoutEnqFailsAndTheNextOperationReopens) {
  port.usbPresent = true;
  camera.enqAfterAction = false;
  library.timings().busyPercent = 0;
  ASSERT_EQ(session().setPort(0), CAM_PORT_USB);
  EXPECT_EQ(port.bauds.size(), 0u); // no serial port was opened
  ASSERT_EQ(session().enable(1), 0);
  EXPECT_EQ(camera.registers[17], 2u);
  ASSERT_EQ(ops().runAction(5, 0, 30000), 0);
  EXPECT_EQ(session().getState(), CAM_STATE_FAILED);
  const int opensBefore = port.opens;
  std::uint32_t value = 0;
  ASSERT_EQ(ops().readChecked(18, false, value), 0);
  EXPECT_EQ(port.opens, opensBefore + 2); // the search's open and the session's
  EXPECT_EQ(state().stateCode(), CAM_STATE_OPEN);
}

TEST_F(Protocol, AGarbledAnswerToTheSpeedSwitchFailsTheOpenAndTheNextOperationOpensAgain) {
  int garbled = 4;
  camera.fault = [&](const Bytes& unit) -> std::optional<Bytes> {
    if (unit.size() > 1 && unit[0] == kEsc && unit[1] == kLetterSpeed && garbled > 0) {
      --garbled;
      return Bytes{0x41};
    }
    return std::nullopt;
  };
  ASSERT_EQ(session().setPort(1), 1);
  ASSERT_EQ(session().setSpeed(5), 0);
  EXPECT_EQ(session().enable(1), CAM_BAD_RESPONSE);
  EXPECT_EQ(state().stateCode(), CAM_STATE_FAILED); // not open at a speed the camera never took
  EXPECT_EQ(port.baud, 19200);
  std::uint32_t value = 0;
  EXPECT_EQ(ops().readChecked(18, false, value), 0);
  EXPECT_EQ(port.baud, 115200);
  EXPECT_EQ(state().stateCode(), CAM_STATE_OPEN);
}

TEST_F(Protocol, PortSearchRefusesOutsideTheClosedStateAndBadPorts) {
  openSerial();
  EXPECT_EQ(session().setPort(2), CAM_OTHER);
  EXPECT_EQ(state().portHandle, 1);
  EXPECT_EQ(state().lastResult, CAM_OTHER);
  EXPECT_EQ(state().stateCode(), CAM_STATE_OPEN); // refused, the session untouched
  ASSERT_EQ(session().enable(0), 0);
  EXPECT_EQ(session().setPort(7), -1);
  EXPECT_EQ(state().lastResult, CAM_OUT_OF_RANGE);
  port.serialPresent = false;
  EXPECT_EQ(session().setPort(0), -1);
  EXPECT_EQ(state().lastResult, CAM_NO_PORT);
  EXPECT_EQ(session().enable(1), CAM_NO_PORT);
  EXPECT_EQ(session().setSpeed(7), CAM_OUT_OF_RANGE);
  EXPECT_EQ(state().speedIndex, 0);
}
