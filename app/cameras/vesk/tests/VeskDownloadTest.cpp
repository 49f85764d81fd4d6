// Downloads of stored pictures over the real library and the simulator: a
// large picture through the camera host with the preview running, a picture
// of size 0, the progress of another camera's number, and the focus a take
// asks for.
#include "VeskPreviewTestSupport.h"

#include "app/core/ISdkCallback.h"
#include "app/pictures/CamExtraCommand.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

using namespace std::chrono_literals;
using namespace tarsel::vesk::test;
using tarsel::test::pumpUntil;

namespace {

// Past 42 MB the percentages of a transfer would wrap in 32 bits.
constexpr std::size_t kLargeSize = std::size_t{60} << 20;

// A file of `size` bytes on the camera's card (picture 3, after the
// camera's own two).
struct CardFile {
  tarsel::test::TempDir folder;
  std::string path;
  CardFile(const std::string& name, std::size_t size) : path(folder.file(name)) {
    std::ofstream out(path, std::ios::binary);
    for (std::size_t i = 0; i < size; ++i)
      out.put(static_cast<char>((i * 7) ^ (i >> 16)));
  }
};

class CardFileCamera : private CardFile, public SimulatedCamera {
protected:
  CardFileCamera(const std::string& name, std::size_t size)
      : CardFile(name, size), SimulatedCamera("", "file = " + CardFile::path + "\n") {}
};

class LargeCard : public CardFileCamera {
protected:
  LargeCard() : CardFileCamera("BIG.BRF", kLargeSize) {}
};

class EmptyCardFile : public CardFileCamera {
protected:
  EmptyCardFile() : CardFileCamera("EMPTY.BRF", 0) {}
};

class StatusRecorder : public _ISdkCallback {
public:
  void OnStatus(std::int32_t code, std::intptr_t argument) override {
    const std::lock_guard<std::mutex> guard(m_lock);
    m_statuses.emplace_back(code, argument);
  }
  std::vector<std::pair<std::int32_t, std::intptr_t>> take() {
    const std::lock_guard<std::mutex> guard(m_lock);
    return std::exchange(m_statuses, {});
  }

private:
  std::mutex m_lock;
  std::vector<std::pair<std::int32_t, std::intptr_t>> m_statuses;
};

} // namespace

TEST_F(LargeCard, ALargePictureThroughTheHostArrivesWholeWithRisingPercentages) {
  // Preview frames select picture 0 while the download runs beside them.
  HostedCamera hosted(std::move(camera));
  ASSERT_TRUE(hosted.start(1));
  const StatusWindow& window = hosted.window;
  TempDir card;
  daemon.control("dump 0 " + card.path());

  hosted.host.QueueDownload(3);
  ASSERT_TRUE(pumpUntil([&] { return window.has(6) || window.has(10000); }, 120s));
  EXPECT_EQ(hosted.camera->StopPreview(), 0);
  ASSERT_TRUE(window.has(6));
  IPictureFromCamera* const picture = window.records.back().picture.get();
  ASSERT_NE(picture, nullptr);
  EXPECT_STREQ(picture->GetFileName(), "BIG.BRF");
  const auto bytes = picture->GetDataSnapshot();
  ASSERT_NE(bytes, nullptr);
  const std::string stored = tarsel::test::readFile(card.file("BIG.BRF"));
  ASSERT_EQ(bytes->size(), stored.size());
  EXPECT_EQ(std::memcmp(bytes->data(), stored.data(), stored.size()), 0);

  std::vector<std::intptr_t> percents;
  for (const auto& record : window.records)
    if (record.code == 3)
      percents.push_back(record.argument);
  ASSERT_GT(percents.size(), 100u);
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
  EXPECT_GE(percents.front(), 0);
  EXPECT_EQ(percents.back(), 100);
}

TEST_F(EmptyCardFile, APictureOfSizeZeroGivesOneAndOnlyItsName) {
  CRefPtr<CPictureFromCamera> picture(new CPictureFromCamera);
  EXPECT_EQ(camera->DownloadPicture(picture.get(), 3), 1);
  EXPECT_STREQ(picture->GetFileName(), "EMPTY.BRF");
  EXPECT_EQ(picture->GetDataSnapshot(), nullptr);
}

TEST_F(SimulatedCamera, ProgressOfAnotherCameraNumberReachesThatCameraAndANullRecordNothing) {
  StatusRecorder sink;
  ASSERT_EQ(camera->InitCameraObject(&sink, nullptr), 0);
  CRefPtr<CPictureFromCamera> picture(new CPictureFromCamera);
  ASSERT_EQ(camera->DownloadPicture(picture.get(), 2), 0);
  const std::size_t size = picture->GetDataSnapshot()->size();
  const auto download = sink.take();
  ASSERT_FALSE(download.empty());
  EXPECT_EQ(download.back(), std::make_pair(std::int32_t{3}, std::intptr_t{100}));

  // The library reports camera 0 with another camera object as context.
  CVeskDllWr other(7);
  const VESK_PROGRESS half{static_cast<std::uint32_t>(size / 2), 0};
  CVeskDllWr::OnProgress(0, &half, &other);
  CVeskDllWr::OnProgress(0, nullptr, &other);
  const std::vector<std::pair<std::int32_t, std::intptr_t>> expected = {
      {3, static_cast<std::intptr_t>(size / 2 * 100 / size)}};
  EXPECT_EQ(sink.take(), expected);
}

TEST_F(SimulatedCamera, TheFocusATakeAsksForReachesTheCamera) {
  CCamExtraCommand command;
  EXPECT_EQ(camera->ApplyFocusSettings(nullptr), 1);
  EXPECT_EQ(camera->ApplyFocusSettings(&command), 1);
  command.SetCommand(4, 37);
  EXPECT_EQ(camera->ApplyFocusSettings(&command), 0);
  EXPECT_EQ(camera->GetPropFocusMode(), 4);
  EXPECT_EQ(camera->GetPropFocusPosition(), 37);
  command.SetCommand(2, 99);
  EXPECT_EQ(camera->ApplyFocusSettings(&command), 0);
  EXPECT_EQ(camera->GetPropFocusMode(), 2);
  EXPECT_EQ(camera->GetPropFocusPosition(), 37);
}
