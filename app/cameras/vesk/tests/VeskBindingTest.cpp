// The camera object over stub libraries: binding by name, missing exports,
// the translation and logging of what the library throws, the counted
// connection, and the transfer's refusals to erase.
#include "StubLibrary.h"
#include "VeskTestSupport.h"

#include "app/cameras/vesk/VeskDllWr.h"
#include "app/cameras/vesk/VeskLibrary.h"
#include "app/cameras/vesk/VeskProgressMap.h"
#include "app/core/ISdkCallback.h"
#include "app/core/ITarselCallback.h"
#include "app/pictures/PictureFromCamera.h"
#include "hostapi/RefPtr.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

using tarsel::test::ScopedEnv;
using tarsel::vesk::test::LogHome;
using tarsel::vesk::test::StubLibrary;

namespace {

struct StatusText : _ITarselCallback {
  std::string text;
  bool QueryContinue(int) override { return true; }
  bool SetStatusText(const char* line) override {
    text = line;
    return true;
  }
  void SuspendPreview(bool) override {}
};

struct ProgressSink : _ISdkCallback {
  std::vector<std::intptr_t> percents;
  void OnStatus(std::int32_t code, std::intptr_t argument) override {
    if (code == 3)
      percents.push_back(argument);
  }
};

HRESULT codeOf(void (*call)()) {
  try {
    call();
  } catch (const _brantel_take_error& error) {
    return error.Error();
  }
  return 0;
}

} // namespace

TEST(VeskBinding, ALibraryWithoutCaptureLoadsButCannotTakeAndLogsNothing) {
  LogHome home;
  StubLibrary stub(STUB_WITHOUT_CAPTURE_PATH);
  CVeskDllWr camera(0);
  ASSERT_EQ(camera.InitCameraObject(nullptr, nullptr), 0);
  EXPECT_STREQ(camera.GetCameraId(), "XC-STUB");
  EXPECT_STREQ(camera.GetCameraName(), "stub camera");
  EXPECT_EQ(camera.Capture(0, false), static_cast<HRESULT>(0x81041000u));
  EXPECT_EQ(camera.PrepareCapture(0), 0);
  EXPECT_EQ(camera.FirePreparedCapture(), static_cast<HRESULT>(0x81041000u));
  EXPECT_EQ(camera.GetConnectionCount(), 0u);
  EXPECT_EQ(home.entries(), 0) << home.log();

  // No library at all: initialising it fails as a missing function.
  FreeVeskDll();
  EXPECT_EQ(codeOf([] { VeskInitControl(); }), static_cast<HRESULT>(0x81041000u));
  EXPECT_EQ(codeOf([] { VeskGetPropCameraCount(); }), static_cast<HRESULT>(0x81041000u));
  EXPECT_EQ(camera.Capture(0, false), static_cast<HRESULT>(0x81041000u));
  EXPECT_EQ(home.entries(), 0);
}

TEST(VeskBinding, LibraryErrorsAreTranslatedAndLoggedOnceAndCloseTheConnection) {
  LogHome home;
  StubLibrary stub(STUB_FULL_PATH);
  CVeskDllWr camera(0);
  ASSERT_EQ(camera.InitCameraObject(nullptr, nullptr), 0);
  struct Row {
    StubThrow kind;
    int code;
    HRESULT expected;
    const char* line;
  };
  const Row rows[] = {
      {StubThrow::Library, 14, static_cast<HRESULT>(0x8104000Eu),
       "ERROR: VESK_NAK1_RESPONSE.(0x8104000E) produced by GetPropFocusMode\r\n"},
      {StubThrow::Win32, 5, 5, "(0x5) produced by GetPropFocusMode\r\n"},
      {StubThrow::Foreign, 0, static_cast<HRESULT>(0x810400FFu),
       "ERROR: Other error.(0x810400FF) produced by GetPropFocusMode\r\n"},
  };
  int entries = 0;
  for (const Row& row : rows) {
    stub.state().throwingExport = StubExport::GetPropFocusMode;
    stub.state().throwKind = row.kind;
    stub.state().throwCode = row.code;
    const int opens = stub.state().opens;
    const int closes = stub.state().closes;
    // Inside a job's outer connection: the failure still closes the device.
    ASSERT_EQ(camera.Connect(), 1);
    StatusText status;
    EXPECT_EQ(camera.ReportStatus(&status), row.expected);
    EXPECT_EQ(status.text, "Error");
    EXPECT_EQ(camera.GetConnectionCount(), 0u);
    EXPECT_EQ(camera.DisConnect(), 0);
    EXPECT_EQ(stub.state().opens, opens + 1);
    EXPECT_EQ(stub.state().closes, closes + 1);
    const std::string log = home.log();
    EXPECT_EQ(home.entries(), ++entries) << log;
    const std::size_t entry = log.rfind("SDK: 3.x\r\nERROR: ");
    ASSERT_NE(entry, std::string::npos) << log;
    EXPECT_NE(log.find(row.line, entry), std::string::npos) << log;
    EXPECT_NE(log.find("Camera: XC-STUB\r\n", entry), std::string::npos) << log;
  }
  // The asking form answers false, logging once.
  stub.state().throwingExport = StubExport::CameraReady;
  stub.state().throwKind = StubThrow::Library;
  EXPECT_FALSE(camera.IsCameraReady());
  EXPECT_EQ(home.entries(), ++entries);

  // A refused connection: one entry naming Connect, and the caller gets 0x81041001.
  stub.state().throwingExport = StubExport::None;
  stub.state().connectResult = 11;
  EXPECT_EQ(camera.LcdOn(0), static_cast<HRESULT>(0x81041001u));
  EXPECT_FALSE(camera.IsLcdOn());
  EXPECT_EQ(home.entries(), ++entries);
  EXPECT_NE(home.log().find("(0x8104000B) produced by Connect\r\nCamera: XC-STUB\r\n"), std::string::npos);
  EXPECT_EQ(camera.GetConnectionCount(), 0u);
}

