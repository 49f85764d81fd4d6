#include "CanonSdkFixture.h"

#include "app/cameras/canon/CanonCDSettingsCamera.h"
#include "app/cameras/canon/CanonCDWr.h"
#include "app/cameras/canon/CanonCameraClock.h"
#include "app/cameras/canon/CanonCaptureSettings.h"
#include "app/cameras/canon/CanonDeviceProps.h"
#include "app/core/CaptureProfileStorage.h"
#include "app/core/ICapabilitiesCallback.h"
#include "app/settings/TarselSettings.h"

#include <algorithm>
#include <clocale>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

using tarsel::canon::test::CanonSdkTest;

namespace {

constexpr HRESULT kStopped = static_cast<HRESULT>(0x8010006Eu);

// The report of a detection run; answers false at line `stopAt` (1-based).
struct Report : _ICapabilitiesCallback {
  std::vector<std::string> lines;
  std::size_t stopAt = 0;
  bool LogLine(const char* text) override { return Add(text); }
  bool LogIndentedLine(const char* text) override { return Add("    " + std::string(text)); }
  bool Add(const std::string& line) {
    lines.push_back(line);
    return lines.size() != stopAt;
  }
  std::string Text() const {
    std::string text;
    for (const auto& line : lines)
      text += line + "\n";
    return text;
  }
};

std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class CanonProperties : public CanonSdkTest {
protected:
  // The camera at `index` of the stand-in's cameras (all of the default model).
  CanonCD_Wr& Open(const char* config = nullptr, std::uint32_t index = 0) {
    if (m_cameras.empty()) {
      if (config)
        UseCameras(config);
      GetCanonCDSdkWrapper(new CTarselSettings);
    }
    auto& camera = m_cameras.emplace_back(
        std::make_unique<CanonCD_Wr>(CanonSourceInfo{index, true, "Sim Camera A", "Owner (Sim Camera A)"}));
    camera->Source().Open();
    camera->LoadCameraCapabilities();
    return *camera;
  }
  void TearDown() override {
    m_cameras.clear();
    CanonSdkTest::TearDown();
  }
  std::uint32_t ZoomPosition() {
    std::int32_t position = -1;
    EXPECT_EQ(m_cameras.front()->GetPropOpticalZoom(&position, nullptr), 0);
    return static_cast<std::uint32_t>(position);
  }

  std::vector<std::unique_ptr<CanonCD_Wr>> m_cameras;
};

} // namespace

TEST_F(CanonProperties, DetectionOfTheDefaultCameraGivesTheReferenceFileInAnyLocale) {
  CanonCD_Wr& camera = Open();
  char path[4096];
  std::uint32_t size = sizeof path;
  camera.GetProfileFileName(path, &size);
  setenv("LOCPATH", CANON_LOCALE_DIR, 1);
  for (const char* locale : {"C", "de_DE.UTF-8"}) {
    if (!std::setlocale(LC_ALL, locale)) {
      ADD_FAILURE() << locale << " is not available (LOCPATH " << (getenv("LOCPATH") ? getenv("LOCPATH") : "")
                    << ")";
      continue;
    }
    Report report;
    EXPECT_EQ(camera.ObtainCapabilitiesFromCamera(&report), 0) << report.Text();
    camera.SaveCapabilitiesToFile(nullptr);
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(report.Text(), fileText(CANON_TEST_DATA "/SimCameraA.log")) << locale;
    EXPECT_EQ(fileText(path), fileText(CANON_TEST_DATA "/SimCameraA.camd")) << locale;
    EXPECT_EQ(ZoomPosition(), 0u);
  }
  // The detected resolutions name the camera's own codes.
  std::int32_t resolution = -1;
  EXPECT_EQ(camera.SetPropResolution(3), 0);
  EXPECT_EQ(camera.GetPropResolution(&resolution), 0);
  EXPECT_EQ(resolution, 3);
  EXPECT_TRUE(camera.GetCapabilities(true));
  camera.DeleteCapabilityProfile(nullptr);
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_FALSE(camera.GetCapabilities(false));
  EXPECT_NO_THROW(camera.DeleteCapabilityProfile(""));
  // The run ends with the SDK's after-transfer call.
  const std::string log = m_sim->logText();
  EXPECT_EQ(Calls("AfterTransfer"), 2u);
  EXPECT_GT(log.rfind("AfterTransfer"), log.rfind("ParameterValuesRelease"));
}

