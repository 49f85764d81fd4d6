#include "SimFixture.h"

#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <unistd.h>

using namespace tarsel::vantic;
using namespace tarsel::vantic::test;

namespace {

using SimTransfer = SimFixture;

constexpr int kBig = 3 * 1024 * 1024 + 777;

std::string bigConfig() {
  return R"({"pictures": [{"size": )" + std::to_string(kBig) +
         R"(}, {"size": 40000, "audio": {"samples": 3000, "format": 0}}, {"size": 0}, {"size": 9000, "audio": {"samples": 1000, "format": 1}}]})";
}

std::vector<int>& progressSeen() {
  static std::vector<int> seen;
  return seen;
}

int recordProgress(std::intptr_t, int, short percent) {
  progressSeen().push_back(percent);
  return 1;
}

int stopAtThird(std::intptr_t, int, short percent) {
  progressSeen().push_back(percent);
  return progressSeen().size() < 3;
}

int throwAtThird(std::intptr_t, int, short percent) {
  progressSeen().push_back(percent);
  if (progressSeen().size() == 3)
    throw std::runtime_error("the caller's call-back failed");
  return 1;
}

} // namespace

TEST_F(SimTransfer, MultiMegabyteDownloadIsByteIdenticalToTheCamerasPicture) {
  START_OR_RETURN(startSerial({"--time-scale", "0"}, bigConfig()));
  connect(1, 6);
  const Json picture = sim->picture(1);
  ASSERT_EQ(Cam_get_picture_size(1), kBig);
  EXPECT_EQ(Cam_get_thumbnail_size(1), static_cast<int>(picture["thumbnail_size"].integer()));

  std::vector<std::uint8_t> buffer(kBig + 16, 0xA5);
  progressSeen().clear();
  Cam_setup_callback(recordProgress, 42);
  ASSERT_EQ(Cam_get_picture_buffer(buffer.data(), 1, kBig + 16), 0);
  EXPECT_EQ(sha256Hex(buffer.data(), kBig), picture["sha256"].text);
  EXPECT_TRUE(std::all_of(buffer.begin() + kBig, buffer.end(), [](std::uint8_t b) { return b == 0xA5; }));
  ASSERT_FALSE(progressSeen().empty());
  EXPECT_TRUE(std::is_sorted(progressSeen().begin(), progressSeen().end()));
  EXPECT_EQ(progressSeen().front(), 0);
  EXPECT_EQ(progressSeen().back(), 100);
  Cam_setup_callback(nullptr, 0);

  // The same into a file, exactly as long as the picture.
  const std::string path = dir.file("picture.jpg");
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(Cam_get_picture_file(fd, 1), 0);
  ::close(fd);
  const std::string file = tarsel::test::readFile(path);
  ASSERT_EQ(file.size(), static_cast<std::size_t>(kBig));
  EXPECT_EQ(sha256Hex(reinterpret_cast<const std::uint8_t*>(file.data()), file.size()),
            picture["sha256"].text);

  std::vector<std::uint8_t> thumbnail(65536);
  ASSERT_EQ(Cam_get_thumbnail_buffer(thumbnail.data(), 1, 65536), 0);
  EXPECT_EQ(sha256Hex(thumbnail.data(), static_cast<std::size_t>(picture["thumbnail_size"].integer())),
            picture["thumbnail_sha256"].text);
}

TEST_F(SimTransfer, DownloadsAreBoundedByTheCallersBuffer) {
  START_OR_RETURN(startSerial({"--time-scale", "0"}, bigConfig()));
  connect(1, 6);
  std::vector<std::uint8_t> small(40000 - 1, 0x5A);
  EXPECT_EQ(Cam_get_picture_buffer(small.data(), 2, static_cast<int>(small.size())), CAM_INVALID_PARAMETER);
  EXPECT_TRUE(std::all_of(small.begin(), small.end(), [](std::uint8_t b) { return b == 0x5A; }));
  EXPECT_EQ(Cam_get_picture_buffer(small.data(), 3, static_cast<int>(small.size())), CAM_ZERO_SIZE);
  EXPECT_EQ(Cam_get_picture_buffer(nullptr, 2, 100), CAM_INVALID_PARAMETER);

  // A camera that announces more than a block in a header: the bytes never
  // land anywhere, the block is refused and sent again.
  sim->fault("oversize-length:2050@op=4*1");
  std::vector<std::uint8_t> buffer(40000);
  ASSERT_EQ(Cam_get_picture_buffer(buffer.data(), 2, 40000), 0);
  EXPECT_EQ(sha256Hex(buffer.data(), buffer.size()), sim->picture(2)["sha256"].text);
  sim->clearFaults();
  sim->fault("oversize-length:65535@op=4*1");
  ASSERT_EQ(Cam_get_picture_buffer(buffer.data(), 2, 40000), 0);
  EXPECT_EQ(sha256Hex(buffer.data(), buffer.size()), sim->picture(2)["sha256"].text);
}