TEST(VeskBinding, NestedConnectionsOpenTheDeviceOnce) {
  LogHome home;
  StubLibrary stub(STUB_FULL_PATH);
  CVeskDllWr camera(0);
  EXPECT_EQ(camera.Connect(), 1);
  EXPECT_EQ(camera.Connect(), 2);
  EXPECT_EQ(camera.LcdOn(0), 0);
  EXPECT_TRUE(camera.IsLcdOn());
  EXPECT_EQ(camera.Capture(0, false), 0);
  EXPECT_EQ(stub.state().opens, 1);
  EXPECT_EQ(camera.DisConnect(), 1);
  EXPECT_EQ(stub.state().closes, 0);
  EXPECT_EQ(camera.DisConnect(), 0);
  EXPECT_EQ(stub.state().closes, 1);
  EXPECT_EQ(camera.DisConnect(), 0);
  EXPECT_EQ(stub.state().closes, 1);
  EXPECT_EQ(stub.state().captures, 1);
}

TEST(VeskBinding, TransferErasesOnlyAPictureThatArrivedWhole) {
  LogHome home;
  StubLibrary stub(STUB_FULL_PATH);
  CVeskDllWr camera(0);
  ProgressSink progress;
  ASSERT_EQ(camera.InitCameraObject(&progress, nullptr), 0);
  CRefPtr<CPictureFromCamera> picture(new CPictureFromCamera);
  const auto transfer = [&](std::uint32_t flags) -> HRESULT {
    try {
      return camera.TransferPicture(picture.get(), flags);
    } catch (const _brantel_take_error& error) {
      return error.Error();
    }
  };

  stub.state().pictureCount = 3;
  EXPECT_EQ(transfer(2), 0);
  EXPECT_EQ(stub.state().currentPicture, 3);
  EXPECT_EQ(stub.state().erased, 1);
  EXPECT_STREQ(picture->GetFileName(), "BR000001.JPG");
  ASSERT_NE(picture->GetDataSnapshot(), nullptr);
  EXPECT_EQ(picture->GetDataSnapshot()->size(), 1000u);
  EXPECT_EQ(progress.percents, std::vector<std::intptr_t>{50});

  // Kept on the card when asked.
  EXPECT_EQ(transfer(1), 0);
  EXPECT_EQ(stub.state().erased, 1);

  // A download that stopped short is an error and the card keeps the picture.
  stub.state().pictureResult = 0;
  EXPECT_EQ(transfer(0), static_cast<HRESULT>(0x8104000Au));
  EXPECT_EQ(stub.state().erased, 1);
  stub.state().pictureResult = 1;

  // Nothing downloaded: nothing erased.
  stub.state().pictureSize = 0;
  EXPECT_EQ(transfer(0), 0);
  EXPECT_EQ(stub.state().erased, 1);
  stub.state().pictureSize = 1000;

  // No stored picture: the preview picture is never taken for the photo.
  stub.state().pictureCount = 0;
  stub.state().currentPicture = -1;
  EXPECT_EQ(transfer(0), static_cast<HRESULT>(0x81040008u));
  EXPECT_EQ(stub.state().currentPicture, -1);
  EXPECT_EQ(stub.state().erased, 1);
  EXPECT_EQ(camera.GetConnectionCount(), 0u);
  EXPECT_EQ(home.entries(), 2);
}

TEST(VeskBinding, StatusLineKeepsItsDecimalPointUnderACommaLocale) {
  // A German locale made when the build was configured, as a desktop session has one.
  if (std::string(VESK_LOCALE_DIR).empty())
    GTEST_SKIP() << "localedef could not make de_DE here";
  ScopedEnv path("LOCPATH", VESK_LOCALE_DIR);
  ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
  // The C library now reads "2,8" and stops at "2.8"'s point.
  ASSERT_DOUBLE_EQ(std::strtod("2.8", nullptr), 2.0);
  LogHome home;
  StubLibrary stub(STUB_FULL_PATH);
  CVeskDllWr camera(0);
  StatusText status;
  // The camera's 2 is automatic focus, its 3 a set position.
  stub.state().focusMode = 2;
  EXPECT_EQ(camera.ReportStatus(&status), 0);
  EXPECT_EQ(status.text, "F=A Z=2.8 LCD=Off");
  stub.state().focusMode = 3;
  stub.state().focusPosition = 37;
  stub.state().zoom = 105;
  ASSERT_EQ(camera.LcdOn(0), 0);
  EXPECT_EQ(camera.ReportStatus(&status), 0);
  EXPECT_EQ(status.text, "F=37 Z=10.5 LCD=On");
  std::setlocale(LC_ALL, "C");
}

TEST(VeskBinding, ProgressFindsItsCameraThroughTheLockedMap) {
  // Cameras come and go on one thread while the library reports progress for
  // their numbers on another.
  std::atomic<bool> done{false};
  std::thread reporter([&] {
    const VESK_PROGRESS progress{10, 10};
    while (!done)
      CVeskDllWr::OnProgress(7, &progress, nullptr);
  });
  for (int i = 0; i < 200; ++i) {
    CVeskDllWr camera(7);
    tarsel::vesk::VeskProgressMap::Enter(7, &camera);
  }
  done = true;
  reporter.join();
  int found = 0;
  tarsel::vesk::VeskProgressMap::With(7, [&](CVeskDllWr* camera) { found += camera ? 1 : 0; });
  EXPECT_EQ(found, 0);
}