TEST_F(CanonProperties, AStoppedOrFailedRunMakesTheClosingCallAndPutsTheZoomBack) {
  CanonCD_Wr& camera = Open("[camera]\nzoom = 3\n");
  Report first;
  first.stopAt = 2; // the firmware line
  EXPECT_EQ(camera.ObtainCapabilitiesFromCamera(&first), kStopped);
  EXPECT_EQ(Calls("AfterTransfer"), 1u);

  Report digital;
  digital.stopAt = 6; // the first digital-zoom step, with the zoom at position 9
  EXPECT_EQ(camera.ObtainCapabilitiesFromCamera(&digital), kStopped);
  EXPECT_EQ(digital.lines.back(), "    1:\tx 1.25");
  EXPECT_EQ(ZoomPosition(), 3u);
  EXPECT_EQ(Calls("AfterTransfer"), 2u);

  // A ratio the camera cannot give on the second step.
  m_sim->failAfter(tarsel::cdsdk::kEntryZoomRatio, 1, tarsel::cdsdk::kErrDeviceBusy, 1);
  Report failed;
  EXPECT_EQ(camera.ObtainCapabilitiesFromCamera(&failed), 0);
  EXPECT_NE(failed.Text().find("Digital Zoom:\n    1:\tx 1.25\n    Not Supported\nAF Lock:"),
            std::string::npos);
  EXPECT_EQ(ZoomPosition(), 3u);
  EXPECT_EQ(camera.GetValueTable("DigitalZoom"), nullptr);
}

TEST_F(CanonProperties, ACameraClaimingEndlessZoomStepsOrValuesIsBelievedOnlyUpToTheBounds) {
  std::string balances;
  for (int value = 0; value < 1100; ++value)
    balances += (value ? "," : "") + std::to_string(value);
  CanonCD_Wr& camera = Open(("[camera]\nzoom_max = 4294967295\nwhite_balances = " + balances + "\n").c_str());
  const std::size_t from = LogEnd();
  Report report;
  EXPECT_EQ(camera.ObtainCapabilitiesFromCamera(&report), 0);
  const auto linesBetween = [&](const std::string& heading, const std::string& next) {
    const auto first = std::find(report.lines.begin(), report.lines.end(), heading);
    const auto last = std::find(first, report.lines.end(), next);
    return first == report.lines.end() ? -1 : static_cast<int>(last - first) - 1;
  };
  EXPECT_EQ(linesBetween("Digital Zoom:", "AF Lock:"), 64);
  EXPECT_LE(Calls("SetZoomPosition", from), 65u); // the steps and putting the zoom back
  EXPECT_EQ(linesBetween("White Balance:", "Flash modes:"), 1024);
}

TEST_F(CanonProperties, UnlistedAperturesAndTimesAreTriedUpToTheBound) {
  CanonCD_Wr& camera = Open(
      "[camera]\nfailing_lists = aperture,exposure_time\naperture_bound = 40\nprogram_modes = 0,1,3,4\n");
  Report report;
  EXPECT_EQ(camera.ObtainCapabilitiesFromCamera(&report), 0);
  EXPECT_NE(report.Text().find("Aperture values (AV):\n    24:\t 2.0\n    32:\t 2.8\n    40:\t 4.0\n"
                               "Exposure values (TV):\n    Not Supported\nAF Distance:"),
            std::string::npos)
      << report.Text();
  std::uint32_t mode = 0, aperture = 0, time = 0;
  EXPECT_EQ(camera.GetExposure(&mode, &aperture, &time), 0);
  EXPECT_EQ(mode, 3u);
  EXPECT_EQ(aperture, 40u);
  EXPECT_FALSE(camera.HasCapability(tarsel::canon::kExposureTime));

  // Setting what the camera does not offer reaches nothing.
  const std::size_t before = LogEnd();
  EXPECT_EQ(camera.SetExposure(4, 24, 120), 0);
  EXPECT_EQ(Calls("SetExposureTime", before), 0u);
  EXPECT_EQ(Calls("SetAperture", before), 1u);
}

TEST_F(CanonProperties, ABoundOfNoApertureLeavesAnEmptySetThatIsStillOffered) {
  CanonCD_Wr& camera = Open("[camera]\nfailing_lists = aperture\naperture_bound = 0\n");
  Report none;
  EXPECT_EQ(camera.ObtainCapabilitiesFromCamera(&none), 0);
  EXPECT_NE(none.Text().find("Aperture values (AV):\nExposure values (TV):\n    96:"), std::string::npos);
  EXPECT_TRUE(camera.HasCapability(tarsel::canon::kAperture));
}

