#include "remote/TarselRem.h"

#include "OracleSupport.h"
#include "TestReceiver.h"
#include "platform/Win32Error.h"
#include "platform/testsupport/TestSupport.h"
#include "remote/MailSlotAddress.h"
#include "remote/RemoteDatagram.h"
#include "remote/RemoteKey.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

using namespace tarsel::remote;
using tarsel::remote::test::decipherCommand;
using tarsel::remote::test::oracleText;
using tarsel::remote::test::readDecipherAnswer;
using tarsel::remote::test::runOracleBatch;
using tarsel::remote::test::TestReceiver;
using tarsel::remote::test::toHex;
using tarsel::remote::test::uniqueSocketName;
using tarsel::test::ScopedEnv;

TEST(SenderLibrary, ExportsBothCallsUnderTheirPlainNames) {
  void* library = dlopen(TARSEL_REM_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  EXPECT_NE(dlsym(library, "TarselRemote"), nullptr);
  EXPECT_NE(dlsym(library, "TarselControl"), nullptr);
  // Nothing of the shared code leaks out of the library.
  EXPECT_EQ(dlsym(library, "_ZN6tarsel6remote16builtInRemoteKeyEv"), nullptr);
  dlclose(library);
}

TEST(SenderLibrary, SendsTheItemsOfTheTableToTheLocalReceiver) {
  TestReceiver receiver;
  ScopedEnv name(kMailslotNameVariable, receiver.socketName());
  struct Row {
    bool control;
    BOOL capture;
    const char* camera;
    const char* computer;
    const char* ri;
    const char* cpff;
    BOOL rc;
    const char* text;
  };
  const Row rows[] = {
      {false, 1, "Cam1", nullptr, nullptr, nullptr, 0, "MSL?CAPTURE&CAM=Cam1"},
      {false, 0, nullptr, ".", "", "v", 0, "MSL?RI&CPFF=v"},
      {false, 0, "", "", nullptr, nullptr, 0, "MSL?"},
      {false, 1, "Back", nullptr, "7", "/profiles/a.cpff", 1,
       "MSL?RI=7&RC&CPFF=/profiles/a.cpff&CAPTURE&CAM=Back"},
      {true, 1, nullptr, nullptr, nullptr, nullptr, 0, "MSL?CAPTURE"},
      {true, 0, nullptr, ".", "x", "", 1, "MSL?RI=x&RC&CPFF"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    const HRESULT hr =
        row.control ? TarselControl(row.capture, row.computer, nullptr, row.ri, row.cpff, row.rc)
                    : TarselRemote(row.capture, row.camera, row.computer, nullptr, row.ri, row.cpff, row.rc);
    ASSERT_EQ(hr, S_OK) << row.text;
  }
  const auto got = receiver.waitFor(std::size(rows));
  ASSERT_EQ(got.size(), std::size(rows));

  std::vector<std::vector<std::string>> commands;
  for (const auto& datagram : got)
    commands.push_back(decipherCommand(datagram));
  const auto readings = runOracleBatch(commands);

  // Byte for byte what the independent model builds from the same arguments
  // and the nonce the library chose.
  commands.clear();
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    SCOPED_TRACE(row.text);
    EXPECT_EQ(decodeDatagram(got[i], builtInRemoteKey()), std::string(row.text).substr(3));
    const auto reading = readDecipherAnswer(readings[i]);
    ASSERT_TRUE(reading.has_value());
    EXPECT_EQ(reading->text, row.text);
    commands.push_back({"build", std::to_string(reading->nonce), row.capture ? "1" : "0", row.rc ? "1" : "0",
                        oracleText(row.control ? nullptr : row.camera), oracleText(row.ri),
                        oracleText(row.cpff), "-"});
  }
  const auto built = runOracleBatch(commands);
  for (std::size_t i = 0; i < std::size(rows); ++i)
    EXPECT_EQ(toHex(got[i]), built[i]) << rows[i].text;
}

TEST(SenderLibrary, NoMainProgramGivesFileNotFound) {
  ScopedEnv name(kMailslotNameVariable, uniqueSocketName());
  EXPECT_EQ(TarselRemote(1, nullptr, nullptr, nullptr, nullptr, nullptr, 0),
            static_cast<HRESULT>(0x80070002u));
  EXPECT_EQ(TarselControl(1, ".", "key", nullptr, nullptr, 0), static_cast<HRESULT>(0x80070002u));
}

TEST(SenderLibrary, UserKeyDatagramDoesNotDecodeAtTheReceiver) {
  TestReceiver receiver;
  ScopedEnv name(kMailslotNameVariable, receiver.socketName());
  const char* keys[] = {"", "abc"};
  for (const char* key : keys)
    ASSERT_EQ(TarselRemote(1, nullptr, nullptr, key, nullptr, nullptr, 0), S_OK) << key;
  const auto got = receiver.waitFor(std::size(keys));
  ASSERT_EQ(got.size(), std::size(keys));
  std::vector<std::vector<std::string>> commands;
  for (std::size_t i = 0; i < std::size(keys); ++i) {
    commands.push_back(decipherCommand(got[i], keys[i]));
    commands.push_back(decipherCommand(got[i]));
  }
  const auto answers = runOracleBatch(commands);
  for (std::size_t i = 0; i < std::size(keys); ++i) {
    SCOPED_TRACE(keys[i]);
    EXPECT_FALSE(decodeDatagram(got[i], builtInRemoteKey()).has_value());
    XxteaKey key = builtInRemoteKey();
    mixUserKey(key, keys[i]);
    EXPECT_EQ(decodeDatagram(got[i], key), "?CAPTURE");
    const auto reading = readDecipherAnswer(answers[2 * i]);
    ASSERT_TRUE(reading.has_value());
    EXPECT_EQ(reading->text, "MSL?CAPTURE");
    // Under the built-in key the bytes are noise; noise that happens to end
    // in zero bytes still reads as some text, never as the command.
    const auto wrong = readDecipherAnswer(answers[2 * i + 1]);
    EXPECT_TRUE(!wrong || wrong->text.find("CAPTURE") == std::string::npos) << wrong->text;
  }
}

TEST(SenderLibrary, ReachesAnotherComputerByUdp) {
  TestReceiver receiver("127.0.0.2");
  ASSERT_EQ(receiver.listener().UdpError(), 0u);
  ScopedEnv port(kRemotePortVariable, std::to_string(receiver.listener().UdpPort()));
  ASSERT_EQ(TarselRemote(1, "Cam2", "127.0.0.2", nullptr, nullptr, nullptr, 0), S_OK);
  const auto got = receiver.waitFor(1);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(decodeDatagram(got[0], builtInRemoteKey()), "?CAPTURE&CAM=Cam2");
}
