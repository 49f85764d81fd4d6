// The capability detection against a scripted camera whose lens follows
// every request: the run ends with an error once it gives up, keeps what it
// found before and saves nothing; and the labels of resolutions that share a
// picture size, three of them included.
#include "app/cameras/dialogs/CapabilityTrial.h"
#include "app/cameras/dialogs/ResolutionEntry.h"
#include "app/core/ICapabilitiesCallback.h"
#include "app/pictures/PictureFromCamera.h"
#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

using Setting = ICapabilityTrialCamera::Setting;

// Accepts every value and moves its lens wherever it is asked.
class EchoingCamera : public ICapabilityTrialCamera {
public:
  bool RunOnCamera(std::function<void(std::stop_token)>) override { return false; }
  void Connect() override { ++connections; }
  void DisConnect() override { --connections; }
  std::string GetModelName() override { return "ECHO"; }
  std::string GetCameraId() override { return "ECHO 1"; }
  Settings ReadSettings() override { return {}; }
  void WriteSettings(const Settings&) override {}
  void PrepareForTest() override {}
  void SetSetting(Setting setting, std::int32_t value) override { values[setting] = value; }
  std::int32_t GetSetting(Setting setting) override { return values[setting]; }
  void SetProgramAuto() override {}
  void ResetElectricZoom() override {}
  std::int32_t MoveOpticalZoom(std::int32_t tenths) override {
    ++zoomRequests;
    return tenths;
  }
  void SetOpticalZoomRange(std::int32_t, std::int32_t) override { zoomRangeSet = true; }
  CRefPtr<IPictureFromCamera> TakeTestPicture() override {
    CRefPtr<IPictureFromCamera> picture;
    picture.Assign(new CPictureFromCamera);
    if (!pictureBytes.empty())
      picture->SetImage(pictureBytes.data(), static_cast<DWORD>(pictureBytes.size()), nullptr, nullptr);
    return picture;
  }
  std::vector<CCapabilityEntry> GetDefaultValues(const char*) override {
    return {{28, " 2.8"}, {40, " 4.0"}};
  }
  CRange GetCapabilityRange(const char*) override { return CRange(0, 3); }
  void StoreCapability(const char* name, const std::vector<CCapabilityEntry>& entries) override {
    stored[name] = entries.size();
  }
  void SaveCapabilities() override { saved = true; }
  std::string GetCapabilityFileName() override { return "ECHO.camd"; }
  void RestoreDefaults() override {}

  std::vector<std::uint8_t> pictureBytes;
  std::map<Setting, std::int32_t> values;
  std::map<std::string, std::size_t> stored;
  int connections = 0;
  int zoomRequests = 0;
  bool zoomRangeSet = false;
  bool saved = false;
};

class Log : public _ICapabilitiesCallback {
public:
  bool LogLine(const char* text) override {
    lines.emplace_back(text);
    return true;
  }
  bool LogIndentedLine(const char* text) override { return LogLine(text); }
  std::vector<std::string> lines;
};

// Runs a trial on the camera, which ends with E_FAIL once its lens has
// followed every request.
void RunUntilTheLensEndsIt(EchoingCamera& camera, Log& log) {
  CCapabilityTrial trial(camera, log, 0, {}, std::chrono::milliseconds(0));
  try {
    trial.Run();
    ADD_FAILURE() << "the run did not fail";
  } catch (const _brantel_take_error& error) {
    EXPECT_EQ(error.Error(), E_FAIL);
  }
}

TEST(CapabilityTrial, ALensThatFollowsEveryRequestEndsTheRunWithAnErrorAndNothingSaved) {
  EchoingCamera camera;
  Log log;
  RunUntilTheLensEndsIt(camera, log);
  EXPECT_EQ(camera.zoomRequests, 2 + CCapabilityTrial::kMaxZoomRequests);
  EXPECT_FALSE(camera.zoomRangeSet);
  EXPECT_FALSE(camera.saved);
  // The apertures and white balances found before the lens stay stored.
  EXPECT_EQ(camera.stored["Aperture"], 2u);
  EXPECT_EQ(camera.stored["WhiteBalance"], 2u);
  EXPECT_EQ(camera.stored.count("ISOSpeed"), 0u);
  EXPECT_EQ(camera.connections, 0);
  EXPECT_EQ(log.lines.front(), "Camera Type: ECHO 1");
  EXPECT_EQ(log.lines.back(), "40 =  4.0");
}

// A small JPEG whose Exif block names the software "V1" and gives an ISO
// speed of four values whose offset lies far outside the block.
std::vector<std::uint8_t> PictureWithAnIsoSpeedOutsideItsExif() {
  const std::vector<std::uint8_t> tiff = {
      'I',  'I',  42, 0, 8, 0, 0, 0,                     // header, first directory at 8
      2,    0,                                           // two entries
      0x31, 0x01, 2,  0, 4, 0, 0, 0, 'V', '1',  0,    0, // software, ASCII, inline
      0x69, 0x87, 4,  0, 1, 0, 0, 0, 38,  0,    0,    0, // Exif directory at 38
      0,    0,    0,  0,                                 // no next directory
      1,    0,                                           // one entry
      0x27, 0x88, 3,  0, 4, 0, 0, 0, 0,   0xFF, 0xFF, 0, // ISO speed: 4 SHORTs out of the block
      0,    0,    0,  0};
  QImage image(8, 8, QImage::Format_RGB32);
  image.fill(Qt::gray);
  QByteArray encoded;
  QBuffer buffer(&encoded);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPG");
  // The Exif marker goes right after the start of image.
  std::vector<std::uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE1, 0, static_cast<std::uint8_t>(2 + 6 + tiff.size()),
                                    'E',  'x',  'i',  'f',  0, 0};
  jpeg.insert(jpeg.end(), tiff.begin(), tiff.end());
  jpeg.insert(jpeg.end(), encoded.begin() + 2, encoded.end());
  return jpeg;
}

TEST(CapabilityTrial, AnExifValueOutsideItsBlockLeavesTheSoftwareAndTheRunGoingOn) {
  EchoingCamera camera;
  camera.pictureBytes = PictureWithAnIsoSpeedOutsideItsExif();
  Log log;
  // The lens ends the run, not the picture's Exif block.
  RunUntilTheLensEndsIt(camera, log);
  EXPECT_NE(std::find(log.lines.begin(), log.lines.end(), "Firmware version: V1"), log.lines.end());
  EXPECT_EQ(camera.stored["WhiteBalance"], 2u);
}

TEST(CapabilityTrial, OfResolutionsOfOneSizeTheLargestFileIsHighAndTheOthersNormal) {
  std::vector<CResolutionEntry> entries = {{4, 1, "JPEG", 640, 480, 300}, {33, 2, "TIFF", 640, 480, 900},
                                           {1, 1, "JPEG", 640, 480, 100}, {49, 3, "RAW", 640, 480, 50},
                                           {9, 1, "JPEG", 640, 480, 200}, {5, 1, "JPEG", 1024, 768, 150}};
  std::sort(entries.begin(), entries.end());
  CResolutionEntry::LabelNeighbours(entries);
  std::vector<std::string> labels;
  for (const CResolutionEntry& entry : entries)
    labels.push_back(std::to_string(entry.Value()) + "=" + entry.Label());
  EXPECT_EQ(labels, (std::vector<std::string>{"1=JPEG 640x480 N", "9=JPEG 640x480 N", "4=JPEG 640x480 H",
                                              "5=JPEG 1024x768", "33=TIFF 640x480", "49=RAW"}));
}

} // namespace
