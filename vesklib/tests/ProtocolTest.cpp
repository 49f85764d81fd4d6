// The command/reply protocol against a scripted camera: status mapping and
// retries, reply checks (missing, short, malformed, bad checksum, oversized),
// bounded copies and progress reports.
#include "ScriptedBackend.h"

#include "platform/Win32Error.h"
#include "vesklib/CameraProtocol.h"
#include "vesklib/CameraRecord.h"
#include "vesklib/ScsiLink.h"
#include "vesklib/VeskFault.h"

#include <gtest/gtest.h>

#include <functional>

using namespace tarsel::vesk;
using tarsel::vesk::test::ScriptedBackend;
using tarsel::vesk::test::statusReply;

namespace {

struct Rig {
  ScriptedBackend* backend = nullptr;
  std::unique_ptr<CScsiLink> link;
  std::unique_ptr<CCameraRecord> camera;
  std::unique_ptr<CameraProtocol> protocol;

  Rig() {
    auto owned = std::make_unique<ScriptedBackend>();
    backend = owned.get();
    backend->setProduct("cam0", "MODEL");
    link = std::make_unique<CScsiLink>(std::move(owned));
    camera = std::make_unique<CCameraRecord>(*backend, "cam0", "MODEL");
    EXPECT_EQ(camera->connect(), 0u);
    protocol = std::make_unique<CameraProtocol>(*link);
  }
};

// The fault thrown by work, as "L<n>" (library) or "W<n>" (Win32), or "none".
std::string faultOf(const std::function<void()>& work) {
  try {
    work();
  } catch (const VeskFault& fault) {
    return (fault.kind() == VeskFault::Kind::Library ? "L" : "W") + std::to_string(fault.code());
  }
  return "none";
}

int countOpcode(const ScriptedBackend& backend, std::uint8_t opcode) {
  int n = 0;
  for (const auto& command : backend.commands())
    n += command.opcode == opcode;
  return n;
}

} // namespace

TEST(Protocol, RegisterWritesMapTheLastStatusAfterAtMostThreeAttempts) {
  struct Row {
    std::vector<std::uint8_t> statuses;
    std::string fault;
    int attempts;
  };
  const std::vector<Row> rows = {
      {{0x06}, "none", 1},
      {{0x00}, "none", 1},
      {{0x15, 0x15, 0x06}, "none", 3},
      {{0x11, 0x11, 0x11}, "L15", 3},
      {{0x15, 0x15, 0x15}, "L14", 3},
      {{0x05, 0x05, 0x05}, "none", 3},
      {{0x18, 0x18, 0x18}, "L13", 3},
      {{0x42, 0x42, 0x42}, "L13", 3},
  };
  for (const auto& row : rows) {
    Rig rig;
    for (auto s : row.statuses)
      rig.backend->queueStatus(s);
    EXPECT_EQ(faultOf([&] { rig.protocol->writeRegister(*rig.camera, 7, 1); }), row.fault);
    EXPECT_EQ(countOpcode(*rig.backend, 0xC2), row.attempts);
  }
}

TEST(Protocol, ActionsNeedAnAcceptedFirstReplyAndAFinishedSecondReply) {
  struct Row {
    std::vector<std::uint8_t> statuses;
    std::string fault;
  };
  const std::vector<Row> rows = {
      {{0x06, 0x05}, "none"},      {{0x00, 0x00}, "none"}, {{0x11, 0x11, 0x06, 0x05}, "none"},
      {{0x06, 0x06}, "L13"},       {{0x06, 0x15}, "L13"},  {{0x11, 0x11, 0x11}, "L15"},
      {{0x15, 0x15, 0x15}, "L14"},
  };
  for (const auto& row : rows) {
    Rig rig;
    for (auto s : row.statuses)
      rig.backend->queueStatus(s);
    EXPECT_EQ(faultOf([&] { rig.protocol->runAction(*rig.camera, 2, 0); }), row.fault);
  }
}

