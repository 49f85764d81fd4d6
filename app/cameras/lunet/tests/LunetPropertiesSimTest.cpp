// The camera object's zoom and capture profiles over the real control and
// the simulated camera: what reaches the lens, and a profile that puts the
// camera back as it was.
#include "LunetCameraTestSupport.h"

#include "app/core/CaptureProfileStorage.h"
#include "hostapi/ICamSdkSettings.h"
#include "sim/vantic/testsupport/MiniJson.h"

using tarsel::lunet::test::LunetCameraTest;

namespace {

// A model whose lens ignores moves of less than 3 tenths.
class LunetZoom : public LunetCameraTest {
protected:
  std::string cameraConfig() const override {
    return R"({"texts": {"27": "VC320"}, "lens": {"min": 10, "max": 30, "step": 3, "position": 20}})";
  }
  // The lens positions sent since the last call.
  std::size_t lensWrites() {
    std::size_t count = 0;
    const tarsel::vantic::test::Json log = m_sim->takeLog();
    for (const auto& note : log["notes"].items)
      count += note["text"].text.rfind("upload to 71:", 0) == 0;
    return count;
  }
};

} // namespace

TEST_F(LunetZoom, NudgesStayWithinTheModelsRange) {
  // The same position: only the digital zoom is reset.
  EXPECT_EQ(m_camera->SetPropOpticalZoom(20, nullptr), 20);
  EXPECT_EQ(lensWrites(), 0u);
  // Upwards by less than the lens takes: one nudge, then the reading stays.
  double factor = 0;
  EXPECT_EQ(m_camera->SetPropOpticalZoom(21, &factor), 20);
  EXPECT_DOUBLE_EQ(factor, 2.0);
  EXPECT_EQ(lensWrites(), 2u);
  // At either end of the range no nudge goes beyond it.
  EXPECT_EQ(m_camera->SetPropOpticalZoom(10, nullptr), 10);
  EXPECT_EQ(lensWrites(), 1u);
  EXPECT_EQ(m_camera->SetPropOpticalZoom(5, nullptr), 10);
  EXPECT_EQ(m_camera->SetPropOpticalZoom(-4, nullptr), 10);
  EXPECT_EQ(lensWrites(), 0u);
  EXPECT_EQ(m_camera->SetPropOpticalZoom(30, nullptr), 30);
  EXPECT_EQ(m_camera->SetPropOpticalZoom(35, nullptr), 30);
  EXPECT_EQ(lensWrites(), 2u);
  EXPECT_EQ(m_camera->GetConnectionCount(), 0u);
}

TEST_F(LunetZoom, AMoveCyclesTheMonitorWhenTheFamilyAsksAndTheMonitorIsOn) {
  ICamSdkSettings* raw = nullptr;
  ASSERT_EQ(m_settings->GetSdkSettings("BRANTEL_SDK2.0", &raw, false), 0);
  CRefPtr<ICamSdkSettings> family;
  family.Attach(raw);
  ASSERT_EQ(family->SetDWord("CycleLCDAfterZoom", 0x101), 0);
  const int before = actionsDone(8);
  m_camera->SetPropOpticalZoom(30, nullptr); // monitor off: not cycled
  ASSERT_EQ(m_camera->LcdOn(0), 0);
  m_camera->SetPropOpticalZoom(30, nullptr); // no move: not cycled
  m_camera->SetPropOpticalZoom(10, nullptr);
  EXPECT_EQ(actionsDone(8), before + 3);
  EXPECT_TRUE(m_camera->IsLcdOn());
  ASSERT_EQ(family->SetDWord("CycleLCDAfterZoom", 0x100), 0);
  m_camera->SetPropOpticalZoom(30, nullptr);
  EXPECT_EQ(actionsDone(8), before + 3);
}

TEST_F(LunetCameraTest, ACaptureProfileWrittenFromTheCameraPutsItBack) {
  m_camera->SetExposureProp3(1, 40, 8000);
  m_camera->SetPropIsoSpeed(1);
  m_camera->SetPropFlash(2);
  m_camera->SetPropWhiteBalance(3);
  m_camera->SetPropResolution(7);
  m_camera->SetPropOpticalZoom(20, nullptr);
  m_camera->SetPropFocusMode(4);
  m_camera->SetPropFocusPosition(57);
  m_camera->SetExternalFlash(1);
  CCaptureProfileStorage storage;
  ASSERT_EQ(m_camera->GetCaptureSettingsText(&storage), 0);
  std::uint32_t length = 0;
  const auto* data = static_cast<const char*>(storage.GetData(length));
  const std::string profile(data, length);
  EXPECT_EQ(profile,
            "CPFFv001\r\nCamType=VC320\r\nLcdMode=1\r\nAperture=40\r\nExposureTime=8000\r\nProgramMode=1\r\n"
            "IsoSpeed=1\r\nFlash=2\r\nWhiteBalance=3\r\nMetering=2\r\nResolution=7\r\nOpticalZoom=20\r\n"
            "FocusMode=4\r\nFocusPosition=57\r\nExternalFlash=1\r\n");
  m_camera->SetExposureProp3(2, 28, 25000);
  m_camera->SetPropWhiteBalance(0);
  m_camera->SetPropFlash(0);
  m_camera->SetPropOpticalZoom(30, nullptr);
  m_camera->SetPropFocusMode(1);
  EXPECT_EQ(m_camera->ApplyCaptureSettingsText(&storage), 0);
  EXPECT_EQ(m_sim->registers()["registers"]["20"].integer(), 3);
  ASSERT_EQ(m_camera->GetCaptureSettingsText(&storage), 0);
  data = static_cast<const char*>(storage.GetData(length));
  EXPECT_EQ(std::string(data, length), profile);
  EXPECT_EQ(m_camera->GetConnectionCount(), 0u);
}
