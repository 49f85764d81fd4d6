#include "app/receiver/MailslotServer.h"

#include "StandInFrame.h"
#include "app/receiver/RemoteDatagramHandler.h"
#include "app/testsupport/EventPump.h"
#include "env/BrantelTakeError.h"
#include "env/CamStorageDir.h"
#include "platform/Bytes.h"
#include "platform/Win32Error.h"
#include "platform/testsupport/TestSupport.h"
#include "remote/MailSlotAddress.h"
#include "remote/MailSlotClient.h"
#include "remote/RemoteDatagram.h"
#include "remote/RemoteKey.h"
#include "remote/TarselRem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace std::chrono_literals;
using tarsel::receiver::kAllCamerasTakePicture;
using tarsel::receiver::test::freeUdpPort;
using tarsel::receiver::test::StandInFrame;
using tarsel::receiver::test::uniqueSocketName;
using tarsel::remote::kMailslotNameVariable;
using tarsel::remote::kRemotePortVariable;
using tarsel::test::pumpUntil;
using tarsel::test::ScopedEnv;

namespace {

tarsel::remote::MailSlotListener::Options localOnly() {
  tarsel::remote::MailSlotListener::Options options;
  options.listenUdp = false;
  return options;
}

tarsel::test::ProcessResult runRemote(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {"sh", "-c", "exec \"$0\" \"$@\" 2>&1",
                                   tarsel::test::binDir() + "/TarselRemote"};
  argv.insert(argv.end(), args.begin(), args.end());
  return tarsel::test::runProgram(argv);
}

std::string hexOf(std::string_view text) {
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : text) {
    hex += digits[c >> 4];
    hex += digits[c & 15];
  }
  return hex;
}

// The independent sender beside the tests; its exit code.
int sendWithPython(const std::string& target, const std::vector<std::string>& items) {
  std::vector<std::string> argv = {"python3", tarsel::test::testDataDir() + "/send_datagrams.py", target};
  argv.insert(argv.end(), items.begin(), items.end());
  const auto result = tarsel::test::runProgram(argv);
  EXPECT_EQ(result.out, std::to_string(items.size()) + "\n");
  return result.exitCode;
}

std::optional<std::string> textOf(const std::vector<std::uint8_t>& datagram) {
  return tarsel::remote::decodeDatagram(datagram, tarsel::remote::builtInRemoteKey());
}

std::uint32_t nonceOf(const std::vector<std::uint8_t>& datagram) {
  const auto plain = tarsel::remote::decipherDatagram(datagram, tarsel::remote::builtInRemoteKey());
  if (!plain)
    return 0xFFFFFFFFu;
  return tarsel::bytes::loadLe32(*plain);
}

} // namespace

TEST(RemoteReceiver, TarselRemoteOverTheLocalSocketTakesOncePerCaptureDatagramInOrder) {
  ScopedEnv name(kMailslotNameVariable, uniqueSocketName());
  StandInFrame frame;
  CMailslotServer server(&frame, WM_TARSEL_REMOTE_DATAGRAM, localOnly());
  server.Start();
  struct Row {
    std::vector<std::string> args;
    std::string text;
    int takes;
  };
  // takes 0: a datagram without a command, dropped by the reader.
  const std::vector<Row> rows = {
      {{"/CAPTURE"}, "?CAPTURE", 1},
      {{"/CPFF=night"}, "?CPFF=night", 0},
      {{}, "?CAPTURE", 1},
      {{"/RCAPTURE"}, "?RC", 0},
      {{"/cam=Cam1"}, "?CAM=Cam1&CAPTURE", 1},
      {{"/RI=7", "/CAPTURE", "."}, "?RI=7&CAPTURE", 1},
  };
  std::vector<std::string> posted;
  for (const Row& row : rows) {
    const auto result = runRemote(row.args);
    EXPECT_EQ(result.exitCode, 0) << row.text << ": " << result.out;
    if (row.takes > 0)
      posted.push_back(row.text);
  }
  ASSERT_TRUE(pumpUntil([&] { return frame.datagrams().size() == posted.size(); }));
  frame.deliverQueued();
  std::vector<std::string> texts;
  for (const auto& entry : frame.entries()) {
    if (entry.command)
      continue;
    texts.push_back(textOf(entry.bytes).value_or("?"));
    EXPECT_EQ(entry.posted, 1) << texts.back();
  }
  EXPECT_EQ(texts, posted);
  EXPECT_EQ(frame.commands(), std::vector<UINT>(4, kAllCamerasTakePicture));
  EXPECT_TRUE(server.Stop());
}

