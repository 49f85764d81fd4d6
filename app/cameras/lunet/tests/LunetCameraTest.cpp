// The camera object against the simulator through the control: pictures
// transferred and downloaded byte for byte, kept or erased; the remembered
// settings after a refusal; a kept picture erased by its name; the status line; identification of a camera
// the model table does not know; the live preview.
#include "LunetCameraTestSupport.h"

#include "app/cameras/common/FamilyDataFolder.h"
#include "app/cameras/lunet/LunetCall.h"
#include "app/core/ISdkPreviewCallback.h"
#include "app/core/ITarselCallback.h"
#include "app/pictures/PictureFromCamera.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using tarsel::lunet::LunetCall;
using tarsel::lunet::test::LunetCameraTest;
using tarsel::lunet::test::sha256Hex;

namespace {

std::string shaOf(IPictureFromCamera* picture) {
  return sha256Hex(picture->GetData(), picture->GetDataSize());
}

class StatusSink : public _ITarselCallback {
public:
  bool QueryContinue(int) override { return true; }
  bool SetStatusText(const char* text) override {
    status = text;
    return true;
  }
  void SuspendPreview(bool) override {}
  std::string status;
};

class LunetPictures : public LunetCameraTest {
protected:
  std::string cameraConfig() const override {
    return R"({"pictures": [{"size": 9000}, {"size": 0}], "texts": {"22": "SIMCAM", "27": "VC320"}})";
  }
};

} // namespace

TEST_F(LunetPictures, TransferKeepsOrErasesTheNewestPictureAndItsBytesAreTheCameras) {
  EXPECT_EQ(std::string(m_camera->GetCameraName()), "SIMCAM");
  EXPECT_EQ(std::string(m_camera->GetModelName()), "VC-320 Zoom");
  ASSERT_EQ(m_camera->Capture(0, false), 0);
  const auto taken = m_sim->picture(3);
  ASSERT_TRUE(taken["exists"].boolean);

  CRefPtr<IPictureFromCamera> kept(new CPictureFromCamera);
  ASSERT_EQ(m_camera->TransferPicture(kept.get(), 1), 0);
  EXPECT_EQ(shaOf(kept.get()), taken["sha256"].text);
  EXPECT_EQ(actionsDone(0), 0) << "flag 1 keeps the picture";

  CRefPtr<IPictureFromCamera> named(new CPictureFromCamera);
  ASSERT_EQ(m_camera->TransferPicture(named.get(), 2), 0);
  EXPECT_EQ(shaOf(named.get()), taken["sha256"].text);
  EXPECT_EQ(std::string(named->GetFileName()), taken["name"].text);
  EXPECT_EQ(actionsDone(0), 1);
  EXPECT_FALSE(m_sim->picture(3)["exists"].boolean);

  // Picture 2 is empty: its download fails before anything is given to the
  // record, and a transfer of it erases nothing.
  CRefPtr<IPictureFromCamera> empty(new CPictureFromCamera);
  EXPECT_EQ(m_camera->DownloadPicture(empty.get(), 2), CLunetWr::kNoPicture);
  EXPECT_EQ(empty->GetDataSize(), 0u);
  EXPECT_EQ(m_camera->TransferPicture(empty.get(), 0), CLunetWr::kNoPicture);
  EXPECT_EQ(actionsDone(0), 1);

  CRefPtr<IPictureFromCamera> first(new CPictureFromCamera);
  ASSERT_EQ(m_camera->DownloadPicture(first.get(), 1), 0);
  EXPECT_EQ(shaOf(first.get()), m_sim->picture(1)["sha256"].text);

  // With no stored picture, picture 0 (the preview) is not transferred and
  // nothing is erased.
  m_sim->request(R"({"op":"set-register","reg":10,"value":0})");
  EXPECT_EQ(m_camera->TransferPicture(empty.get(), 0), CLunetWr::kNoPicture);
  EXPECT_EQ(actionsDone(0), 1);
  EXPECT_EQ(m_camera->GetConnectionCount(), 0u);
}

