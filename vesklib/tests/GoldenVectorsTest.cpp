// The link's SCSI commands, the protocol's frames, the block split of data
// writes and the command order of each transaction, compared with vectors
// that an independent encoder (vesk_vectors.py) writes from the tables.
#include "ScriptedBackend.h"

#include "platform/testsupport/TestSupport.h"
#include "vesklib/CameraProtocol.h"
#include "vesklib/CameraRecord.h"
#include "vesklib/ProtocolFrames.h"
#include "vesklib/ScsiLink.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <sstream>

using namespace tarsel::vesk;
using tarsel::vesk::test::ScriptedBackend;

namespace {

std::string hexOf(std::span<const std::uint8_t> bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (auto b : bytes) {
    text += digits[b >> 4];
    text += digits[b & 15];
  }
  return text;
}

const char* directionName(DataDirection d) {
  return d == DataDirection::Out ? "out" : d == DataDirection::In ? "in" : "none";
}

struct Vectors {
  std::map<std::string, std::vector<std::string>> byKind; // kind -> lines without the kind word
};

Vectors loadVectors() {
  const auto result = tarsel::test::runProgram({"python3", tarsel::test::testDataDir() + "/vesk_vectors.py"});
  EXPECT_EQ(result.exitCode, 0);
  Vectors vectors;
  std::istringstream lines(result.out);
  std::string line;
  while (std::getline(lines, line)) {
    const auto space = line.find(' ');
    if (space == std::string::npos)
      continue;
    vectors.byKind[line.substr(0, space)].push_back(line.substr(space + 1));
  }
  return vectors;
}

const Vectors& vectors() {
  static const Vectors loaded = loadVectors();
  return loaded;
}

std::vector<std::string> words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> out;
  std::string word;
  while (in >> word)
    out.push_back(word);
  return out;
}

// A link over a scripted camera with one open device.
struct Rig {
  ScriptedBackend* backend = nullptr;
  std::unique_ptr<CScsiLink> link;
  std::unique_ptr<CCameraRecord> camera;

  Rig() {
    auto owned = std::make_unique<ScriptedBackend>();
    backend = owned.get();
    backend->setProduct("cam0", "MODEL");
    link = std::make_unique<CScsiLink>(std::move(owned));
    camera = std::make_unique<CCameraRecord>(*backend, "cam0", "MODEL");
    EXPECT_EQ(camera->connect(), 0u);
  }
  int handle() const { return camera->handle(); }
};

} // namespace

TEST(GoldenVectors, EachLinkCommandHasTheTableCdbDirectionLengthAndTimeOut) {
  const std::map<std::string, std::function<void(Rig&)>> operations = {
      {"open", [](Rig& r) { r.link->openTransaction(r.handle(), 0); }},
      {"open_extra2", [](Rig& r) { r.link->openTransaction(r.handle(), 2); }},
      {"open_extra15", [](Rig& r) { r.link->openTransaction(r.handle(), 15); }},
      {"send_register_read_7",
       [](Rig& r) { r.link->sendFrame(r.handle(), ProtocolFrames::registerRead(7)); }},
      {"send_status_ack", [](Rig& r) { r.link->sendStatus(r.handle(), 0x06); }},
      {"send_big_first_block",
       [](Rig& r) {
         const std::vector<std::uint8_t> data(32767, 'x');
         r.link->sendFrame(r.handle(), ProtocolFrames::dataWriteFirst(22, data));
       }},
      {"reply_length", [](Rig& r) { r.link->getReplyLength(r.handle()); }},
      {"read_reply_74",
       [](Rig& r) {
         std::vector<std::uint8_t> reply(ProtocolFrames::kMaxReplyLength);
         r.link->readReply(r.handle(), 74, reply);
       }},
      {"read_reply_32835",
       [](Rig& r) {
         std::vector<std::uint8_t> reply(ProtocolFrames::kMaxReplyLength);
         r.link->readReply(r.handle(), 32835, reply);
       }},
      {"close_step", [](Rig& r) { r.link->closeStep(r.handle()); }},
      {"inquiry",
       [](Rig& r) {
         std::array<std::uint8_t, 36> answer{};
         r.link->inquiry(r.handle(), answer);
       }},
  };
  const auto& lines = vectors().byKind.at("cmd");
  ASSERT_EQ(lines.size(), operations.size());
  for (const auto& line : lines) {
    const auto w = words(line);
    ASSERT_EQ(w.size(), 6u) << line;
    SCOPED_TRACE(w[0]);
    Rig rig;
    ASSERT_TRUE(operations.count(w[0]));
    operations.at(w[0])(rig);
    ASSERT_EQ(rig.backend->commands().size(), 1u);
    const auto& command = rig.backend->commands()[0];
    EXPECT_EQ(hexOf(command.cdb), w[1]);
    EXPECT_EQ(directionName(command.direction), w[2]);
    EXPECT_EQ(std::to_string(command.length), w[3]);
    EXPECT_EQ(std::to_string(command.timeoutMs), w[4]);
    EXPECT_EQ(command.direction == DataDirection::Out ? hexOf(command.dataOut) : "-", w[5]);
  }
}

