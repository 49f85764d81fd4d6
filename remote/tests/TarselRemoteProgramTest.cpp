#include "OracleSupport.h"
#include "TestReceiver.h"
#include "platform/testsupport/TestSupport.h"
#include "remote/MailSlotAddress.h"
#include "remote/RemoteCommand.h"
#include "remote/RemoteDatagram.h"
#include "remote/RemoteKey.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace tarsel::remote;
using tarsel::remote::test::decipherCommand;
using tarsel::remote::test::fromHex;
using tarsel::remote::test::readDecipherAnswer;
using tarsel::remote::test::runOracleBatch;
using tarsel::remote::test::TestReceiver;
using tarsel::remote::test::uniqueSocketName;
using tarsel::test::ScopedEnv;

namespace {

std::string program() {
  return tarsel::test::binDir() + "/TarselRemote";
}

// Runs the program with its standard error joined to its standard output.
tarsel::test::ProcessResult runRemote(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {"sh", "-c", "exec \"$0\" \"$@\" 2>&1", program()};
  argv.insert(argv.end(), args.begin(), args.end());
  return tarsel::test::runProgram(argv);
}

} // namespace

TEST(TarselRemoteProgram, SendsWhatItsCommandLineSays) {
  TestReceiver receiver;
  ScopedEnv name(kMailslotNameVariable, receiver.socketName());
  struct Row {
    std::vector<std::string> args;
    std::string text;
  };
  const std::vector<Row> rows = {
      {{"/CAPTURE"}, "MSL?CAPTURE"},
      {{"/cam=Cam1"}, "MSL?CAM=Cam1&CAPTURE"},
      {{"/RI=v", "/CAPTURE", "."}, "MSL?RI=v&CAPTURE"},
      {{"/CAM=\"My Cam\""}, "MSL?CAM=\"My Cam\"&CAPTURE"},
      {{}, "MSL?CAPTURE"},
      {{"/RCAPTURE"}, "MSL?RC"},
      {{"/CPFF=/home/user/night profile.cpff"}, "MSL?CPFF=/home/user/night profile.cpff"},
      {{"/RI", "/CAM=x"}, "MSL?RI&CAM=x"},
  };
  for (const Row& row : rows) {
    const auto result = runRemote(row.args);
    EXPECT_EQ(result.exitCode, 0) << row.text;
    EXPECT_EQ(result.out, "") << row.text;
  }
  const auto got = receiver.waitFor(rows.size());
  ASSERT_EQ(got.size(), rows.size());
  std::vector<std::vector<std::string>> commands;
  for (const auto& datagram : got)
    commands.push_back(decipherCommand(datagram));
  const auto answers = runOracleBatch(commands);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].text);
    const auto reading = readDecipherAnswer(answers[i]);
    ASSERT_TRUE(reading.has_value());
    EXPECT_EQ(reading->text, rows[i].text);
    EXPECT_EQ(decodeDatagram(got[i], builtInRemoteKey()), rows[i].text.substr(3));
  }
}

TEST(TarselRemoteProgram, ReachesAReceiverOnAnotherAddressByUdp) {
  TestReceiver receiver("127.0.0.2");
  ASSERT_EQ(receiver.listener().UdpError(), 0u);
  ScopedEnv port(kRemotePortVariable, std::to_string(receiver.listener().UdpPort()));
  // The local socket must not be what carries it.
  ScopedEnv name(kMailslotNameVariable, uniqueSocketName());
  const auto result = runRemote({"/RI=42", "/CAPTURE", "127.0.0.2"});
  EXPECT_EQ(result.exitCode, 0) << result.out;
  const auto got = receiver.waitFor(1);
  ASSERT_EQ(got.size(), 1u);
  const auto text = decodeDatagram(got[0], builtInRemoteKey());
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(*text, "?RI=42&CAPTURE");
  const auto command = parseCommandText(*text);
  ASSERT_TRUE(command.has_value());
  EXPECT_TRUE(command->capture);
  EXPECT_EQ(command->items,
            (std::vector<RemoteItem>{{RemoteItemKind::Ri, "RI=42"}, {RemoteItemKind::Capture, "CAPTURE"}}));
}

