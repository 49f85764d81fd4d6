#include "app/receiver/RemoteDatagramHandler.h"

#include "remote/RemoteDatagram.h"
#include "remote/RemoteKey.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using tarsel::receiver::ExecuteRemoteCommand;
using tarsel::receiver::kAllCamerasTakePicture;
using tarsel::receiver::OnRemoteDatagram;

namespace {

struct RecordingTarget : IRemoteCommandTarget {
  std::vector<UINT> ids;
  void PostFrameCommand(UINT id) override { ids.push_back(id); }
};

std::vector<std::uint8_t> enciphered(std::string_view text, const tarsel::remote::XxteaKey& key) {
  return tarsel::remote::encodeDatagram(0x12345678u, text, key).value();
}

} // namespace

TEST(RemoteCommandText, OnlyAQuestionMarkTextWithACaptureItemPostsOneTake) {
  struct Row {
    const char* text;
    bool takes;
  };
  const Row rows[] = {
      {"?CAPTURE", true},
      {"?capture", true},
      {"?CaPtUrE", true},
      {"?CAPTURE&CAPTURE&capture", true},
      {"?RI=1&CAPTURE&CAM=Cam1", true},
      {"?&&CAPTURE&&", true},
      {"?CAPTUREX", true},
      {"?RI&CPFF=x", false},
      {"?RI=CAPTURE&CPFF=CAPTURE", false},
      {"?RCAPTURE", false},
      {"?RC&CPFF", false},
      {"?CAPTUR", false},
      {"?CAM=CAPTURE", false},
      {"CAPTURE", false},
      {"?", false},
      {"", false},
      {" ?CAPTURE", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    RecordingTarget frame;
    ExecuteRemoteCommand(frame, row.text);
    EXPECT_EQ(frame.ids, row.takes ? std::vector<UINT>{kAllCamerasTakePicture} : std::vector<UINT>{});
  }
}

TEST(RemoteDatagramHandling, DecipheredMslCaptureTakesAndEverythingElseIsDropped) {
  const auto key = tarsel::remote::builtInRemoteKey();
  auto userKey = key;
  ASSERT_EQ(tarsel::remote::mixUserKey(userKey, "secret"), 0);
  auto emptyUserKey = key;
  ASSERT_EQ(tarsel::remote::mixUserKey(emptyUserKey, ""), 0);
  struct Row {
    const char* what;
    std::vector<std::uint8_t> bytes;
    bool takes;
  };
  const std::vector<Row> rows = {
      {"capture", enciphered("MSL?CAPTURE", key), true},
      {"lower case", enciphered("MSL?capture&RI", key), true},
      {"no question mark", enciphered("MSLCAPTURE", key), false},
      {"no MSL", enciphered("MSX?CAPTURE", key), false},
      {"shortest text", enciphered("MSL?", key), false},
      {"user key", enciphered("MSL?CAPTURE", userKey), false},
      {"empty user key", enciphered("MSL?CAPTURE", emptyUserKey), false},
      {"not enciphered",
       {'\0', '\0', '\0', '\0', 'M', 'S', 'L', '?', 'C', 'A', 'P', 'T', 'U', 'R', 'E', '\0'},
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    RecordingTarget frame;
    EXPECT_EQ(OnRemoteDatagram(frame, row.bytes), 0);
    EXPECT_EQ(frame.ids, row.takes ? std::vector<UINT>{kAllCamerasTakePicture} : std::vector<UINT>{});
  }
}

TEST(RemoteDatagramHandling, ShortAndOddLengthsReadNothingOutsideTheDatagram) {
  // Each length in its own exact-size allocation, so that the address
  // sanitizer sees any read past the end.
  const auto valid = enciphered("MSL?CAPTURE&RI=12345", tarsel::remote::builtInRemoteKey());
  for (std::size_t length : {0u, 1u, 3u, 4u, 5u, 7u, 8u, 9u, 11u, 15u, 23u}) {
    SCOPED_TRACE(length);
    std::vector<std::uint8_t> bytes(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(length));
    bytes.shrink_to_fit();
    RecordingTarget frame;
    EXPECT_EQ(OnRemoteDatagram(frame, bytes), 0);
    EXPECT_TRUE(frame.ids.empty());
  }
  // A valid datagram with stray bytes after it is not a sender's datagram.
  std::vector<std::uint8_t> longer = valid;
  longer.insert(longer.end(), {1, 2, 3});
  RecordingTarget frame;
  OnRemoteDatagram(frame, longer);
  EXPECT_TRUE(frame.ids.empty());
}

TEST(RemoteDatagram, TheReaderAcceptsOnlyDatagramsThatDecodeParseAndCarryACommand) {
  using tarsel::receiver::IsAcceptedRemoteDatagram;
  const auto key = tarsel::remote::builtInRemoteKey();
  EXPECT_TRUE(IsAcceptedRemoteDatagram(enciphered("MSL?CAPTURE", key)));
  EXPECT_TRUE(IsAcceptedRemoteDatagram(enciphered("MSL?RI=1&capture", key)));
  EXPECT_FALSE(IsAcceptedRemoteDatagram(enciphered("MSL?RI=1", key)));
  EXPECT_FALSE(IsAcceptedRemoteDatagram(enciphered("MSL?", key)));
  EXPECT_FALSE(IsAcceptedRemoteDatagram(enciphered("MSLCAPTURE", key)));
  EXPECT_FALSE(IsAcceptedRemoteDatagram(enciphered("MSX?CAPTURE", key)));
  auto other = key;
  other[0] ^= 1u;
  EXPECT_FALSE(IsAcceptedRemoteDatagram(enciphered("MSL?CAPTURE", other)));
  EXPECT_FALSE(IsAcceptedRemoteDatagram(std::vector<std::uint8_t>(tarsel::remote::kMaxDatagramSize + 4, 0)));
  EXPECT_FALSE(IsAcceptedRemoteDatagram({}));
}
