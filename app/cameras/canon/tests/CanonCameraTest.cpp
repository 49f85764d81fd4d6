#include "CanonSdkFixture.h"

#include "app/cameras/canon/CanonCDWr.h"
#include "app/core/ConnectedCameras.h"
#include "app/core/IBracketing.h"
#include "app/core/ISdkCallback.h"
#include "app/core/ISdkPreviewCallback.h"
#include "app/core/ITarselCallback.h"
#include "app/pictures/PictureFromCamera.h"
#include "app/settings/TarselSettings.h"
#include "hostapi/IPictureInfo.h"
#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/ITarselSettings.h"
#include "hostapi/RefPtr.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>
#include <utility>
#include <vector>

using namespace std::chrono_literals;
using tarsel::canon::test::CanonSdkTest;

namespace {

using Statuses = std::vector<std::pair<std::int32_t, std::intptr_t>>;

class StatusSink : public _ISdkCallback {
public:
  void OnStatus(std::int32_t code, std::intptr_t argument) override {
    const std::lock_guard<std::mutex> guard(lock);
    received.emplace_back(code, argument);
  }
  Statuses Received() {
    const std::lock_guard<std::mutex> guard(lock);
    return received;
  }
  std::mutex lock;
  Statuses received;
};

class StatusLine : public _ITarselCallback {
public:
  bool QueryContinue(int) override { return true; }
  bool SetStatusText(const char* line) override { return text = line, true; }
  void SuspendPreview(bool) override {}
  std::string text = "unset";
};

// Counts frames; notes a frame that arrives after the preview was stopped.
class FrameSink : public _ISdkPreviewCallback {
public:
  bool OnPreviewFrame(IPictureFromCamera* frame) override {
    EXPECT_FALSE(stopped.load()) << "a frame after StopPreview returned";
    if (frame && frame->GetDataSize() > 0)
      ++frames;
    std::this_thread::sleep_for(2ms);
    return keepGoing.load();
  }
  std::atomic<int> frames{0};
  std::atomic<bool> keepGoing{true};
  std::atomic<bool> stopped{false};
};

template <class Condition> bool waitFor(Condition condition) {
  for (auto until = std::chrono::steady_clock::now() + 10s; std::chrono::steady_clock::now() < until;) {
    if (condition())
      return true;
    std::this_thread::sleep_for(2ms);
  }
  return condition();
}

std::string bytesOf(IPictureFromCamera* picture) {
  return std::string(reinterpret_cast<const char*>(picture->GetData()), picture->GetDataSize());
}

// Log lines of one entry.
std::vector<std::string> linesOf(const std::string& log, const std::string& entry) {
  std::vector<std::string> lines;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);)
    if (line.find(" " + entry + "(") != std::string::npos)
      lines.push_back(line);
  return lines;
}

class CanonCamera : public CanonSdkTest {
protected:
  void TearDown() override {
    m_camera.reset();
    CanonSdkTest::TearDown();
  }

  // Discovers the configured camera and initialises it with the status sink.
  CanonCD_Wr& Open(const char* config, _ISdkCallback* sink) {
    UseCameras(*config ? config : nullptr);
    m_camera = Discover();
    if (m_camera) {
      EXPECT_EQ(m_camera->InitCameraObject(sink, nullptr), 0) << Log();
    }
    return *m_camera;
  }

  std::unique_ptr<CanonCD_Wr> Discover() {
    CConnectedCameras list;
    EXPECT_EQ(GetCanonCDSdkWrapper(new CTarselSettings)->EnumerateCameras(nullptr, &list), 1);
    auto* camera = static_cast<CanonCD_Wr*>(list.GetAt(0));
    if (camera)
      list.RemoveAt(0);
    return std::unique_ptr<CanonCD_Wr>(camera);
  }

  std::string Payload(std::uint32_t item) {
    std::string bytes(m_sim->payload(0, item, nullptr, 0), '\0');
    m_sim->payload(0, item, bytes.data(), bytes.size());
    return bytes;
  }

  StatusSink m_sink;
  std::unique_ptr<CanonCD_Wr> m_camera;
};

} // namespace