TEST(GoldenVectors, EveryFrameKindEncodesToTheTableBytes) {
  const std::vector<std::uint8_t> hello = {'H', 'E', 'L', 'L', 'O'};
  const std::vector<std::uint8_t> abc = {'a', 'b', 'c'};
  const std::vector<std::uint8_t> ff(300, 0xFF);
  const auto status06 = ProtocolFrames::statusFrame(0x06);
  const auto status15 = ProtocolFrames::statusFrame(0x15);
  const auto open = ProtocolFrames::openBlock();
  const std::map<std::string, std::vector<std::uint8_t>> frames = {
      {"register_write_7_11223344", ProtocolFrames::registerWrite(7, 0x11223344)},
      {"register_write_2_ffffffff", ProtocolFrames::registerWrite(2, 0xFFFFFFFF)},
      {"register_read_85", ProtocolFrames::registerRead(85)},
      {"action_2_0", ProtocolFrames::action(2, 0)},
      {"action_8_2", ProtocolFrames::action(8, 2)},
      {"data_read_14", ProtocolFrames::dataReadRequest(14)},
      {"data_write_first_22_hello", ProtocolFrames::dataWriteFirst(22, hello)},
      {"data_write_first_87_empty", ProtocolFrames::dataWriteFirst(87, {})},
      {"data_write_further_2_0_abc", ProtocolFrames::dataWriteFurther(2, 0, abc)},
      {"data_write_further_3_1_empty", ProtocolFrames::dataWriteFurther(3, 1, {})},
      {"data_write_further_3_5_ff", ProtocolFrames::dataWriteFurther(3, 5, ff)},
      {"status_06", {status06.begin(), status06.end()}},
      {"status_15", {status15.begin(), status15.end()}},
      {"open_block", {open.begin(), open.end()}},
  };
  const auto& lines = vectors().byKind.at("frame");
  ASSERT_EQ(lines.size(), frames.size());
  for (const auto& line : lines) {
    const auto w = words(line);
    ASSERT_EQ(w.size(), 2u);
    ASSERT_TRUE(frames.count(w[0])) << w[0];
    EXPECT_EQ(hexOf(frames.at(w[0])), w[1]) << w[0];
  }
}

