// The camera object over the real camera-link library, loaded at run time,
// and the vesk-simd daemon's cameras: takes, transfers, the card afterwards,
// bypassing the card, and a camera unplugged in the middle of a transfer.
#include "VeskSimulatedCamera.h"

#include "app/cameras/vesk/VeskDllWr.h"
#include "app/cameras/vesk/VeskLibrary.h"
#include "app/cameras/vesk/VeskSdkWrapper.h"
#include "app/pictures/PictureFromCamera.h"
#include "app/settings/TarselSettings.h"
#include "app/testsupport/VeskSimulator.h"
#include "hostapi/RefPtr.h"
#include "platform/reg/Registry.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

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
