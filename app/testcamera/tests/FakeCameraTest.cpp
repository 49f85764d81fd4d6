#include "app/testcamera/FakeCamera.h"
#include "app/testcamera/FakeCameraFamily.h"

#include "app/core/ConnectedCameras.h"
#include "app/core/ISdkCallback.h"
#include "app/core/ISdkPreviewCallback.h"
#include "app/core/ITarselCallback.h"
#include "app/pictures/CamExtraCommand.h"
#include "app/pictures/PictureFromCamera.h"
#include "env/BrantelTakeError.h"
#include "hostapi/IPictureInfo.h"

#include <QByteArray>
#include <QImage>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>

using tarsel::testcamera::CameraOp;
using tarsel::testcamera::FakeCamera;
using tarsel::testcamera::FakeCameraFamily;
using tarsel::testcamera::FamilyOp;

namespace {

constexpr HRESULT kCameraBusy = static_cast<HRESULT>(0x81040005u);

struct Held {
  Held() : record(new CPictureFromCamera) { record->AddRef(); }
  ~Held() { record->Release(); }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  IPictureFromCamera* record;
};

// Qt's own decoder says whether the bytes are a JPEG it can read.
QImage decoded(IPictureFromCamera* picture) {
  const auto bytes = picture->GetDataSnapshot();
  if (!bytes)
    return QImage();
  return QImage::fromData(QByteArray(reinterpret_cast<const char*>(bytes->data()), qsizetype(bytes->size())),
                          "JPEG");
}

class StatusLine : public _ITarselCallback {
public:
  bool QueryContinue(int) override { return true; }
  bool SetStatusText(const char* text) override {
    m_text = text;
    return true;
  }
  void SuspendPreview(bool) override {}
  std::string m_text;
};

class StatusSink : public _ISdkCallback {
public:
  void OnStatus(std::int32_t code, std::intptr_t argument) override {
    lastCode = code;
    lastArgument = argument;
  }
  std::atomic<std::int32_t> lastCode{-1};
  std::atomic<std::intptr_t> lastArgument{-1};
};

// Keeps the frames' sizes and answers false after `limit` frames.
class FrameSink : public _ISdkPreviewCallback {
public:
  explicit FrameSink(int limit) : m_limit(limit) {}
  bool OnPreviewFrame(IPictureFromCamera* frame) override {
    const std::lock_guard<std::mutex> guard(m_lock);
    ++m_frames;
    m_jpegFrames += frame->GetImageType() == 1 ? 1 : 0;
    m_changed.notify_all();
    return m_frames < m_limit;
  }
  bool waitFor(int frames) {
    std::unique_lock<std::mutex> lock(m_lock);
    return m_changed.wait_for(lock, std::chrono::seconds(30), [&] { return m_frames >= frames; });
  }
  int frames() {
    const std::lock_guard<std::mutex> guard(m_lock);
    return m_frames;
  }
  int jpegFrames() {
    const std::lock_guard<std::mutex> guard(m_lock);
    return m_jpegFrames;
  }

private:
  std::mutex m_lock;
  std::condition_variable m_changed;
  int m_limit;
  int m_frames = 0;
  int m_jpegFrames = 0;
};

} // namespace

TEST(FakeCamera, AScriptedFailureAnswersItsCallsThenTheOperationSucceeds) {
  FakeCameraFamily family;
  const std::unique_ptr<FakeCamera> camera = family.makeCamera(0);
  camera->script().failNext(CameraOp::Capture, kCameraBusy, 2);

  EXPECT_EQ(camera->Capture(0, false), kCameraBusy);
  EXPECT_EQ(camera->Capture(0, false), kCameraBusy);
  EXPECT_EQ(camera->picturesTaken(), 0);
  EXPECT_EQ(camera->Capture(3, false), 0);
  EXPECT_EQ(camera->picturesTaken(), 1);
  EXPECT_EQ(camera->lastCaptureValue(), 3u);
  EXPECT_EQ(camera->script().calls(CameraOp::Capture), 3);
  EXPECT_EQ(camera->script().calls(CameraOp::TransferPicture), 0);

  camera->script().failNext(CameraOp::IsCameraReady, 1);
  EXPECT_FALSE(camera->IsCameraReady());
  EXPECT_TRUE(camera->IsCameraReady());
}

