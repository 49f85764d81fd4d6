// The camera object over the real camera-link library, loaded at run time,
// and the vesk-simd daemon's cameras: takes, transfers, the card afterwards,
// bypassing the card, a camera unplugged in the middle of a transfer, the
// camera's clock, a lens that ignores small zoom steps, and the card records.
#include "VeskSimulatedCamera.h"

#include "app/cameras/vesk/VeskDllWr.h"
#include "app/cameras/vesk/VeskLibrary.h"
#include "app/cameras/vesk/VeskSdkWrapper.h"
#include "app/pictures/PictureFromCamera.h"
#include "app/settings/TarselSettings.h"
#include "app/testsupport/VeskSimulator.h"
#include "env/TarselFileTime.h"
#include "hostapi/RefPtr.h"
#include "platform/Win32Error.h"
#include "platform/reg/Registry.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <sstream>

using tarsel::test::ScopedEnv;
using tarsel::test::TempDir;
using tarsel::vesk::test::LogHome;
using tarsel::vesk::test::SimulatedCamera;

namespace {

class BypassingCamera : public SimulatedCamera {
protected:
  DWORD bypassMedia() const override { return 1; }
};

std::string bytesOf(CPictureFromCamera& picture) {
  const auto data = picture.GetDataSnapshot();
  return data ? std::string(data->begin(), data->end()) : std::string();
}

} // namespace

TEST_F(SimulatedCamera, TakenPictureArrivesByteForByteThenIsKeptOrErased) {
  EXPECT_STREQ(camera->GetCameraId(), "XC-701");
  ASSERT_EQ(camera->Capture(0, false), 0);
  ASSERT_EQ(daemon.pictures(0), 3);
  TempDir card;
  daemon.control("dump 0 " + card.path());

  CRefPtr<CPictureFromCamera> kept(new CPictureFromCamera);
  ASSERT_EQ(transfer(kept.get(), 1 | 2), 0);
  ASSERT_TRUE(std::filesystem::exists(card.file(kept->GetFileName()))) << kept->GetFileName();
  EXPECT_TRUE(bytesOf(*kept) == tarsel::test::readFile(card.file(kept->GetFileName())));
  EXPECT_EQ(daemon.pictures(0), 3);

  CRefPtr<CPictureFromCamera> erased(new CPictureFromCamera);
  ASSERT_EQ(transfer(erased.get(), 0), 0);
  EXPECT_TRUE(bytesOf(*erased) == bytesOf(*kept));
  EXPECT_EQ(daemon.pictures(0), 2);
  EXPECT_EQ(camera->GetConnectionCount(), 0u);
  EXPECT_EQ(home.entries(), 0) << home.log();
}

TEST_F(SimulatedCamera, UnpluggedDuringTheTransferLeavesThePictureOnTheCard) {
  ASSERT_EQ(camera->Capture(0, false), 0);
  ASSERT_EQ(daemon.pictures(0), 3);
  daemon.control("fault 0 unplug opcode=0xC2 kind=6 number=14 skip=1");
  CRefPtr<CPictureFromCamera> picture(new CPictureFromCamera);
  EXPECT_EQ(transfer(picture.get(), 0), static_cast<HRESULT>(0x8104001Au));
  EXPECT_EQ(picture->GetDataSnapshot(), nullptr);
  EXPECT_EQ(camera->GetConnectionCount(), 0u);
  EXPECT_EQ(home.entries(), 1) << home.log();
  daemon.control("plug 0");
  EXPECT_EQ(daemon.pictures(0), 3);
}