TEST_F(LunetPictures, AKeptPictureIsErasedByItsNameOnlyAndNeverALaterOne) {
  std::vector<CardPicture> kept;
  std::vector<std::string> names;
  for (int take = 0; take < 2; ++take) {
    ASSERT_EQ(m_camera->Capture(0, false), 0);
    CRefPtr<IPictureFromCamera> picture(new CPictureFromCamera);
    ASSERT_EQ(m_camera->TransferPicture(picture.get(), 1), 0);
    kept.push_back(m_camera->GetKeptPicture());
    names.push_back(m_sim->picture(3 + take)["name"].text);
    EXPECT_EQ(kept.back().index, 3 + take);
    EXPECT_EQ(kept.back().fileName, names.back());
  }
  EXPECT_EQ(actionsDone(0), 0);
  // The first goes; the later one moves down to its number.
  EXPECT_EQ(m_camera->EraseKeptPicture(kept[0]), 0);
  EXPECT_EQ(m_sim->picture(3)["name"].text, names[1]);
  EXPECT_FALSE(m_sim->picture(4)["exists"].boolean);
  // Gone already: the picture now at its number is not erased.
  EXPECT_EQ(m_camera->EraseKeptPicture(kept[0]), 1);
  EXPECT_EQ(m_sim->picture(3)["name"].text, names[1]);
  // Found by its name at its new number.
  EXPECT_EQ(m_camera->EraseKeptPicture(kept[1]), 0);
  EXPECT_FALSE(m_sim->picture(3)["exists"].boolean);
  // Each erase was of the selected picture, never of the newest one.
  EXPECT_EQ(actionsDone(0), 0);
  EXPECT_EQ(m_camera->GetConnectionCount(), 0u);
}

TEST_F(LunetCameraTest, ARefusedSettingIsNotRememberedAndTheNextCaptureWorks) {
  EXPECT_EQ(m_camera->GetRememberedSetting(CLunetWr::kMetering), 2);
  ASSERT_NO_THROW(m_camera->SendRememberedSetting(CLunetWr::kExpoBias, 3));
  m_sim->fault("dc1@reg=20");
  EXPECT_THROW(m_camera->SendRememberedSetting(CLunetWr::kWhiteBalance, 3), _brantel_take_error);
  EXPECT_EQ(m_camera->GetRememberedSetting(CLunetWr::kWhiteBalance), 0);
  m_sim->clearFaults();
  EXPECT_EQ(m_camera->Capture(0, false), 0);
  EXPECT_EQ(actionsDone(2), 1);
  EXPECT_EQ(m_sim->registers()["registers"]["20"].integer(), 0) << "the refused value is not sent again";
}

TEST_F(LunetCameraTest, StatusLineShowsFocusZoomAndMonitorOrError) {
  LunetCall(m_camera.get(), "test", [](CLunet& control) {
    control.SetPropFocusMode(3);
    control.SetPropFocusPosition(350);
    control.SetPropOpticalZoom(20);
  });
  ASSERT_EQ(m_camera->LcdOn(0), 0);
  StatusSink sink;
  EXPECT_EQ(m_camera->ReportStatus(&sink), 0);
  EXPECT_EQ(sink.status, "F=350 Z=2.0 LCD=On");
  ASSERT_EQ(m_camera->LcdOff(), 0);
  m_sim->fault("dc1@reg=71");
  EXPECT_EQ(static_cast<std::uint32_t>(m_camera->ReportStatus(&sink)) & 0xFFFF0000u, 0x81030000u);
  EXPECT_EQ(sink.status, "Error");
  m_sim->clearFaults();
  EXPECT_EQ(m_camera->ReportStatus(&sink), 0);
  EXPECT_EQ(sink.status, "F=350 Z=2.0 LCD=Off");
  LunetCall(m_camera.get(), "test", [](CLunet& control) { control.SetPropFocusMode(1); });
  EXPECT_EQ(m_camera->ReportStatus(&sink), 0);
  EXPECT_EQ(sink.status, "F=M Z=2.0 LCD=Off");
}