TEST(FakeCamera, ConnectionsNestAndAFailedConnectThrows) {
  FakeCameraFamily family;
  const std::unique_ptr<FakeCamera> camera = family.makeCamera(0);
  EXPECT_EQ(camera->Connect(), 1);
  EXPECT_EQ(camera->Connect(), 2);
  EXPECT_EQ(camera->DisConnect(), 1);
  EXPECT_EQ(camera->DisConnect(), 0);
  EXPECT_EQ(camera->DisConnect(), 0);

  camera->script().failNext(CameraOp::Connect, static_cast<HRESULT>(0x81041001u));
  try {
    camera->Connect();
    ADD_FAILURE() << "the scripted failure was not thrown";
  } catch (const _brantel_take_error& error) {
    EXPECT_EQ(error.Error(), static_cast<HRESULT>(0x81041001u));
  }
  EXPECT_EQ(camera->connectDepth(), 0);
}

TEST(FakeCamera, ADelayIsWaitedBeforeTheOperationAnswers) {
  FakeCameraFamily family;
  const std::unique_ptr<FakeCamera> camera = family.makeCamera(0);
  camera->script().setDelay(CameraOp::LcdOn, std::chrono::milliseconds(40));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(camera->LcdOn(0), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(40));
  EXPECT_TRUE(camera->IsLcdOn());
}

TEST(FakeCamera, TakenAndDownloadedPicturesAreJpegFilesWithNameAndInformation) {
  FakeCameraFamily family;
  const std::unique_ptr<FakeCamera> camera = family.makeCamera(0);
  camera->setPictureSize(32, 24);
  StatusSink sink;
  ASSERT_EQ(camera->InitCameraObject(&sink, nullptr), 0);

  ASSERT_EQ(camera->Capture(0, false), 0);
  Held taken;
  ASSERT_EQ(camera->TransferPicture(taken.record, 3), 0);
  EXPECT_EQ(taken.record->GetImageType(), 1);
  EXPECT_STREQ(taken.record->GetFileName(), "TST_0001.JPG");
  const QImage picture = decoded(taken.record);
  EXPECT_EQ(picture.size(), QSize(32, 24));
  ASSERT_NE(taken.record->GetPictureInfo(), nullptr);
  std::string text;
  taken.record->GetPictureInfo()->GetSizeText(&text, "%d bytes");
  EXPECT_EQ(text, std::to_string(taken.record->GetDataSize()) + " bytes");
  EXPECT_EQ(sink.lastCode, 3);
  EXPECT_EQ(camera->lastTransferFlags(), 3u);

  Held stored;
  EXPECT_EQ(camera->DownloadPicture(stored.record, 2), 0);
  EXPECT_STREQ(stored.record->GetFileName(), "TST_0002.JPG");
  EXPECT_FALSE(decoded(stored.record).isNull());
  Held missing;
  EXPECT_EQ(camera->DownloadPicture(missing.record, 4), 1);
  EXPECT_EQ(missing.record->GetDataSize(), 0u);

  const std::vector<BYTE> tiff = {0x49, 0x49, 0x2A, 0x00, 8, 0, 0, 0};
  camera->setPictureBytes(tiff);
  Held other;
  ASSERT_EQ(camera->TransferPicture(other.record, 0), 0);
  EXPECT_EQ(other.record->GetImageType(), 2);
  EXPECT_EQ(other.record->GetDataSize(), tiff.size());
}

TEST(FakeCamera, FocusSettingsCommandsAndStatusLine) {
  FakeCameraFamily family;
  const std::unique_ptr<FakeCamera> camera = family.makeCamera(0);
  EXPECT_EQ(camera->ApplyFocusSettings(nullptr), 1);
  CCamExtraCommand command;
  EXPECT_EQ(camera->ApplyFocusSettings(&command), 1);
  command.SetCommand(4, 350);
  EXPECT_EQ(camera->ApplyFocusSettings(&command), 0);
  std::int32_t mode = 0;
  std::int32_t position = 0;
  ASSERT_TRUE(camera->lastFocus(&mode, &position));
  EXPECT_EQ(mode, 4);
  EXPECT_EQ(position, 350);

  const char keywords[] = "APERTURE=28\0FLASH=ON\0";
  EXPECT_EQ(camera->ApplyKeywordSettings(keywords), 0);
  EXPECT_EQ(camera->lastKeywordSettings(), "APERTURE=28\nFLASH=ON\n");

  StatusLine status;
  EXPECT_EQ(camera->ReportStatus(&status), 0);
  EXPECT_EQ(status.m_text, "F=A Z=1.0 LCD=Off");
  camera->script().failNext(CameraOp::ReportStatus, kCameraBusy);
  EXPECT_EQ(camera->ReportStatus(&status), kCameraBusy);
  EXPECT_EQ(status.m_text, "Error");

  EXPECT_EQ(camera->ShowCameraSettings(nullptr, &status, 2), 0);
  EXPECT_EQ(camera->lastSettingsPage(), 2);
  EXPECT_EQ(camera->ShowCaptureProperties(nullptr, 0, true), 0);
  EXPECT_TRUE(camera->capturePropertiesShown());
  EXPECT_EQ(camera->CloseCaptureProperties(), 0);
  EXPECT_FALSE(camera->capturePropertiesShown());
}

