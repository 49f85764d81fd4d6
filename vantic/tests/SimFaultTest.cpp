#include "SimFixture.h"

#include "vantic/PacketCodec.h"

#include <chrono>
#include <functional>
#include <string_view>

using namespace tarsel::vantic;
using namespace tarsel::vantic::test;

namespace {

using SimFaults = SimFixture;

const char* kConfig =
    R"({"pictures": [{"size": 30000}, {"size": 9000}, {"size": 5000}, {"size": 5000}, {"size": 5000}]})";

std::int64_t stat(SimProcess& sim, const char* name) {
  return sim.registers()["state"]["stats"][name].integer();
}

// Faults the library gets over only by waiting out a reply time-out (nothing
// comes, or too little); the camera sends nothing late after them, so the
// tests wait shorter than the camera's time (the time-out value is not what
// they check).
bool waitsOut(std::string_view fault) {
  return fault.starts_with("silence") || fault.starts_with("drop") || fault.starts_with("short") ||
         fault.starts_with("oversize-length:65535") || fault == "nak:1@op=1";
}

constexpr int kShortReplyMs = 100;

bool downloadMatches(SimProcess& sim, int& code) {
  std::vector<std::uint8_t> buffer(30000);
  code = Cam_get_picture_buffer(buffer.data(), 1, 30000);
  return code == 0 && sha256Hex(buffer.data(), buffer.size()) == sim.picture(1)["sha256"].text;
}

} // namespace

TEST_F(SimFaults, RegisterFaultsEndInTheirCodesWithoutHanging) {
  START_OR_RETURN(startSerial({"--time-scale", "0"}, kConfig));
  connect(1, 6);
  struct Row {
    const char* fault;
    std::function<int()> call;
    int code;
  };
  const Row rows[] = {
      {"nak@op=0", [] { return Cam_set_flash_mode(1); }, CAM_NAK_RESPONSE},
      {"dc1@op=0", [] { return Cam_set_flash_mode(1); }, CAM_DC1_RESPONSE},
      {"nak@op=2", [] { return Cam_take_pic(); }, CAM_BAD_WRITE},
      {"silence", [] { return Cam_set_flash_mode(1); }, CAM_NOT_RESPONDING},
      {"silence", [] { return Cam_get_flash_mode() == -1 ? Cam_error() : 0; }, CAM_BAD_READ},
      // A reply garbled every time: NAK, NAK, NAK, CAN, and a failed read
      // instead of the value 0xFFFFFFFF.
      {"bad-checksum@op=1", [] { return Cam_get_picture_count() == -1 ? Cam_error() : 0; }, CAM_BAD_READ},
      {"wrong-sequence@op=1", [] { return Cam_get_picture_count() == -1 ? Cam_error() : 0; }, CAM_BAD_READ},
      {"nak@op=3", [] { return Cam_set_id("X"); }, CAM_BAD_WRITE},
      {"wrong-sequence@op=4",
       [] {
         std::vector<std::uint8_t> buffer(30000);
         return Cam_get_picture_buffer(buffer.data(), 1, 30000);
       },
       CAM_BAD_READ},
      // A selection the camera refuses ends the operation with the camera's code.
      {"dc1@op=0@reg=83", [] { return Cam_get_folder_name(std::vector<char>(9).data(), 1); },
       CAM_DC1_RESPONSE},
      {"silence@op=4",
       [] {
         std::vector<std::uint8_t> buffer(30000);
         return Cam_get_picture_buffer(buffer.data(), 1, 30000);
       },
       CAM_BAD_READ},
  };
  Timings& timings = CameraLibrary::instance().timings();
  const int replyMs = timings.replyMs;
  for (const Row& row : rows) {
    sim->fault(row.fault);
    // A camera silent on every exchange sends nothing late: its waits may be short.
    timings.replyMs = std::string_view(row.fault).starts_with("silence") ? 10 : replyMs;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(row.call(), row.code) << row.fault;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30)) << row.fault;
    sim->clearFaults();
    timings.replyMs = replyMs;
    // Whatever the fault left behind, the next operation works.
    EXPECT_EQ(Cam_set_flash_mode(2), 0) << "after " << row.fault;
  }
}

