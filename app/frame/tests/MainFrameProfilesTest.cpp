#include "MainFrameTestSupport.h"

#include "app/core/CaptureProfileStorage.h"
#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"
#include "platform/testsupport/TestSupport.h"

#include <cstring>
#include <filesystem>

using tarsel::frame::test::FrameTest;
using tarsel::frame::test::TimedCamera;
using tarsel::frame::test::TimedFamily;
using tarsel::test::ScopedEnv;
using tarsel::test::TempDir;
using tarsel::test::writeFile;
using tarsel::testcamera::CameraOp;

namespace {

class MainFrameProfiles : public FrameTest {};

std::string appliedTo(CMainFrame& frame, const std::string& camera) {
  for (CChildFrame* window : frame.CameraWindows())
    if (window->GetCamera() && camera == window->GetCamera()->GetCameraName())
      return static_cast<TimedCamera*>(window->GetCamera())->appliedCaptureSettings();
  return "<no window>";
}

} // namespace

TEST_F(MainFrameProfiles, EachCameraGetsItsProfileAndAFailingCameraDoesNotStopTheNext) {
  TempDir dir;
  writeFile(dir.file("one.cpff"), "CPFFv001 one");
  writeFile(dir.file("two.cpff"), std::string("CPFFv001 two\0bytes", 18));
  writeFile(dir.file("default.cpff"), "CPFFv001 default");
  writeFile(dir.file("empty.cpff"), "");
  TimedFamily& family = addFamily();
  family.setCameraCount(5);
  family.setTimedSetup([](TimedCamera& camera) {
    if (camera.index() == 0)
      camera.script().failNext(CameraOp::ApplyCaptureSettingsText, static_cast<HRESULT>(0x81040123u));
  });
  MainFrameOptions options = optionsFor({&family});
  // Camera 1 fails, 2 and 3 have their own file, 4 takes the default, 5's
  // file has nothing to apply, which is no error.
  options.arguments = {"Tarsel", "/SOMETHING",
                       QString::fromStdString("-CPFF=\"" + dir.file("one.cpff") + "\":\"Test Camera 1\"/\"" +
                                              dir.file("two.cpff") + "\":\"Test Camera 2\"/\"" +
                                              dir.file("one.cpff") + "\":\"Test Camera 3\"/\"" +
                                              dir.file("empty.cpff") + "\":\"Test Camera 5\"/\"" +
                                              dir.file("default.cpff") + "\"")};
  CMainFrame& frame = start(options);

  ASSERT_EQ(frame.CameraWindows().size(), 5u);
  EXPECT_EQ(appliedTo(frame, "Test Camera 1"), "");
  EXPECT_EQ(appliedTo(frame, "Test Camera 2"), std::string("CPFFv001 two\0bytes", 18));
  EXPECT_EQ(appliedTo(frame, "Test Camera 3"), "CPFFv001 one");
  EXPECT_EQ(appliedTo(frame, "Test Camera 4"), "CPFFv001 default");
  ASSERT_EQ(m_errors.size(), 1u);
  EXPECT_NE(m_errors[0].find("0x81040123"), std::string::npos) << m_errors[0];
}

TEST_F(MainFrameProfiles, WithoutTheArgumentNoProfileIsApplied) {
  TimedFamily& family = addFamily();
  family.setCameraCount(1);
  CMainFrame& frame = start(optionsFor({&family}));
  EXPECT_EQ(static_cast<TimedCamera*>(frame.CameraWindows()[0]->GetCamera())
                ->script()
                .calls(CameraOp::ApplyCaptureSettingsText),
            0);
}

TEST(CaptureProfileStorage, KeepsExactBytesAndReadsAQuotedPathWithAVariable) {
  CCaptureProfileStorage storage;
  std::uint32_t length = 99;
  EXPECT_EQ(storage.GetData(length), nullptr);
  EXPECT_EQ(length, 0u);

  const char bytes[] = {'a', '\0', 'b'};
  storage.SetData(bytes, 3);
  const void* data = storage.GetData(length);
  ASSERT_EQ(length, 3u);
  EXPECT_EQ(std::memcmp(data, bytes, 3), 0);

  TempDir dir;
  writeFile(dir.file("p.cpff"), "CPFFv001\r\nISO=100");
  writeFile(dir.file("empty.cpff"), "");
  ScopedEnv folder("TARSEL_PROFILE_TEST_DIR", dir.path());
  storage.ReadFile("\"%TARSEL_PROFILE_TEST_DIR%/p.cpff\"");
  data = storage.GetData(length);
  EXPECT_EQ(std::string(static_cast<const char*>(data), length), "CPFFv001\r\nISO=100");

  storage.ReadFile("$TARSEL_PROFILE_TEST_DIR/empty.cpff");
  storage.GetData(length);
  EXPECT_EQ(length, 0u);

  // A missing file keeps the bytes held before and names the path.
  storage.SetData(bytes, 3);
  try {
    storage.ReadFile((dir.path() + "/missing.cpff").c_str());
    ADD_FAILURE() << "no error";
  } catch (const _brantel_take_error& error) {
    EXPECT_EQ(error.Error(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(std::string(error.Explanation()), dir.path() + "/missing.cpff");
  }
  storage.GetData(length);
  EXPECT_EQ(length, 3u);

  // A sparse 5 MiB file is refused by its size, as too large to hold.
  writeFile(dir.file("huge.cpff"), "");
  std::filesystem::resize_file(dir.file("huge.cpff"), 5u << 20);
  try {
    storage.ReadFile(dir.file("huge.cpff").c_str());
    ADD_FAILURE() << "no error";
  } catch (const _brantel_take_error& error) {
    EXPECT_EQ(error.Error(), ERROR_NOT_ENOUGH_MEMORY);
  }
  storage.GetData(length);
  EXPECT_EQ(length, 3u);
  storage.ReadFile(nullptr);
  storage.ReadFile("");
  storage.GetData(length);
  EXPECT_EQ(length, 3u);
}