TEST(TarselRemoteProgram, UserKeyDatagramDecodesOnlyUnderTheMixedKey) {
  TestReceiver receiver;
  ScopedEnv name(kMailslotNameVariable, receiver.socketName());
  ASSERT_EQ(runRemote({"/UK=abc", "/CAPTURE"}).exitCode, 0);
  ASSERT_EQ(runRemote({"/UK", "/CAPTURE"}).exitCode, 0);
  const auto got = receiver.waitFor(2);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_FALSE(decodeDatagram(got[0], builtInRemoteKey()).has_value());
  EXPECT_FALSE(decodeDatagram(got[1], builtInRemoteKey()).has_value());
  const auto answers = runOracleBatch({decipherCommand(got[0], "abc"), decipherCommand(got[1], "")});
  const auto withAbc = readDecipherAnswer(answers[0]);
  ASSERT_TRUE(withAbc.has_value());
  EXPECT_EQ(withAbc->text, "MSL?CAPTURE");
  const auto withEmpty = readDecipherAnswer(answers[1]);
  ASSERT_TRUE(withEmpty.has_value());
  EXPECT_EQ(withEmpty->text, "MSL?CAPTURE");
}

TEST(TarselRemoteProgram, WarnsAboutALongDatagramAndSendsItAllTheSame) {
  TestReceiver receiver;
  ScopedEnv name(kMailslotNameVariable, receiver.socketName());
  const std::string ri(260, 'r');
  const std::string cpff(200, 'p');
  const auto result = runRemote({"/RI=" + ri, "/CPFF=" + cpff});
  EXPECT_EQ(result.exitCode, 0);
  // Text: "MSL?" + "RI=" + 260 + "&" + "CPFF=" + 200 = 473 bytes, 3 bytes of
  // padding, 480 in all; the program counts the datagram without its nonce.
  EXPECT_EQ(result.out,
            "Length of the command line minus length of UK parameter and computer name must be less than 421 "
            "characters.\n"
            "Length of the specified command line is 476.\n");
  const auto got = receiver.waitFor(1);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].size(), 480u);
  EXPECT_EQ(decodeDatagram(got[0], builtInRemoteKey()), "?RI=" + ri + "&CPFF=" + cpff);
}

TEST(TarselRemoteProgram, FailsWithTheErrorsTextWhenNoMainProgramRuns) {
  ScopedEnv name(kMailslotNameVariable, uniqueSocketName());
  const auto result = runRemote({"/CAPTURE"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "TarselRemote: The system cannot find the file specified. (0x80070002)\n");
}

TEST(TarselRemoteProgram, BroadcastReachesAReceiverOnTheLocalNetwork) {
  // In a network namespace of its own with one veth pair, so nothing leaves
  // this machine; the receiver there is the independent python model.
  if (tarsel::test::runProgram({"sh", "-c", "unshare -rn ip link add v0 type veth peer name v1"}).exitCode !=
      0)
    GTEST_SKIP() << "no user network namespaces with veth here";
  const std::string script = "set -e; ip link set lo up; ip link add v0 type veth peer name v1; "
                             "ip addr add 10.77.0.1/24 brd + dev v0; ip link set v0 up; ip link set v1 up; "
                             "exec python3 \"$0\" \"$1\"";
  const auto result =
      tarsel::test::runProgram({"unshare", "-rn", "sh", "-c", script,
                                tarsel::test::testDataDir() + "/broadcast_receiver.py", program()});
  ASSERT_EQ(result.exitCode, 0) << result.out;
  // "<exit code of the program> <hex of the datagram>"
  ASSERT_EQ(result.out.rfind("0 ", 0), 0u) << result.out;
  std::string hex = result.out.substr(2);
  while (!hex.empty() && hex.back() == '\n')
    hex.pop_back();
  EXPECT_EQ(decodeDatagram(fromHex(hex), builtInRemoteKey()), "?CAPTURE");
}