TEST_F(SimFaults, TransientFaultsAreRetriedToSuccess) {
  START_OR_RETURN(startSerial({"--time-scale", "0"}, kConfig));
  connect(1, 6);
  const int count = static_cast<int>(sim->registers()["registers"]["10"].integer());
  Timings& timings = CameraLibrary::instance().timings();
  const int replyMs = timings.replyMs;
  for (const char* fault : {"nak:2@op=0", "dc1:3@op=0", "drop:1@op=0"}) {
    sim->fault(fault);
    // A dropped write is waited for six times over before it is sent again,
    // and an ACK that comes late still answers the next try: shorter waits.
    timings.replyMs = waitsOut(fault) ? kShortReplyMs : replyMs;
    EXPECT_EQ(Cam_set_flash_mode(3), 0) << fault;
    sim->clearFaults();
    timings.replyMs = replyMs;
  }
  for (const char* fault : {"bad-checksum:2@op=1", "wrong-sequence:1@op=1", "drop:2@op=1", "resend:1@op=1",
                            "short:1@op=1", "nak:1@op=1"}) {
    sim->fault(fault);
    timings.replyMs = waitsOut(fault) ? kShortReplyMs : replyMs;
    EXPECT_EQ(Cam_get_picture_count(), count) << fault << " " << Cam_error();
    sim->clearFaults();
    timings.replyMs = replyMs;
  }
  for (const char* fault : {"bad-checksum:2@op=4", "wrong-sequence:3@op=4", "short:1@op=4", "resend:2@op=4",
                            "drop:1@op=4", "oversize-length:2050@op=4*2", "oversize-length:65535@op=4*1"}) {
    sim->fault(fault);
    timings.replyMs = waitsOut(fault) ? kShortReplyMs : replyMs;
    int code = -1;
    EXPECT_TRUE(downloadMatches(*sim, code)) << fault << " " << code;
    sim->clearFaults();
    timings.replyMs = replyMs;
  }
  EXPECT_EQ(stat(*sim, "host_checksum_errors"), 0);
}

TEST_F(SimFaults, SessionEndsAreReopenedAndARepeatingOneGivesUp) {
  START_OR_RETURN(startSerial({"--time-scale", "0"}, kConfig));
  connect(1, 4);
  // A lone session-end byte is read with a reply time-out that runs out; what
  // is checked here is what follows it, not that time-out.
  CameraLibrary::instance().timings().replyMs = kShortReplyMs;
  sim->fault("session-end@op=0");
  EXPECT_EQ(Cam_set_flash_mode(1), 0);
  EXPECT_EQ(stat(*sim, "session_ends"), 1);
  EXPECT_EQ(sim->registers()["registers"]["7"].integer(), 1);
  EXPECT_EQ(sim->registers()["link"]["camera_baud"].integer(), 57600); // re-opened at the chosen speed

  sim->fault("session-end@op=1");
  EXPECT_EQ(Cam_get_picture_size(2), 9000);

  // The camera ends the session at every read after the selection: four
  // re-selections, then 20; the last re-open stands, so the session is open.
  sim->fault("session-end@reg=12*100");
  EXPECT_EQ(Cam_get_picture_size(2), -1);
  EXPECT_EQ(Cam_error(), CAM_SESSION_CLOSED);
  EXPECT_EQ(Cam_get_state(), CAM_STATE_OPEN);
  sim->clearFaults();
  EXPECT_EQ(Cam_get_picture_size(2), 9000);

  // Every exchange ends the session: bounded re-opens, then 20.
  const std::int64_t ends = stat(*sim, "session_ends");
  sim->fault("session-end@op=0*100");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Cam_set_flash_mode(2), CAM_SESSION_CLOSED);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  EXPECT_LE(stat(*sim, "session_ends"), ends + 5);
  EXPECT_EQ(Cam_get_state(), CAM_STATE_ENDED);
  sim->clearFaults();
  EXPECT_EQ(Cam_set_flash_mode(2), 0);
}

TEST_F(SimFaults, BusyFaultsEndTheBusyStateWithinTheDeadline) {
  START_OR_RETURN(startSerial({"--time-scale", "0.05"}, kConfig));
  connect(1, 6);
  Timings& timings = CameraLibrary::instance().timings();
  timings.busyPercent = 5;

  // Five pictures: erase-all allows 5 x 800 + 10000 ms (700 ms here).
  sim->fault("late-enq:12000@action=1");
  const std::int64_t wakes = stat(*sim, "wakes");
  EXPECT_EQ(Cam_erase_all(), 0);
  EXPECT_EQ(Cam_get_state(), CAM_STATE_BUSY);
  EXPECT_TRUE(waitReady());
  EXPECT_EQ(stat(*sim, "wakes"), wakes); // no re-open: ENQ came in time
  sim->clearFaults();

  // An ENQ that never comes: past the deadline (short here: nothing can come
  // late) the session fails and is re-opened.
  sim->fault("no-enq@action=2");
  timings.busyPercent = 1;
  EXPECT_EQ(Cam_take_pic(), 0);
  EXPECT_EQ(Cam_set_flash_mode(1), 0);
  EXPECT_GT(stat(*sim, "wakes"), wakes);
  sim->clearFaults();
  timings.busyPercent = 5;

  sim->fault("ff-enq:1@action=2");
  EXPECT_EQ(Cam_take_pic(), 0);
  EXPECT_EQ(Cam_set_flash_mode(2), 0);
  EXPECT_EQ(Cam_get_state(), CAM_STATE_OPEN);
  sim->clearFaults();

  sim->fault("not-ready");
  EXPECT_EQ(Cam_ready(), 0);
  sim->clearFaults();
  EXPECT_EQ(Cam_ready(), 1);
}