TEST_F(CanonCamera, EveryAnnouncedItemIsTransferredAndOnlyPicturesReachTheRecord) {
  CanonCD_Wr& camera =
      Open("[sdk]\nchunk = 0\n[camera]\nkind10_items = 0x10,0x20,0x50\nraw_size = 9000\n", &m_sink);
  CRefPtr<IPictureFromCamera> jpeg(new CPictureFromCamera);
  ASSERT_EQ(camera.Capture(0, false), 0);
  ASSERT_EQ(camera.TransferPicture(jpeg.get(), CanonCD_Wr::kNameAfterCameraFile), 0) << Log();
  EXPECT_TRUE(bytesOf(jpeg.get()) == Payload(0));
  EXPECT_STREQ(jpeg->GetTypeName(), "JPEG");
  EXPECT_STREQ(jpeg->GetFileName(), "IMG_0001.JPG");
  ASSERT_NE(jpeg->GetPictureInfo(), nullptr);
  std::string iso;
  jpeg->GetPictureInfo()->GetIsoText(&iso);
  EXPECT_FALSE(iso.empty());

  // Kind 10: a thumbnail, the JPEG and the raw item; the thumbnail never
  // reaches the record, the last picture item stays.
  CRefPtr<IPictureFromCamera> raw(new CPictureFromCamera);
  ASSERT_EQ(camera.Capture(1, false), 0);
  ASSERT_EQ(camera.TransferPicture(raw.get(), 0), 0) << Log();
  EXPECT_EQ(Stats().transfers, 4u);
  EXPECT_TRUE(bytesOf(raw.get()) == Payload(2));
  EXPECT_EQ(raw->GetDataSize(), 9000u);
  EXPECT_STREQ(raw->GetFileName(), "");
  // Nothing is pending any more: a further transfer fetches nothing.
  CRefPtr<IPictureFromCamera> none(new CPictureFromCamera);
  EXPECT_EQ(camera.TransferPicture(none.get(), 0), 0);
  EXPECT_EQ(none->GetDataSize(), 0u);
  EXPECT_EQ(Stats().openBrackets, 0u);
  EXPECT_NE(std::find(m_sink.received.begin(), m_sink.received.end(), std::make_pair(3, std::intptr_t{100})),
            m_sink.received.end());

  // A failed item stops the transfer, closes the release's bracket and
  // stays pending: the next transfer fetches it.
  ASSERT_EQ(camera.Capture(0, false), 0);
  m_sim->failAfter(312, 1, 0x2007, 1);
  EXPECT_EQ(camera.TransferPicture(jpeg.get(), 0), static_cast<HRESULT>(0x81072007u));
  EXPECT_EQ(Stats().openBrackets, 0u);
  CRefPtr<IPictureFromCamera> again(new CPictureFromCamera);
  ASSERT_EQ(camera.Capture(0, false), 0);
  ASSERT_EQ(camera.TransferPicture(again.get(), 0), 0) << Log();
  EXPECT_TRUE(bytesOf(again.get()) == Payload(0));
}

TEST_F(CanonCamera, TheReleaseKindIsSelectedAgainWhenRemoteModeIsEnteredAfresh) {
  CanonCD_Wr& camera = Open("", &m_sink);
  CRefPtr<IPictureFromCamera> picture(new CPictureFromCamera);
  auto capture = [&](std::uint32_t value) {
    EXPECT_EQ(camera.Capture(value, false), 0) << Log();
    EXPECT_EQ(camera.TransferPicture(picture.get(), 0), 0);
  };
  // A selection that fails is tried again by the next capture.
  m_sim->fail(304, 0x60, 1);
  EXPECT_EQ(camera.Capture(1, false), static_cast<HRESULT>(0x81070060u));
  capture(1);
  capture(1);
  EXPECT_EQ(linesOf(m_sim->logText(), "SelectReleaseKind").size(), 3u); // entering, refused, selected

  // Re-detection: the mode is left, a fresh object takes over and is
  // deleted; entering afresh selected kind 2, so value 1 selects kind 10 again.
  EXPECT_EQ(camera.LeaveRemoteMode(), 0);
  EXPECT_FALSE(camera.IsCameraReady());
  std::unique_ptr<CanonCD_Wr> fresh = Discover();
  ASSERT_EQ(fresh->InitCameraObject(nullptr, nullptr), 0);
  ASSERT_TRUE(camera.IsSameCamera(fresh.get()));
  ASSERT_EQ(camera.TakeOverFrom(fresh.get()), 0) << Log();
  fresh.reset();
  EXPECT_TRUE(camera.IsCameraReady());
  capture(1);
  const std::vector<std::string> selections = linesOf(m_sim->logText(), "SelectReleaseKind");
  ASSERT_EQ(selections.size(), 5u);
  EXPECT_NE(selections[4].find(", 10 "), std::string::npos) << selections[4];
  EXPECT_EQ(Stats().releases, 3u);
}

TEST_F(CanonCamera, EventsBecomeHostStatusesAndShortDataChangesNothing) {
  Open("", &m_sink);
  const std::uint32_t three = 3;
  EXPECT_EQ(m_sim->fireEvent(0, 0x1E, &three, 4), 0);
  EXPECT_EQ(m_sim->fireEvent(0, 0x1, &three, 4), 0);
  EXPECT_EQ(m_sim->fireEvent(0, 0x20005, nullptr, 0), 0x8C);
  EXPECT_EQ(m_sim->fireEvent(0, 0x08000001, &three, 4), 0);
  EXPECT_EQ(m_sim->fireEvent(0, 0x20001, &three, 2), 0);
  EXPECT_EQ(m_sim->fireEvent(0, 0x40001, nullptr, 0), 0);
  const std::vector<std::pair<std::int32_t, std::intptr_t>> expected = {{7, 3}, {5, 0x10003}, {5, 0x10004}};
  EXPECT_EQ(m_sink.Received(), expected);
}

