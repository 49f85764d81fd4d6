#include "CanonSdkFixture.h"

#include "app/cameras/canon/CanonCDWr.h"
#include "app/core/ConnectedCameras.h"
#include "app/core/ISdkCallback.h"
#include "app/core/ISdkPreviewCallback.h"
#include "app/core/ITarselCallback.h"
#include "app/pictures/PictureFromCamera.h"
#include "app/settings/TarselSettings.h"
#include "hostapi/RefPtr.h"

#include <atomic>
#include <mutex>
#include <sstream>
#include <thread>

using namespace std::chrono_literals;
using Statuses = std::vector<std::pair<std::int32_t, std::intptr_t>>;

namespace {

struct StatusSink : _ISdkCallback, _ITarselCallback {
  void OnStatus(std::int32_t code, std::intptr_t argument) override {
    const std::lock_guard<std::mutex> guard(lock);
    received.emplace_back(code, argument);
  }
  bool QueryContinue(int) override { return true; }
  bool SetStatusText(const char* line) override { return text = line, true; }
  void SuspendPreview(bool) override {}
  std::mutex lock;
  Statuses received;
  std::string text = "unset";
};

struct FrameSink : _ISdkPreviewCallback {
  bool OnPreviewFrame(IPictureFromCamera* frame) override {
    EXPECT_FALSE(stopped.load()) << "a frame after StopPreview returned";
    frames += frame && frame->GetDataSize() > 0;
    std::this_thread::sleep_for(2ms);
    return true;
  }
  std::atomic<int> frames{0};
  std::atomic<bool> stopped{false};
};

std::string bytesOf(IPictureFromCamera* picture) {
  return std::string(reinterpret_cast<const char*>(picture->GetData()), picture->GetDataSize());
}

std::vector<std::string> callsOf(const std::string& log, const std::string& entry) {
  std::vector<std::string> calls;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);)
    if (const auto at = line.find(" " + entry + "("); at != std::string::npos)
      calls.push_back(line.substr(line.find(')', at) + 1));
  return calls;
}

class CanonCamera : public tarsel::canon::test::CanonSdkTest {
protected:
  void TearDown() override {
    m_camera.reset();
    CanonSdkTest::TearDown();
  }

  // Discovers the configured camera (null: the default one) and initialises it with the status sink.
  CanonCD_Wr& Open(const char* config) {
    UseCameras(config);
    m_camera = Discover();
    EXPECT_EQ(m_camera->InitCameraObject(&m_sink, nullptr), 0) << Log();
    return *m_camera;
  }

  std::unique_ptr<CanonCD_Wr> Discover() {
    CConnectedCameras list; // owns nothing once the camera is taken out
    EXPECT_EQ(GetCanonCDSdkWrapper(new CTarselSettings)->EnumerateCameras(nullptr, &list), 1);
    std::unique_ptr<CanonCD_Wr> camera(static_cast<CanonCD_Wr*>(list.GetAt(0)));
    list.RemoveAt(0);
    return camera;
  }

