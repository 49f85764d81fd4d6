// The scope guard around a camera's session, on a camera of the test family.
#include "app/ui/CameraConnectGuard.h"
#include "app/testcamera/FakeCamera.h"
#include "app/testcamera/FakeCameraFamily.h"
#include "env/BrantelTakeError.h"

#include <gtest/gtest.h>

namespace {

using tarsel::testcamera::CameraOp;
using tarsel::testcamera::FakeCameraFamily;

TEST(CameraConnectGuard, ConnectsForItsScopeAndNests) {
  FakeCameraFamily family;
  auto camera = family.makeCamera(0);
  {
    CCameraConnectGuard outer(camera.get());
    EXPECT_EQ(1, camera->connectDepth());
    {
      CCameraConnectGuard inner(camera.get());
      EXPECT_EQ(2, camera->connectDepth());
    }
    EXPECT_EQ(1, camera->connectDepth());
  }
  EXPECT_EQ(0, camera->connectDepth());
  EXPECT_EQ(2, camera->script().calls(CameraOp::Connect));
  EXPECT_EQ(2, camera->script().calls(CameraOp::DisConnect));
}

TEST(CameraConnectGuard, AFailedConnectThrowsAndDisconnectsNothing) {
  FakeCameraFamily family;
  auto camera = family.makeCamera(0);
  camera->script().failNext(CameraOp::Connect, static_cast<HRESULT>(0x81040005u));
  try {
    CCameraConnectGuard guard(camera.get());
    FAIL() << "no error";
  } catch (const _brantel_take_error& error) {
    EXPECT_EQ(static_cast<HRESULT>(0x81040005u), error.Error());
  }
  EXPECT_EQ(0, camera->script().calls(CameraOp::DisConnect));
}

TEST(CameraConnectGuard, AFailedDisconnectDoesNotLeaveTheDestructor) {
  FakeCameraFamily family;
  auto camera = family.makeCamera(0);
  camera->script().failNext(CameraOp::DisConnect, static_cast<HRESULT>(0x81040006u));
  EXPECT_NO_THROW({ CCameraConnectGuard guard(camera.get()); });
  EXPECT_EQ(1, camera->script().calls(CameraOp::DisConnect));
  EXPECT_NO_THROW({ CCameraConnectGuard guard(nullptr); });
}

} // namespace