TEST(RemoteReceiver, SenderLibraryAndProgramReachItByUdpOnLoopbackAndLocally) {
  ScopedEnv name(kMailslotNameVariable, uniqueSocketName());
  const std::uint16_t port = freeUdpPort();
  ASSERT_NE(port, 0);
  ScopedEnv portVariable(kRemotePortVariable, std::to_string(port));
  StandInFrame frame;
  CMailslotServer server(&frame);
  ASSERT_EQ(server.UdpError(), 0u);
  EXPECT_EQ(server.UdpPort(), port);
  server.Start();

  EXPECT_EQ(TarselControl(1, "127.0.0.1", nullptr, nullptr, nullptr, 0), S_OK);
  EXPECT_EQ(TarselRemote(1, "Cam1", "127.0.0.1", nullptr, "3", nullptr, 0), S_OK);
  EXPECT_EQ(TarselControl(1, nullptr, nullptr, nullptr, nullptr, 0), S_OK);
  EXPECT_EQ(TarselControl(0, "127.0.0.1", nullptr, "1", "", 1), S_OK);
  const auto result = runRemote({"/CAPTURE", "127.0.0.1"});
  EXPECT_EQ(result.exitCode, 0) << result.out;
  EXPECT_EQ(sendWithPython("udp:127.0.0.1:" + std::to_string(port), {"text:" + hexOf("MSL?CAPTURE")}), 0);

  // The datagram without CAPTURE carries no command: the reader drops it.
  ASSERT_TRUE(pumpUntil([&] { return frame.datagrams().size() == 5; }));
  frame.deliverQueued();
  EXPECT_EQ(frame.datagrams().size(), 5u);
  EXPECT_EQ(frame.commands(), std::vector<UINT>(5, kAllCamerasTakePicture));
}

TEST(MailslotServer, AUdpPortInUseIsLoggedAndTheLocalMailslotStillWorks) {
  ScopedEnv name(kMailslotNameVariable, uniqueSocketName());
  const int holder = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(holder, 0);
  sockaddr_in any{};
  any.sin_family = AF_INET;
  any.sin_addr.s_addr = htonl(INADDR_ANY);
  socklen_t length = sizeof any;
  ASSERT_EQ(bind(holder, reinterpret_cast<const sockaddr*>(&any), sizeof any), 0);
  ASSERT_EQ(getsockname(holder, reinterpret_cast<sockaddr*>(&any), &length), 0);
  const std::uint16_t port = ntohs(any.sin_port);
  ScopedEnv portVariable(kRemotePortVariable, std::to_string(port));

  StandInFrame frame;
  CMailslotServer server(&frame);
  EXPECT_NE(server.UdpError(), 0u);
  EXPECT_EQ(server.UdpPort(), 0);
  close(holder);
  const std::string log = tarsel::test::readFile(std::string(CCamDataDir().GetPath()) + "/ErrorLog.txt");
  EXPECT_NE(log.find("UDP port " + std::to_string(port) + " cannot be bound"), std::string::npos) << log;

  server.Start();
  EXPECT_EQ(TarselControl(1, nullptr, nullptr, nullptr, nullptr, 0), S_OK);
  ASSERT_TRUE(pumpUntil([&] { return !frame.commands().empty(); }));
  EXPECT_EQ(frame.commands(), std::vector<UINT>{kAllCamerasTakePicture});
}