  CRefPtr<IPictureFromCamera> Take(std::uint32_t value, std::uint32_t flags = 0) {
    CRefPtr<IPictureFromCamera> picture(new CPictureFromCamera);
    EXPECT_EQ(m_camera->Capture(value, false), 0) << Log();
    EXPECT_EQ(m_camera->TransferPicture(picture.get(), flags), 0) << Log();
    return picture;
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
  CanonCD_Wr& camera = Open("[sdk]\nchunk = 0\n[camera]\nkind10_items = 0x10,0x20,0x50\nraw_size = 9000\n");
  const CRefPtr<IPictureFromCamera> jpeg = Take(0, CanonCD_Wr::kNameAfterCameraFile);
  EXPECT_TRUE(bytesOf(jpeg.get()) == Payload(0));
  EXPECT_STREQ(jpeg->GetFileName(), "IMG_0001.JPG");

  // Kind 10: thumbnail, JPEG, raw; the thumbnail never reaches the record, the last picture stays.
  const CRefPtr<IPictureFromCamera> raw = Take(1);
  EXPECT_TRUE(bytesOf(raw.get()) == Payload(2) && raw->GetDataSize() == 9000u);
  CRefPtr<IPictureFromCamera> none(new CPictureFromCamera); // nothing pending: nothing fetched
  EXPECT_EQ(camera.TransferPicture(none.get(), 0), 0);
  EXPECT_EQ(none->GetDataSize(), 0u);
  EXPECT_EQ(m_sink.received.back(), std::make_pair(3, std::intptr_t{100}));

  // A failed item stops the transfer and closes the release's bracket; it stays pending.
  ASSERT_EQ(camera.Capture(0, false), 0);
  m_sim->failAfter(312, 1, 0x2007, 1);
  EXPECT_EQ(camera.TransferPicture(none.get(), 0), static_cast<HRESULT>(0x81072007u));
  EXPECT_EQ(Stats().openBrackets, 0u);
  EXPECT_EQ(camera.TransferPicture(none.get(), 0), 0);
  EXPECT_TRUE(bytesOf(none.get()) == Payload(0));
}

TEST_F(CanonCamera, TheReleaseKindIsSelectedAgainWhenRemoteModeIsEnteredAfresh) {
  CanonCD_Wr& camera = Open(nullptr);
  // A selection that fails is tried again by the next capture.
  m_sim->fail(304, 0x60, 1);
  EXPECT_EQ(camera.Capture(1, false), static_cast<HRESULT>(0x81070060u));
  Take(1);
  Take(1);
  EXPECT_EQ(callsOf(m_sim->logText(), "SelectReleaseKind").size(), 3u); // entering, refused, selected

  // Re-detection enters the mode afresh (kind 2): value 1 selects kind 10 again.
  EXPECT_EQ(camera.LeaveRemoteMode(), 0);
  std::unique_ptr<CanonCD_Wr> fresh = Discover();
  ASSERT_EQ(fresh->InitCameraObject(nullptr, nullptr), 0);
  ASSERT_TRUE(camera.IsSameCamera(fresh.get()));
  ASSERT_EQ(camera.TakeOverFrom(fresh.get()), 0) << Log();
  fresh.reset();
  EXPECT_TRUE(camera.IsCameraReady());
  Take(1);
  const std::vector<std::string> selections = callsOf(m_sim->logText(), "SelectReleaseKind");
  ASSERT_EQ(selections.size(), 5u);
  EXPECT_EQ(selections[4].substr(selections[4].find(',')), ", 10 -> 0x0");
}

TEST_F(CanonCamera, EventsBecomeHostStatusesAndTheStatusLineShowsDistanceZoomAndMonitor) {
  UseCameras("[camera]\nfocal_base = 20\n");
  m_camera = Discover();
  ASSERT_EQ(m_camera->InitCameraObject(nullptr, nullptr), 0);
  EXPECT_EQ(m_camera->ReportStatus(&m_sink), 0);
  EXPECT_EQ(m_sink.text, "");
  ASSERT_EQ(m_camera->InitCameraObject(&m_sink, nullptr), 0);
  EXPECT_EQ(m_camera->ReportStatus(&m_sink), 0);
  EXPECT_EQ(m_sink.text, "AFD=Auto Z=2.9 LCD=Off");

  const std::uint32_t three = 3;
  EXPECT_EQ(m_sim->fireEvent(0, 0x1E, &three, 4), 0);
  EXPECT_EQ(m_sim->fireEvent(0, 0x1, &three, 4), 0);
  EXPECT_EQ(m_sim->fireEvent(0, 0x20005, nullptr, 0), 0x8C);
  EXPECT_EQ(m_sim->fireEvent(0, 0x08000001, &three, 4), 0);
  EXPECT_EQ(m_sim->fireEvent(0, 0x20001, &three, 2), 0);
  EXPECT_EQ(m_sim->fireEvent(0, 0x40001, nullptr, 0), 0);
  EXPECT_EQ(m_sink.received, (Statuses{{7, 3}, {5, 0x10003}, {5, 0x10004}}));
}

TEST_F(CanonCamera, FramesAndEventsRunBesideReleasesAndNoFrameFollowsTheStop) {
  CanonCD_Wr& camera = Open("[sdk]\nframe_rate = 200\n[camera]\n");
  FrameSink frames;
  ASSERT_EQ(camera.LcdOn(0), 0);
  ASSERT_EQ(camera.StartPreview(&frames), 0);
  std::atomic<bool> done{false};
  std::thread events([&] {
    for (const std::uint32_t level = 4; !done.load();)
      m_sim->fireEvent(0, 0x1, &level, 4);
  });
  for (int i = 0; i < 3; ++i)
    Take(0);
  done = true;
  events.join();
  EXPECT_TRUE(camera.IsLcdOn()); // back on after each release

  for (int i = 0; i < 5000 && frames.frames.load() < 4; ++i)
    std::this_thread::sleep_for(2ms);
  ASSERT_EQ(camera.StopPreview(), 0);
  frames.stopped = true;
  // The monitor keeps live view: frames go on, none to the sink.
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(Stats().runningViewfinders, 1u);
  ASSERT_EQ(camera.LcdOff(), 0);
  EXPECT_EQ(Stats().runningViewfinders, 0u);
}