TEST(FakeCamera, ThePreviewDeliversJpegFramesUntilTheSinkSaysStop) {
  FakeCameraFamily family;
  const std::unique_ptr<FakeCamera> camera = family.makeCamera(0);
  camera->setPreviewInterval(std::chrono::milliseconds(1));

  FrameSink declining(3);
  ASSERT_EQ(camera->StartPreview(&declining), 0);
  ASSERT_TRUE(declining.waitFor(3));
  EXPECT_EQ(camera->StopPreview(), 0);
  EXPECT_EQ(declining.frames(), 3);
  EXPECT_EQ(declining.jpegFrames(), 3);
  EXPECT_FALSE(camera->previewRunning());

  // A paused preview delivers nothing until it is released; after
  // StopPreview no frame arrives any more.
  FrameSink endless(1 << 30);
  ASSERT_EQ(camera->PausePreview(true), 0);
  ASSERT_EQ(camera->StartPreview(&endless), 0);
  EXPECT_EQ(endless.frames(), 0);
  ASSERT_EQ(camera->PausePreview(false), 0);
  ASSERT_TRUE(endless.waitFor(2));
  EXPECT_EQ(camera->StopPreview(), 0);
  EXPECT_FALSE(camera->previewRunning());
  EXPECT_EQ(camera->previewFramesDelivered(), 3 + endless.frames());
}

TEST(FakeCameraFamily, EnumeratesItsCamerasOnlyWhenEnabledAndCountsTheirDeaths) {
  FakeCameraFamily family;
  family.setCameraCount(3);
  family.setCameraSetup(
      [](FakeCamera& camera) { camera.setNames("Studio " + std::to_string(camera.index()), "ID", "TC-9"); });
  {
    CConnectedCameras list;
    EXPECT_STREQ(family.IsEnabled(), "USED");
    EXPECT_EQ(family.EnumerateCameras(nullptr, &list), 3);
    ASSERT_EQ(list.GetCount(), 3);
    EXPECT_STREQ(list.GetAt(2)->GetCameraName(), "Studio 2");
    EXPECT_TRUE(list.GetAt(0)->IsSameCamera(list.GetAt(0)));
    EXPECT_FALSE(list.GetAt(0)->IsSameCamera(list.GetAt(1)));

    family.script().failNext(FamilyOp::EnumerateCameras, 1);
    EXPECT_EQ(family.EnumerateCameras(nullptr, &list), 0);
    family.setEnabled(false);
    EXPECT_EQ(family.IsEnabled(), nullptr);
    EXPECT_EQ(family.EnumerateCameras(nullptr, &list), 0);
    EXPECT_EQ(list.GetCount(), 3);
  }
  EXPECT_EQ(family.camerasCreated(), 3);
  EXPECT_EQ(family.camerasDestroyed(), 3);
}

TEST(FakeCameraFamily, ModelListsSelectionsAndDiagnostics) {
  FakeCameraFamily family;
  EXPECT_EQ(family.GetCameraModelList(), nullptr);
  family.setModels({"TC-1", "TC-2"});
  const char* list = family.GetCameraModelList();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(std::memcmp(list, "TC-1\0TC-2\0\0", 11), 0);

  family.SaveCameraSelection("TC-2\0TC-7\0");
  EXPECT_EQ(family.savedSelection(), (std::vector<std::string>{"TC-2", "TC-7"}));
  family.SaveCameraSelection(nullptr);
  EXPECT_TRUE(family.savedSelection().empty());

  std::string text = "old";
  family.GetDiagnosticText(&text, true);
  EXPECT_EQ(text, "SDK: Test\r\n");
  family.GetDiagnosticText(&text, false);
  EXPECT_EQ(text, "");

  ISdkPropertyPage* page = reinterpret_cast<ISdkPropertyPage*>(1);
  EXPECT_EQ(family.CreateSettingsPage(&page), 0);
  EXPECT_EQ(page, nullptr);
}