TEST(Protocol, AMissingShortOrMalformedStatusReplyIsNeverAnAcceptedOne) {
  auto wrongMark = statusReply(0x06);
  wrongMark[6] = 0xFF;
  wrongMark[7] = 0x09;
  auto wrongWord = statusReply(0x06);
  wrongWord[4] = 3;
  const std::vector<std::vector<std::uint8_t>> replies = {
      {}, std::vector<std::uint8_t>(64, 0), std::vector<std::uint8_t>(65, 0), wrongMark, wrongWord};
  for (const auto& reply : replies) {
    Rig rig;
    rig.backend->queueReply(reply);
    EXPECT_EQ(faultOf([&] { rig.protocol->writeRegister(*rig.camera, 7, 1); }), "L16");
    Rig action;
    action.backend->queueStatus(0x06);
    action.backend->queueReply(reply);
    EXPECT_EQ(faultOf([&] { action.protocol->runAction(*action.camera, 2, 0); }), "L16");
  }
  // A device that fails the read (counted as done) leaves no reply: still no status.
  Rig failed;
  failed.backend->queueStatus(0x06);
  failed.backend->failNext(0xC2, ERROR_GEN_FAILURE);
  EXPECT_EQ(faultOf([&] { failed.protocol->writeRegister(*failed.camera, 7, 1); }), "L16");
}

TEST(Protocol, RegisterReadsCheckTheValueChecksum) {
  Rig good;
  good.backend->queueRegister(0xFFFFFFF0u);
  EXPECT_EQ(good.protocol->readRegister(*good.camera, 2), 0xFFFFFFF0u);
  Rig bad;
  bad.backend->queueRegister(1234, false);
  EXPECT_EQ(faultOf([&] { bad.protocol->readRegister(*bad.camera, 2); }), "L16");
  Rig shortReply;
  shortReply.backend->queueReply(statusReply(0x06));
  EXPECT_EQ(faultOf([&] { shortReply.protocol->readRegister(*shortReply.camera, 2); }), "L16");
}