TEST_F(CanonProperties, ZoomExposureAndAfLockFollowTheCamerasRules) {
  CanonCD_Wr& camera = Open("[camera]\nzoom_max = 12\nzoom_optical = 10\nzoom = 10\n");
  std::int32_t steps = 0;
  EXPECT_EQ(camera.GetDigitalZoomSteps(&steps), 0);
  EXPECT_EQ(steps, -1);
  EXPECT_EQ(camera.SetDigitalZoomSteps(5), 0);
  EXPECT_EQ(ZoomPosition(), 12u);
  EXPECT_EQ(camera.LeaveDigitalZoom(), 0);
  EXPECT_EQ(ZoomPosition(), 10u);

  // The probe switches the lock on and off once.
  std::uint32_t support = 0;
  EXPECT_EQ(camera.GetAFLockSupport(&support), 0);
  EXPECT_EQ(camera.GetAFLockSupport(&support), 0);
  EXPECT_EQ(support, 8u);
  EXPECT_EQ(Calls("AfLock"), 2u);
  bool locked = false;
  EXPECT_EQ(camera.SetAFLock(true, &locked), 0);
  EXPECT_TRUE(locked);

  EXPECT_EQ(camera.GetValueTable("resolution"), nullptr);
  char path[8] = "unset";
  std::uint32_t size = 0;
  camera.GetProfileFileName(nullptr, &size);
  std::uint32_t same = size;
  camera.GetProfileFileName(path, &same);
  EXPECT_STREQ(path, "unset");
  EXPECT_EQ(same, size);
}

TEST_F(CanonProperties, TheClockIsTheCamerasWallClockForTheDateItStandsFor) {
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  CanonCD_Wr& camera = Open();
  // 12:00 UTC is 13:00 in January and 14:00 in July on the camera.
  for (const auto& [utc, wall] : {std::pair<std::time_t, std::time_t>{1768478400, 1768482000},
                                  std::pair<std::time_t, std::time_t>{1782907200, 1782914400}}) {
    FILETIME time = tarsel::canon::CameraClockToFileTime(static_cast<std::uint32_t>(wall));
    EXPECT_EQ(tarsel::canon::FileTimeToCameraClock(time), wall);
    EXPECT_EQ(camera.SetPropCameraTime(time), 0);
    EXPECT_EQ(CCanonDeviceProps(camera.Source().GetHandle()).GetCameraTime(), wall);
    FILETIME read{};
    EXPECT_EQ(camera.GetPropCameraTime(&read), 0);
    const std::int64_t units = (static_cast<std::int64_t>(read.dwHighDateTime) << 32) | read.dwLowDateTime;
    EXPECT_EQ(units, 116444736000000000LL + static_cast<std::int64_t>(utc) * 10000000LL);
  }
  unsetenv("TZ");
  tzset();
}

TEST_F(CanonProperties, ASecondCameraGivenTheFirstOnesProfileTakesItsState) {
  CanonCD_Wr& a =
      Open("[camera]\nprogram_mode = 4\naperture = 40\nexposure_time = 104\nflash = 2\niso = 88\n"
           "metering = 1\nwhite_balance = 4\naf_distance = 3\nzoom = 5\nimage_format = 2:1\n[camera]\n");
  Report report;
  ASSERT_EQ(a.ObtainCapabilitiesFromCamera(&report), 0);
  a.SaveCapabilitiesToFile(nullptr);
  CanonCD_Wr& b = Open(nullptr, 1);
  const auto textOf = [](CanonCD_Wr& camera) {
    CCaptureProfileStorage storage;
    EXPECT_EQ(tarsel::canon::WriteCaptureSettingsText(*MakeCanonSettingsCamera(camera), &storage), 0);
    std::uint32_t length = 0;
    const auto* data = static_cast<const char*>(storage.GetData(length));
    return std::string(data, length);
  };
  std::string text = textOf(a);
  EXPECT_NE(text, textOf(b));
  EXPECT_NE(text.find("Aperture=40\r\nExposureTime=104\r\nProgramMode=4\r\nIsoSpeed=88\r\nFlash=2\r\n"
                      "WhiteBalance=4\r\nMetering=1\r\nResolution=3\r\nOpticalZoom=5\r\nAF Distance=3\r\n"),
            std::string::npos)
      << text;
  // The monitor is the camera object's own business, tried elsewhere.
  text.erase(text.find("LcdMode"), text.find("Aperture") - text.find("LcdMode"));
  CCaptureProfileStorage storage;
  storage.SetData(text.data(), static_cast<std::uint32_t>(text.size()));
  EXPECT_EQ(tarsel::canon::ApplyCaptureSettingsText(*MakeCanonSettingsCamera(b), &storage), 0);
  EXPECT_EQ(textOf(b), textOf(a));
}