TEST_F(BypassingCamera, CaptureSkipsTheCardAndTheRecordIsRestored) {
  ASSERT_EQ(camera->Capture(0, false), 0);
  EXPECT_EQ(camera->GetCaptureRecord()[0], 2);
  EXPECT_EQ(daemon.pictures(0), 2);
  CRefPtr<CPictureFromCamera> picture(new CPictureFromCamera);
  ASSERT_EQ(transfer(picture.get(), 0), 0);
  const std::string bytes = bytesOf(*picture);
  ASSERT_GT(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xD8");
  EXPECT_EQ(daemon.pictures(0), 2);
  EXPECT_EQ(camera->GetCaptureRecord()[0], 0);
  EXPECT_EQ(camera->GetConnectionCount(), 0u);
}

namespace {

FILETIME utcFileTime(WORD year, WORD month, WORD day, WORD hour) {
  SYSTEMTIME fields;
  fields.wYear = year;
  fields.wMonth = month;
  fields.wDay = day;
  fields.wHour = hour;
  return TarselFileTime(fields).fileTime();
}

// Seconds since 1970 of a FILETIME (its count of 100 ns since 1601).
long long secondsOf(const FILETIME& time) {
  return static_cast<long long>(((std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime) /
                                10000000u) -
         11644473600LL;
}

} // namespace

TEST_F(SimulatedCamera, ClockIsExchangedAsUtcPast2038AndRefusesTimesBefore1970) {
  // The camera's clock runs a thousand times fast here: compare within an hour.
  const auto cameraSeconds = [&] { return std::stoll(daemon.control("get 0 2")); };
  const auto readBack = [&] {
    FILETIME time;
    camera->GetPropCameraTime(&time);
    return secondsOf(time);
  };
  for (const char* zone : {"UTC", "America/New_York"}) {
    ScopedEnv timeZone("TZ", zone);
    tzset();
    camera->SetPropCameraTime(utcFileTime(2026, 7, 1, 12));
    // date -u -d @1782907200: Wed Jul  1 12:00:00 UTC 2026
    EXPECT_LE(std::llabs(cameraSeconds() - 1782907200LL), 3600) << zone;
    EXPECT_LE(std::llabs(readBack() - 1782907200LL), 3600) << zone;
  }
  tzset();
  // date -u -d @2214129600: Wed Feb 29 12:00:00 UTC 2040
  camera->SetPropCameraTime(utcFileTime(2040, 2, 29, 12));
  EXPECT_LE(std::llabs(cameraSeconds() - 2214129600LL), 3600);
  EXPECT_LE(std::llabs(readBack() - 2214129600LL), 3600);

  HRESULT refused = 0;
  try {
    camera->SetPropCameraTime(utcFileTime(1969, 12, 31, 23));
  } catch (const _brantel_take_error& error) {
    refused = error.Error();
  }
  EXPECT_EQ(refused, E_INVALIDARG);
  EXPECT_LE(std::llabs(cameraSeconds() - 2214129600LL), 3600);
  EXPECT_EQ(home.entries(), 0) << home.log();
}

TEST_F(SimulatedCamera, ALensThatIgnoresSmallStepsIsNudgedUntilItMoves) {
  double factor = 0;
  EXPECT_EQ(camera->GetPropOpticalZoom(&factor), 73);
  EXPECT_DOUBLE_EQ(factor, 7.3);
  EXPECT_EQ(camera->SetPropOpticalZoom(74, &factor), 76);
  EXPECT_DOUBLE_EQ(factor, 7.6);
  EXPECT_EQ(camera->SetPropOpticalZoom(75, nullptr), 73);
  EXPECT_EQ(camera->SetPropOpticalZoom(73, nullptr), 73);
  EXPECT_EQ(camera->SetPropOpticalZoom(150, nullptr), 150);
  EXPECT_EQ(camera->GetPropOpticalZoom(nullptr), 150);
  // At the lens's end a nudge moves nothing: the stepping gives up.
  EXPECT_EQ(camera->SetPropOpticalZoom(500, nullptr), 210);
  EXPECT_EQ(camera->SetPropOpticalZoom(211, nullptr), 210);
  EXPECT_EQ(camera->GetConnectionCount(), 0u);
  EXPECT_EQ(daemon.control("violations 0"), "0");
  EXPECT_EQ(home.entries(), 0) << home.log();
}

TEST_F(SimulatedCamera, CardRecordsCameraIdAndStoredPicturesReachTheCamera) {
  EXPECT_TRUE(camera->GetMemoryProp());
  EXPECT_EQ(camera->GetCameraProp(), 2);
  // The memory record's free bytes: bytes 72..75 of object 67, low byte first.
  const std::string record = daemon.control("object 0 67");
  EXPECT_EQ(camera->GetMemoryFree(), std::stoll(record.substr(150, 2) + record.substr(148, 2) +
                                                    record.substr(146, 2) + record.substr(144, 2),
                                                nullptr, 16));
  camera->SetPropCameraID("Studio left");
  EXPECT_STREQ(camera->GetCameraName(), "Studio left");
  EXPECT_EQ(camera->GetPropCameraID(), "Studio left");
  camera->SetPropCurrentPicture(2);
  camera->SetPropProtect(true);
  EXPECT_TRUE(camera->GetPropProtect());
  camera->SetPropCurrentPicture(1);
  camera->ErasePicture();
  EXPECT_EQ(camera->GetCameraProp(), 1);
  EXPECT_NE(daemon.control("pictures 0").find(":protected"), std::string::npos);
}