TEST_F(SimFaults, TheByteLogShowsTheFramingChecksumsAndPauses) {
  START_OR_RETURN(startSerial({"--time-scale", "0"}, kConfig));
  CameraLibrary::instance().timings().delayAfterControlMs = Timings().delayAfterControlMs;
  ASSERT_EQ(Cam_set_port(1), 1);
  ASSERT_EQ(Cam_set_speed(3), 0);
  sim->takeLog();
  ASSERT_EQ(Cam_session_enabled(1), 0);
  Bytes opened = receivedBytes(settledLog(*sim));
  const Bytes expectedOpen = [] {
    Bytes b{0x00};
    const auto speed = PacketCodec::writeRegister(17, 3, 'S');
    b.insert(b.end(), speed.begin(), speed.end());
    const auto ready = PacketCodec::readRegister(18);
    b.insert(b.end(), ready.begin(), ready.end());
    b.push_back(kAck);
    return b;
  }();
  EXPECT_EQ(opened, expectedOpen);
  ASSERT_GE(opened.size(), 13u);
  // The speed write, checked independently: 1B 53 06 00 00 11 03 00 00 00 14 00.
  EXPECT_EQ(Bytes(opened.begin() + 1, opened.begin() + 13),
            (Bytes{0x1B, 0x53, 0x06, 0x00, 0x00, 0x11, 0x03, 0x00, 0x00, 0x00, 0x14, 0x00}));

  // Lead byte, pause, three header bytes, pause, the rest. The simulator
  // stamps bytes when it gets round to reading them, so a slow read can merge
  // two parts or shorten a gap: every arrival must begin a part, and one of a
  // few tries must show all three parts a full millisecond apart.
  const Bytes packet{0x1B, 0x43, 0x06, 0x00, 0x00, 0x07, 0x02, 0x00, 0x00, 0x00, 0x09, 0x00};
  bool sawPauses = false;
  for (int attempt = 0; attempt < 8 && !sawPauses; ++attempt) {
    ASSERT_EQ(Cam_set_flash_mode(2), 0);
    const Json write = settledLog(*sim);
    EXPECT_EQ(receivedBytes(write), packet);
    std::vector<std::int64_t> times;
    std::vector<std::size_t> ends;
    std::size_t total = 0;
    for (const Json& entry : write["log"].items) {
      if (entry["dir"].text != "rx")
        continue;
      total += entry["hex"].text.size() / 2;
      times.push_back(entry["t"].integer());
      ends.push_back(total);
    }
    for (const std::size_t end : ends)
      EXPECT_TRUE(end == 1 || end == 4 || end == 12) << end;
    sawPauses = ends == std::vector<std::size_t>{1, 4, 12} && times[1] - times[0] >= 1000 &&
                times[2] - times[1] >= 1000;
  }
  EXPECT_TRUE(sawPauses);

  // After the ACK of a read, the next command waits 50 ms.
  ASSERT_EQ(Cam_get_flash_mode(), 2);
  ASSERT_EQ(Cam_set_flash_mode(1), 0);
  const Json readThenWrite = settledLog(*sim);
  std::int64_t ackTime = -1;
  std::int64_t nextCommand = -1;
  for (const Json& entry : readThenWrite["log"].items) {
    if (entry["dir"].text != "rx")
      continue;
    if (entry["hex"].text == "06")
      ackTime = entry["t"].integer();
    else if (ackTime >= 0 && nextCommand < 0 && entry["hex"].text.rfind("1b", 0) == 0)
      nextCommand = entry["t"].integer();
  }
  ASSERT_GE(ackTime, 0);
  ASSERT_GE(nextCommand, 0);
  // 50 ms, less what a late read of the ACK may take off; without the wait
  // the gap would be the 20 ms look for a pending byte.
  EXPECT_GE(nextCommand - ackTime, 45000);

  // Closing: the speed goes back to 0 with 'S'.
  ASSERT_EQ(Cam_session_enabled(0), 0);
  const Bytes closing = receivedBytes(settledLog(*sim));
  EXPECT_EQ(closing, PacketCodec::writeRegister(17, 0, 'S'));
  EXPECT_EQ(stat(*sim, "host_checksum_errors"), 0);
}

TEST_F(SimFaults, AnswersKeepATransferGoingPastTheCallersTimeLimit) {
  // At the line's own pace: 30000 bytes at 230400 baud take about 1.3 s.
  START_OR_RETURN(startSerial({"--time-scale", "1"}, kConfig));
  connect(1, 6);
  VanticSetTimeLimit(300);
  const auto start = std::chrono::steady_clock::now();
  int code = -1;
  EXPECT_TRUE(downloadMatches(*sim, code)) << code;
  EXPECT_GT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(600));
}