TEST(Protocol, DataRepliesAreCheckedAndNeverCopiedPastTheDestination) {
  const std::vector<std::uint8_t> four = {10, 20, 30, 40};
  struct Row {
    const char* name;
    std::function<void(ScriptedBackend&)> script;
    std::size_t capacity;
    std::string fault;
  };
  const std::vector<Row> rows = {
      {"unchecked sum", [&](ScriptedBackend& b) { b.queueDataBlock(3, four, 0xFFFF); }, 4, "none"},
      {"empty with sum 0", [&](ScriptedBackend& b) { b.queueDataBlock(3, {}, 0); }, 0, "none"},
      {"empty with sum 0xFFFF", [&](ScriptedBackend& b) { b.queueDataBlock(3, {}, 0xFFFF); }, 0, "none"},
      {"empty with sum 7", [&](ScriptedBackend& b) { b.queueDataBlock(3, {}, 7); }, 0, "L16"},
      {"bad sum", [&](ScriptedBackend& b) { b.queueDataBlock(3, four, 99); }, 4, "L16"},
      {"larger than destination", [&](ScriptedBackend& b) { b.queueDataBlock(3, four); }, 3, "L16"},
      {"second block overflows",
       [&](ScriptedBackend& b) {
         b.queueDataBlock(2, four);
         b.queueDataBlock(3, four);
       },
       6, "L16"},
      {"length beyond the reply",
       [&](ScriptedBackend& b) {
         auto reply = tarsel::vesk::test::replyHeader(72);
         reply[64] = 3;
         reply[66] = 200;
         b.queueReply(reply);
       },
       4096, "L16"},
      {"announced length beyond the bulk buffer", [&](ScriptedBackend& b) { b.forceNextLength(32897); },
       40000, "L16"},
      {"no reply at all", [](ScriptedBackend&) {}, 16, "L16"},
      {"endless empty blocks",
       [](ScriptedBackend& b) {
         for (int i = 0; i < 100; ++i)
           b.queueDataBlock(2, {}, 0);
       },
       16, "L16"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Rig rig;
    row.script(*rig.backend);
    // The destination is exactly the capacity, so ASan sees any overrun.
    auto destination = std::make_unique<std::uint8_t[]>(row.capacity + 1);
    const std::span<std::uint8_t> target(destination.get(), row.capacity);
    EXPECT_EQ(faultOf([&] { rig.protocol->readData(*rig.camera, 14, target, nullptr); }), row.fault);
  }
  // The oversized announcement is refused before any read is issued.
  Rig oversized;
  oversized.backend->forceNextLength(32897);
  std::vector<std::uint8_t> target(40000);
  EXPECT_EQ(faultOf([&] { oversized.protocol->readData(*oversized.camera, 14, target, nullptr); }), "L16");
  EXPECT_EQ(countOpcode(*oversized.backend, 0xC2), 0);
}

TEST(Protocol, DataReadsReportEveryBlockAndResetTheCountsAtTheEnd) {
  Rig rig;
  const std::vector<std::uint8_t> a(1000, 1), b(500, 2), c(1, 3);
  rig.backend->queueDataBlock(2, a);
  rig.backend->queueDataBlock(2, b, 0xFFFF);
  rig.backend->queueDataBlock(3, c);
  std::vector<std::pair<std::uint32_t, std::uint32_t>> reports;
  const CameraProtocol::ProgressSink sink = [&](const VESK_PROGRESS& p) {
    reports.emplace_back(p.received, p.lastBlock);
  };
  // Counts left over from a failed transfer do not leak into this one.
  rig.camera->counters() = {777, 7};
  std::vector<std::uint8_t> target(1501);
  EXPECT_EQ(rig.protocol->readData(*rig.camera, 14, target, &sink), 1501u);
  const std::vector<std::pair<std::uint32_t, std::uint32_t>> expected = {
      {1000, 1000}, {1500, 500}, {1501, 1}};
  EXPECT_EQ(reports, expected);
  EXPECT_EQ(rig.camera->counters().received, 0u);
  EXPECT_EQ(rig.camera->counters().lastBlock, 0u);
  EXPECT_EQ(target[0], 1);
  EXPECT_EQ(target[1000], 2);
  EXPECT_EQ(target[1500], 3);
  // Each block is acknowledged with 0x06 before the next is read.
  int acks = 0;
  for (const auto& command : rig.backend->commands())
    acks += command.opcode == 0xC1 && command.dataOut.size() == 65 && command.dataOut[64] == 0x06;
  EXPECT_EQ(acks, 3);
}

TEST(Protocol, DataWritesStopAtTheFirstRefusedBlock) {
  const std::vector<std::uint8_t> data(70000, 5);
  struct Row {
    std::vector<std::uint8_t> statuses;
    std::string fault;
    int blocksSent;
  };
  const std::vector<Row> rows = {
      {{0x06, 0x06, 0x06}, "none", 3},
      {{0x06, 0x18}, "L31", 2},
      {{0x15}, "L14", 1},
      {{0x06, 0x11}, "L15", 2},
  };
  for (const auto& row : rows) {
    Rig rig;
    for (auto s : row.statuses)
      rig.backend->queueStatus(s);
    EXPECT_EQ(faultOf([&] { rig.protocol->writeData(*rig.camera, 124, data); }), row.fault);
    int frames = 0;
    for (const auto& command : rig.backend->commands())
      frames += command.opcode == 0xC1;
    EXPECT_EQ(frames, row.blocksSent);
  }
}

TEST(Protocol, LinkFailuresBecomeTheLibraryOrWin32Error) {
  struct Row {
    DWORD error;
    std::string fault;
  };
  const std::vector<Row> rows = {
      {ERROR_DEV_NOT_EXIST, "L26"},
      {ERROR_SEM_TIMEOUT, "W121"},
      {ERROR_ACCESS_DENIED, "W5"},
  };
  for (const auto& row : rows) {
    Rig rig;
    rig.backend->failNext(0xC0, row.error);
    EXPECT_EQ(faultOf([&] { rig.protocol->readRegister(*rig.camera, 7); }), row.fault);
  }
  // A command the device failed counts as done: the open goes on.
  Rig ignored;
  ignored.backend->failNext(0xC0, ERROR_GEN_FAILURE);
  ignored.backend->queueStatus(0x06);
  EXPECT_EQ(faultOf([&] { ignored.protocol->writeRegister(*ignored.camera, 7, 1); }), "none");
}

TEST(Protocol, TheOpenCommandCarriesTheExtraSecondsOfTheLastExposure) {
  Rig rig;
  rig.camera->setExtraSeconds(2);
  rig.backend->queueStatus(0x06);
  rig.protocol->writeRegister(*rig.camera, 7, 1);
  for (const auto& command : rig.backend->commands())
    EXPECT_EQ(command.timeoutMs, command.opcode == 0xC0 ? 47000u : 45000u);
}