TEST_F(CanonCamera, TheStatusLineNamesDistanceZoomAndMonitor) {
  StatusLine line;
  UseCameras("[camera]\naf_distances = 1,3,99\nfocal_base = 20\n");
  m_camera = Discover();
  ASSERT_EQ(m_camera->InitCameraObject(nullptr, nullptr), 0);
  EXPECT_EQ(m_camera->ReportStatus(&line), 0);
  EXPECT_EQ(line.text, "");
  ASSERT_EQ(m_camera->InitCameraObject(&m_sink, nullptr), 0);
  EXPECT_EQ(m_camera->ReportStatus(&line), 0);
  EXPECT_EQ(line.text, "AFD=Auto Z=2.9 LCD=Off");
  m_sim->fail(408, 0x80, 1);
  EXPECT_EQ(m_camera->ReportStatus(&line), static_cast<HRESULT>(0x81070080u));
  EXPECT_EQ(line.text, "Error");
}

TEST_F(CanonCamera, FramesAndEventsRunBesideReleasesAndNoFrameFollowsTheStop) {
  CanonCD_Wr& camera = Open("[sdk]\nframe_rate = 200\n[camera]\n", &m_sink);
  FrameSink frames;
  ASSERT_EQ(camera.LcdOn(0), 0);
  ASSERT_EQ(camera.StartPreview(&frames), 0);
  std::atomic<bool> done{false};
  std::thread events([&] {
    const std::uint32_t level = 4;
    while (!done.load())
      m_sim->fireEvent(0, 0x1, &level, 4);
  });
  for (int i = 0; i < 3; ++i) {
    CRefPtr<IPictureFromCamera> picture(new CPictureFromCamera);
    EXPECT_EQ(camera.Capture(0, false), 0) << Log();
    EXPECT_EQ(camera.TransferPicture(picture.get(), 0), 0);
  }
  done = true;
  events.join();
  // The monitor came back on after each release.
  EXPECT_TRUE(camera.IsLcdOn());
  ASSERT_TRUE(waitFor([&] { return frames.frames.load() > 3; }));

  // A sink that declines stops the frames, not the viewfinder.
  frames.keepGoing = false;
  std::this_thread::sleep_for(30ms);
  const int declined = frames.frames.load();
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(frames.frames.load(), declined);
  EXPECT_EQ(Stats().runningViewfinders, 1u);

  frames.keepGoing = true;
  ASSERT_EQ(camera.StartPreview(&frames), 0);
  ASSERT_TRUE(waitFor([&] { return frames.frames.load() > declined + 2; }));
  ASSERT_EQ(camera.StopPreview(), 0);
  frames.stopped = true;
  // The monitor keeps live view: frames go on, but none to the sink.
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(Stats().runningViewfinders, 1u);
  ASSERT_EQ(camera.LcdOff(), 0);
  EXPECT_EQ(Stats().runningViewfinders, 0u);
  EXPECT_EQ(Stats().overlappingCalls, 0u);
}

TEST_F(CanonCamera, ABracketingSeriesStepsTheBiasAndPutsItBack) {
  CanonCD_Wr& camera = Open(
      "[camera]\nexposure_biases = 48,45,44,43,40,37,36,35,32,29,28,27,24,21,20,19,16,13,12,11,8,5,4,3,0\n",
      &m_sink);
  ITarselConfigSettings* user = nullptr;
  ASSERT_EQ(camera.GetSdk()->GetSettings()->GetUserSettings(&user, false), 0);
  user->SetBracketingNumPics(3);
  user->Release();
  IBracketing* series = camera.GetBracketing();
  ASSERT_NE(series, nullptr);
  CRefPtr<IPictureFromCamera> picture(new CPictureFromCamera);
  do {
    ASSERT_EQ(camera.Capture(0, false), 0) << m_sim->logText();
    ASSERT_EQ(camera.TransferPicture(picture.get(), 0), 0);
  } while (series->NextStep());
  series->EndSeries();
  std::vector<std::string> biases;
  for (const std::string& line : linesOf(m_sim->logText(), "SetExposureBias"))
    biases.push_back(line.substr(line.find("(388)")));
  // Three steps of different biases, then the camera's own bias again.
  ASSERT_EQ(biases.size(), 4u) << m_sim->logText();
  EXPECT_NE(biases[0], biases[1]);
  EXPECT_NE(biases[1], biases[2]);
  EXPECT_NE(biases[3].find(", 24 -> 0x0"), std::string::npos) << biases[3];
  EXPECT_EQ(Stats().releases, 3u);
}