namespace {

class LunetUnknownModel : public LunetCameraTest {
protected:
  std::string cameraConfig() const override { return R"({"texts": {"22": "SIMCAM", "27": "XY999"}})"; }
  void beforeInit() override {
    tarsel::test::writeFile(tarsel::cameras::FamilyDataFolder(m_settings.get()) + "ExtraCams.cams",
                            "[Used Cameras]\nLab camera,1=1\nSecond=1\n");
  }
};

} // namespace

TEST_F(LunetUnknownModel, TakesItsNameFromTheExtraCamerasFile) {
  EXPECT_EQ(std::string(m_camera->GetCameraName()), "Lab camera");
  EXPECT_EQ(std::string(m_camera->GetModelName()), "XY999");
  EXPECT_EQ(std::string(m_camera->GetCameraId()), "XY999");
}

namespace {

class FrameCounter : public _ISdkPreviewCallback {
public:
  bool OnPreviewFrame(IPictureFromCamera* frame) override {
    if (frame && frame->GetDataSize() > 0)
      ++frames;
    const bool going = keep.load();
    if (!going)
      declined = true;
    return going;
  }
  std::atomic<int> frames{0};
  std::atomic<bool> keep{true};
  std::atomic<bool> declined{false};
};

bool waitFor(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline)
      return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

} // namespace

TEST_F(LunetCameraTest, PreviewStopsWhilePausedAndStartsAgainAfterTheListenerEndedIt) {
  FrameCounter listener;
  ASSERT_EQ(m_camera->StartPreview(&listener), 0);
  ASSERT_TRUE(waitFor([&] { return listener.frames >= 2; }));
  ASSERT_EQ(m_camera->PausePreview(true), 0);
  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(m_camera->StopPreview(), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - before, 5s);
  ASSERT_EQ(m_camera->PausePreview(false), 0);

  listener.keep = false;
  ASSERT_EQ(m_camera->StartPreview(&listener), 0);
  ASSERT_TRUE(waitFor([&] { return listener.declined.load(); }));
  listener.keep = true;
  // The thread that the listener ended, whether it is gone yet or not, is
  // collected or kept going: a new start gives frames.
  const int ended = listener.frames;
  ASSERT_EQ(m_camera->StartPreview(&listener), 0);
  EXPECT_TRUE(waitFor([&] { return listener.frames > ended; }));
  EXPECT_EQ(m_camera->StopPreview(), 0);
}

TEST_F(LunetCameraTest, CapturesStatusAndPreviewFromThreeThreadsShareTheControl) {
  FrameCounter listener;
  ASSERT_EQ(m_camera->StartPreview(&listener), 0);
  std::atomic<int> transferred{0};
  std::thread worker([&] {
    for (int take = 0; take < 3; ++take) {
      CRefPtr<IPictureFromCamera> picture(new CPictureFromCamera);
      if (m_camera->Capture(0, false) == 0 && m_camera->TransferPicture(picture.get(), 0) == 0 &&
          picture->GetDataSize() == 9000u)
        ++transferred;
    }
  });
  StatusSink sink;
  int reports = 0;
  while (transferred < 3 && reports < 2000) {
    EXPECT_EQ(m_camera->ReportStatus(&sink), 0);
    ++reports;
  }
  worker.join();
  EXPECT_EQ(transferred, 3);
  EXPECT_EQ(actionsDone(0), 3) << "each picture erased once";
  EXPECT_EQ(m_camera->StopPreview(), 0);
  EXPECT_GT(listener.frames, 0);
  EXPECT_EQ(m_camera->GetConnectionCount(), 0u);
}