TEST_F(SimTransfer, AudioIsDownloadedAndDecodedWithinItsBuffer) {
  START_OR_RETURN(startSerial({"--time-scale", "0"}, bigConfig()));
  connect(1, 6);
  const Json picture = sim->picture(2);
  const int decoded = Cam_get_audio_size(2);
  ASSERT_GT(decoded, 44);
  std::vector<std::uint8_t> audio(static_cast<std::size_t>(decoded));
  ASSERT_EQ(Cam_get_audio_buffer(audio.data(), 2, decoded), 0);
  const Json& record = picture["audio"];
  const std::string decodedSha =
      record.has("decoded_sha256") ? record["decoded_sha256"].text : picture["audio_decoded_sha256"].text;
  EXPECT_EQ(sha256Hex(audio.data(), audio.size()), decodedSha);

  // Uncompressed audio stays as it came.
  const int plain = Cam_get_audio_size(4);
  ASSERT_GT(plain, 44);
  std::vector<std::uint8_t> raw(static_cast<std::size_t>(plain));
  ASSERT_EQ(Cam_get_audio_buffer(raw.data(), 4, plain), 0);

  // Picture and audio in one go, progress rising throughout.
  std::vector<std::uint8_t> pictureBytes(40000);
  std::vector<std::uint8_t> audioBytes(static_cast<std::size_t>(decoded));
  progressSeen().clear();
  Cam_setup_callback(recordProgress, 0);
  ASSERT_EQ(Cam_get_picture_audio_buffer(pictureBytes.data(), audioBytes.data(), 2, 40000, decoded), 0);
  Cam_setup_callback(nullptr, 0);
  EXPECT_EQ(sha256Hex(pictureBytes.data(), pictureBytes.size()), picture["sha256"].text);
  EXPECT_EQ(audioBytes, audio);
  EXPECT_TRUE(std::is_sorted(progressSeen().begin(), progressSeen().end()));
  EXPECT_EQ(progressSeen().back(), 100);

  // Too small a buffer for the stored audio is refused.
  EXPECT_EQ(Cam_get_audio_buffer(audio.data(), 2, 50), CAM_INVALID_PARAMETER);
  EXPECT_EQ(Cam_get_audio_buffer(audio.data(), 1, decoded), CAM_ZERO_SIZE);
}

TEST_F(SimTransfer, ACallbackThatStopsEndsTheDownloadWithUserBreak) {
  START_OR_RETURN(startSerial({"--time-scale", "0"}, bigConfig()));
  connect(1, 6);
  std::vector<std::uint8_t> buffer(40000);
  progressSeen().clear();
  Cam_setup_callback(stopAtThird, 0);
  EXPECT_EQ(Cam_get_picture_buffer(buffer.data(), 2, 40000), CAM_USER_BREAK);
  EXPECT_EQ(Cam_error(), CAM_USER_BREAK);
  Cam_setup_callback(nullptr, 0);
  // The camera took the CAN: the next download runs normally.
  ASSERT_EQ(Cam_get_picture_buffer(buffer.data(), 2, 40000), 0);
  EXPECT_EQ(sha256Hex(buffer.data(), buffer.size()), sim->picture(2)["sha256"].text);

  // A call-back that throws: the exception stays inside the library, the
  // download fails with 255 and the broken-off session is opened afresh.
  progressSeen().clear();
  Cam_setup_callback(throwAtThird, 0);
  EXPECT_EQ(Cam_get_picture_buffer(buffer.data(), 2, 40000), CAM_OTHER);
  EXPECT_EQ(Cam_error(), CAM_OTHER);
  EXPECT_EQ(Cam_get_state(), CAM_STATE_FAILED);
  Cam_setup_callback(nullptr, 0);
  ASSERT_EQ(Cam_get_picture_buffer(buffer.data(), 2, 40000), 0);
  EXPECT_EQ(sha256Hex(buffer.data(), buffer.size()), sim->picture(2)["sha256"].text);
}

TEST_F(SimTransfer, SessionEndMidDownloadReselectsAndStartsOver) {
  START_OR_RETURN(startSerial({"--time-scale", "0"}, bigConfig()));
  connect(1, 5);
  sim->fault("session-end:20000@op=4");
  std::vector<std::uint8_t> buffer(40000);
  sim->takeLog();
  ASSERT_EQ(Cam_get_picture_buffer(buffer.data(), 2, 40000), 0);
  EXPECT_EQ(sha256Hex(buffer.data(), buffer.size()), sim->picture(2)["sha256"].text);
  EXPECT_EQ(Cam_get_state(), CAM_STATE_OPEN);

  // Into a file: the restart rewinds, the file ends exactly at the picture's end.
  sim->fault("session-end:20000@op=4");
  const std::string path = dir.file("restart.jpg");
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(Cam_get_picture_file(fd, 2), 0);
  ::close(fd);
  const std::string file = tarsel::test::readFile(path);
  EXPECT_EQ(file.size(), 40000u);
  EXPECT_EQ(sha256Hex(reinterpret_cast<const std::uint8_t*>(file.data()), file.size()),
            sim->picture(2)["sha256"].text);
}

TEST_F(SimTransfer, AnObjectShorterThanItsAnnouncedSizeIsAnError) {
  START_OR_RETURN(startSerial({"--time-scale", "0"}, bigConfig()));
  connect(1, 6);
  // Picture 2 holds 40000 bytes but its size register claims 100 more.
  ASSERT_TRUE(sim->request(R"({"op":"set-register","reg":4,"value":2})")["ok"].boolean);
  ASSERT_TRUE(sim->request(R"({"op":"set-register","reg":12,"value":40100})")["ok"].boolean);
  std::vector<std::uint8_t> buffer(40100);
  EXPECT_EQ(Cam_get_picture_buffer(buffer.data(), 2, 40100), CAM_BAD_RESPONSE);
  EXPECT_EQ(Cam_error(), CAM_BAD_RESPONSE);

  const std::string path = dir.file("short.jpg");
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(Cam_get_picture_file(fd, 2), CAM_BAD_RESPONSE);
  ::close(fd);
}