TEST(RemoteReceiver, ForeignAndMalformedDatagramsAreDroppedAndTheReaderGoesOn) {
  const std::string socket = uniqueSocketName();
  ScopedEnv name(kMailslotNameVariable, socket);
  StandInFrame frame;
  CMailslotServer server(&frame, WM_TARSEL_REMOTE_DATAGRAM, localOnly());
  server.Start();
  // takes -1: dropped by the reader, never posted to the frame.
  struct Row {
    std::string item;
    int takes;
  };
  const std::vector<Row> rows = {
      {"raw:", -1},
      {"raw:4d534c", -1},
      {"raw:00000000", -1},
      {"raw:000000004d534c", -1},
      {"raw:000000004d534c3f", -1},
      {"raw:000000004d534c3f434150545552450000", -1},
      {"raw:" + std::string(64, 'f'), -1},
      {"text:" + hexOf("MSLCAPTURE"), -1},
      {"text:" + hexOf("MSX?CAPTURE"), -1},
      {"uk:" + hexOf("secret") + ":" + hexOf("MSL?CAPTURE"), -1},
      {"uk::" + hexOf("MSL?CAPTURE"), -1},
      {"text:" + hexOf("MSL?RI&CPFF=x&RC"), -1},
      {"text:" + hexOf("MSL?RCAPTURE"), -1},
      {"text:" + hexOf("MSL?CaPtUrE&capture&CAPTURE"), 1},
      {"text:" + hexOf("MSL?"), -1},
      {"text:" + hexOf("MSL?capture"), 1},
  };
  std::vector<std::string> items;
  for (const Row& row : rows)
    items.push_back(row.item);
  ASSERT_EQ(sendWithPython("unix:" + socket, items), 0);
  // Longer than any datagram the receiver takes: dropped by the reader.
  ASSERT_EQ(sendWithPython("unix:" + socket, {"zeros:70000"}), 0);
  // Under a user key from the sender library: it decodes only under that key.
  EXPECT_EQ(TarselControl(1, nullptr, "secret", nullptr, nullptr, 0), S_OK);
  EXPECT_EQ(TarselControl(1, nullptr, nullptr, nullptr, nullptr, 0), S_OK);

  std::vector<int> wanted;
  for (const Row& row : rows)
    if (row.takes >= 0)
      wanted.push_back(row.takes);
  wanted.push_back(1);
  ASSERT_TRUE(pumpUntil([&] { return frame.datagrams().size() == wanted.size(); }));
  frame.deliverQueued();
  ASSERT_EQ(frame.datagrams().size(), wanted.size());
  std::vector<int> posted;
  for (const auto& entry : frame.entries())
    if (!entry.command)
      posted.push_back(entry.posted);
  EXPECT_EQ(posted, wanted);
  EXPECT_EQ(frame.commands(), std::vector<UINT>(3, kAllCamerasTakePicture));
}