TEST(GoldenVectors, DataWritesSplitIntoTheTableBlocksAndSendEveryByteOnce) {
  for (const auto& line : vectors().byKind.at("blocks")) {
    const auto w = words(line);
    ASSERT_EQ(w.size(), 2u);
    SCOPED_TRACE(line);
    const std::size_t length = std::stoul(w[0]);
    std::vector<std::uint8_t> source(length);
    for (std::size_t i = 0; i < length; ++i)
      source[i] = static_cast<std::uint8_t>(i * 7 + i / 251);

    Rig rig;
    CameraProtocol protocol(*rig.link);
    std::string expected = w[1];
    const std::size_t blockCount =
        static_cast<std::size_t>(std::count(expected.begin(), expected.end(), ',')) + 1;
    for (std::size_t i = 0; i < blockCount; ++i)
      rig.backend->queueStatus(0x06);
    EXPECT_EQ(protocol.writeData(*rig.camera, 124, source), 0x06);

    std::string described;
    std::vector<std::uint8_t> sent;
    for (const auto& command : rig.backend->commands()) {
      if (command.opcode != 0xC1)
        continue;
      const auto& f = command.dataOut;
      ASSERT_GE(f.size(), 70u);
      std::size_t n = 0;
      int type = 0;
      if (f[64] == 0x1B) {
        EXPECT_EQ(f[68], 5);
        EXPECT_EQ(f[69], 124);
        n = (f[66] | (f[67] << 8)) - 2u;
        type = 1;
        sent.insert(sent.end(), f.begin() + 70, f.begin() + 70 + static_cast<long>(n));
      } else {
        type = f[64];
        n = f[66] | (f[67] << 8);
        sent.insert(sent.end(), f.begin() + 68, f.begin() + 68 + static_cast<long>(n));
      }
      if (!described.empty())
        described += ',';
      described += std::to_string(n) + ':' + std::to_string(type);
    }
    EXPECT_EQ(described, expected);
    EXPECT_EQ(sent, source);
  }
}

TEST(GoldenVectors, TransactionsIssueTheTableCommandOrder) {
  const std::vector<std::uint8_t> block = {1, 2, 3, 4};
  const std::map<std::string, std::function<void(Rig&, CameraProtocol&)>> transactions = {
      {"read_register",
       [](Rig& r, CameraProtocol& p) {
         r.backend->queueRegister(0x01020304);
         EXPECT_EQ(p.readRegister(*r.camera, 7), 0x01020304u);
       }},
      {"write_register_ack",
       [](Rig& r, CameraProtocol& p) {
         r.backend->queueStatus(0x06);
         EXPECT_EQ(p.writeRegister(*r.camera, 7, 2), 0x06);
       }},
      {"write_register_nak_nak_ack",
       [](Rig& r, CameraProtocol& p) {
         r.backend->queueStatus(0x15);
         r.backend->queueStatus(0x15);
         r.backend->queueStatus(0x06);
         EXPECT_EQ(p.writeRegister(*r.camera, 7, 2), 0x06);
       }},
      {"run_action",
       [](Rig& r, CameraProtocol& p) {
         r.backend->queueStatus(0x06);
         r.backend->queueStatus(0x05);
         p.runAction(*r.camera, 2, 0);
       }},
      {"run_action_dc1_ack",
       [](Rig& r, CameraProtocol& p) {
         r.backend->queueStatus(0x11);
         r.backend->queueStatus(0x06);
         r.backend->queueStatus(0x05);
         p.runAction(*r.camera, 2, 0);
       }},
      {"read_data_two_blocks",
       [&block](Rig& r, CameraProtocol& p) {
         r.backend->queueDataBlock(2, block);
         r.backend->queueDataBlock(3, block);
         std::vector<std::uint8_t> target(8);
         EXPECT_EQ(p.readData(*r.camera, 14, target, nullptr), 8u);
       }},
      {"write_data_32767",
       [](Rig& r, CameraProtocol& p) {
         r.backend->queueStatus(0x06);
         r.backend->queueStatus(0x06);
         const std::vector<std::uint8_t> data(32767, 9);
         EXPECT_EQ(p.writeData(*r.camera, 22, data), 0x06);
       }},
  };
  const auto& lines = vectors().byKind.at("txn");
  ASSERT_EQ(lines.size(), transactions.size());
  for (const auto& line : lines) {
    const auto w = words(line);
    ASSERT_EQ(w.size(), 2u);
    SCOPED_TRACE(w[0]);
    ASSERT_TRUE(transactions.count(w[0]));
    Rig rig;
    CameraProtocol protocol(*rig.link);
    transactions.at(w[0])(rig, protocol);
    EXPECT_EQ(rig.backend->opcodeTranscript(), w[1]);
    EXPECT_EQ(rig.backend->pendingReplies(), 0u);
  }
}