TEST(RemoteReceiver, AFloodWhileTheFrameIsBusyStaysBoundedIsLoggedOncePerBurstAndALaterCommandIsHandled) {
  ScopedEnv name(kMailslotNameVariable, uniqueSocketName());
  const std::string logPath = std::string(CCamDataDir().GetPath()) + "/ErrorLog.txt";
  const auto burstLines = [&] {
    const std::string log = tarsel::test::readFile(logPath);
    std::size_t count = 0;
    for (auto at = log.find("newer ones are dropped"); at != std::string::npos;
         at = log.find("newer ones are dropped", at + 1))
      ++count;
    return count;
  };
  const std::size_t linesBefore = burstLines();
  StandInFrame frame;
  CMailslotServer server(&frame, WM_TARSEL_REMOTE_DATAGRAM, localOnly());
  server.Start();
  constexpr std::uint32_t kInvalid = 500;
  constexpr std::uint32_t kValid = 2000;
  // The frame's thread delivers nothing until both floods are through; a
  // reader that waited for the frame would make the sends time out.
  tarsel::remote::CMailSlotClient client(nullptr, 2000ms);
  const std::vector<std::uint8_t> junk(tarsel::remote::kMaxDatagramSize, 0x5a);
  for (std::uint32_t i = 0; i < kInvalid; ++i)
    ASSERT_EQ(client.Write(junk.data(), junk.size()), S_OK) << "junk " << i;
  // Every other datagram decodes but carries no command: it never takes a slot.
  const auto key = tarsel::remote::builtInRemoteKey();
  const auto send = [&](std::uint32_t nonce, const std::string& text) {
    const auto bytes = tarsel::remote::encodeDatagram(nonce, text, key).value();
    ASSERT_EQ(client.Write(bytes.data(), bytes.size()), S_OK) << "datagram " << nonce;
  };
  for (std::uint32_t i = 0; i < kValid; ++i)
    send(i, i % 2 == 0 ? "MSL?CAPTURE" : "MSL?RI=" + std::to_string(i));
  const auto waitCounted = [&](std::uint64_t count) {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (server.Pending() + server.Dropped() < count && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(1ms);
  };
  // One reader, in order: once the last capture is counted, everything
  // before it has been read.
  constexpr std::uint64_t kCaptures = kValid / 2;
  waitCounted(kCaptures);
  EXPECT_EQ(server.Pending(), CMailslotServer::kMaxPending);
  EXPECT_EQ(server.Dropped(), kCaptures - CMailslotServer::kMaxPending);
  EXPECT_EQ(burstLines(), linesBefore + 1);

  frame.deliverQueued();
  EXPECT_EQ(server.Pending(), 0u);
  const auto datagrams = frame.datagrams();
  ASSERT_EQ(datagrams.size(), CMailslotServer::kMaxPending);
  for (std::uint32_t i = 0; i < datagrams.size(); ++i)
    EXPECT_EQ(nonceOf(datagrams[i]), 2 * i) << "datagram " << i;
  EXPECT_EQ(frame.commands(), std::vector<UINT>(CMailslotServer::kMaxPending, kAllCamerasTakePicture));

  // The backlog is gone: a capture sent now is handled at once.
  EXPECT_EQ(TarselControl(1, nullptr, nullptr, nullptr, nullptr, 0), S_OK);
  ASSERT_TRUE(pumpUntil([&] { return frame.commands().size() == CMailslotServer::kMaxPending + 1; }, 2s));
  EXPECT_EQ(server.Dropped(), kCaptures - CMailslotServer::kMaxPending);

  // A second flood is a second burst: one more line.
  for (std::uint32_t i = 0; i < CMailslotServer::kMaxPending + 3; ++i)
    send(kValid + i, "MSL?CAPTURE");
  waitCounted(kCaptures + 3);
  EXPECT_EQ(server.Dropped(), kCaptures - CMailslotServer::kMaxPending + 3);
  EXPECT_EQ(burstLines(), linesBefore + 2);
  frame.deliverQueued();
}

TEST(MailslotServer, StartsOnceStopsWithinAShortDeadlineIdleOrFloodedAndStartsAgain) {
  const std::string socket = uniqueSocketName();
  ScopedEnv name(kMailslotNameVariable, socket);
  StandInFrame frame;
  CMailslotServer server(&frame, WM_TARSEL_REMOTE_DATAGRAM, localOnly(), 300ms);
  EXPECT_TRUE(server.Stop());
  server.Start();
  server.Start();
  EXPECT_TRUE(server.IsRunning());
  EXPECT_TRUE(server.Stop());
  EXPECT_FALSE(server.IsRunning());
  EXPECT_TRUE(server.Stop());

  server.Start();
  std::atomic<bool> flooding{true};
  std::thread sender([&] {
    tarsel::remote::CMailSlotClient client(nullptr, 20ms);
    const auto bytes =
        tarsel::remote::encodeDatagram(1, "MSL?CAPTURE", tarsel::remote::builtInRemoteKey()).value();
    while (flooding.load())
      client.Write(bytes.data(), bytes.size());
  });
  ASSERT_TRUE(pumpUntil([&] { return frame.datagrams().size() >= 50; }));
  EXPECT_TRUE(server.Stop());
  flooding.store(false);
  sender.join();
  frame.deliverQueued();
  const std::size_t afterStop = frame.datagrams().size();

  // Started again, it is the same mailslot and delivers again (the flood's
  // datagrams still queued in the socket first, then the sender's).
  server.Start();
  EXPECT_EQ(TarselControl(1, nullptr, nullptr, nullptr, nullptr, 0), S_OK);
  ASSERT_TRUE(pumpUntil([&] {
    const auto datagrams = frame.datagrams();
    return std::any_of(datagrams.begin() + static_cast<std::ptrdiff_t>(afterStop), datagrams.end(),
                       [](const std::vector<std::uint8_t>& datagram) { return nonceOf(datagram) != 1; });
  }));
  frame.deliverQueued();
  EXPECT_EQ(frame.commands().size(), frame.datagrams().size());
}

TEST(MailslotServer, ASecondServerOnTheSameNameFailsAndTheFirstKeepsWorking) {
  ScopedEnv name(kMailslotNameVariable, uniqueSocketName());
  StandInFrame frame;
  CMailslotServer first(&frame, WM_TARSEL_REMOTE_DATAGRAM, localOnly());
  first.Start();
  HRESULT code = 0;
  try {
    StandInFrame other;
    CMailslotServer second(&other, WM_TARSEL_REMOTE_DATAGRAM, localOnly());
  } catch (const _brantel_take_error& error) {
    code = error.Error();
  }
  EXPECT_EQ(code, static_cast<HRESULT>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(TarselControl(1, nullptr, nullptr, nullptr, nullptr, 0), S_OK);
  ASSERT_TRUE(pumpUntil([&] { return !frame.commands().empty(); }));
  EXPECT_EQ(frame.commands(), std::vector<UINT>{kAllCamerasTakePicture});
}
