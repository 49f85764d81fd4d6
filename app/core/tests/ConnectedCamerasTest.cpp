#include "app/core/ConnectedCameras.h"

#include "app/testcamera/FakeCamera.h"
#include "app/testcamera/FakeCameraFamily.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using tarsel::testcamera::FakeCamera;
using tarsel::testcamera::FakeCameraFamily;

namespace {

// Three fresh cameras of `family`, added to `list` in order.
std::vector<ICameraHiLevel*> addThree(FakeCameraFamily& family, CConnectedCameras& list) {
  std::vector<ICameraHiLevel*> cameras;
  for (int i = 0; i < 3; ++i) {
    cameras.push_back(family.makeCamera(i).release());
    list.Add(cameras.back());
  }
  return cameras;
}

int serialOf(ICameraHiLevel* camera) {
  return static_cast<FakeCamera*>(camera)->serial();
}

} // namespace

TEST(ConnectedCameras, GetAtAnswersNullOutsideTheList) {
  FakeCameraFamily family;
  CConnectedCameras list;
  const std::vector<ICameraHiLevel*> cameras = addThree(family, list);

  EXPECT_EQ(list.GetCount(), 3);
  EXPECT_EQ(list.GetAt(0), cameras[0]);
  EXPECT_EQ(list.GetAt(2), cameras[2]);
  EXPECT_EQ(list.GetAt(3), nullptr);
  EXPECT_EQ(list.GetAt(-1), nullptr);
  EXPECT_EQ(list.GetAt(1 << 30), nullptr);
}

TEST(ConnectedCameras, RemoveHandsTheCameraOverWithoutDeletingIt) {
  FakeCameraFamily family;
  std::unique_ptr<ICameraHiLevel> taken;
  int takenSerial = 0;
  {
    CConnectedCameras list;
    const std::vector<ICameraHiLevel*> cameras = addThree(family, list);

    list.Remove(cameras[1]);
    taken.reset(cameras[1]);
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.GetAt(1), cameras[2]);

    list.RemoveAt(0);
    std::unique_ptr<ICameraHiLevel> first(cameras[0]);
    takenSerial = serialOf(cameras[1]);
    EXPECT_EQ(list.GetCount(), 1);
    EXPECT_EQ(family.camerasDestroyed(), 0);

    // Out of range and unknown pointers change nothing.
    list.RemoveAt(5);
    list.RemoveAt(-1);
    list.Remove(cameras[1]);
    EXPECT_EQ(list.GetCount(), 1);
  }
  // The list deleted only the camera it still held, and the first camera
  // went with its unique_ptr.
  EXPECT_EQ(family.camerasDestroyed(), 2);
  EXPECT_EQ(family.timesDestroyed(takenSerial), 0);
  taken.reset();
  EXPECT_EQ(family.timesDestroyed(takenSerial), 1);
  EXPECT_EQ(family.camerasDestroyed(), 3);
}

TEST(ConnectedCameras, RemoveAndDeleteDeletesExactlyTheCameraNamed) {
  FakeCameraFamily family;
  CConnectedCameras list;
  const std::vector<ICameraHiLevel*> cameras = addThree(family, list);
  std::unique_ptr<FakeCamera> foreign = family.makeCamera(9);
  const int serials[] = {serialOf(cameras[0]), serialOf(cameras[1]), serialOf(cameras[2])};

  list.RemoveAndDelete(foreign.get());
  list.RemoveAndDelete(nullptr);
  list.RemoveAndDeleteAt(3);
  list.RemoveAndDeleteAt(-1);
  EXPECT_EQ(list.GetCount(), 3);
  EXPECT_EQ(family.camerasDestroyed(), 0);

  list.RemoveAndDelete(cameras[1]);
  EXPECT_EQ(family.timesDestroyed(serials[1]), 1);
  EXPECT_EQ(list.GetCount(), 2);
  EXPECT_EQ(list.GetAt(1), cameras[2]);

  list.RemoveAndDeleteAt(0);
  EXPECT_EQ(family.timesDestroyed(serials[0]), 1);
  EXPECT_EQ(family.timesDestroyed(serials[2]), 0);
  EXPECT_EQ(list.GetAt(0), cameras[2]);
  EXPECT_EQ(family.camerasDestroyed(), 2);
}

TEST(ConnectedCameras, ClearAndTheDestructorDeleteEveryCameraOnce) {
  FakeCameraFamily family;
  std::vector<int> serials;
  {
    CConnectedCameras list;
    for (ICameraHiLevel* camera : addThree(family, list))
      serials.push_back(serialOf(camera));
    list.Clear();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetAt(0), nullptr);
    list.Clear();
    for (const int serial : serials)
      EXPECT_EQ(family.timesDestroyed(serial), 1);
    for (ICameraHiLevel* camera : addThree(family, list))
      serials.push_back(serialOf(camera));
  }
  for (const int serial : serials)
    EXPECT_EQ(family.timesDestroyed(serial), 1);
  EXPECT_EQ(family.camerasCreated(), 6);
  EXPECT_EQ(family.camerasDestroyed(), 6);
}

TEST(ConnectedCameras, AddingACameraTwiceOrNullKeepsOneEntry) {
  FakeCameraFamily family;
  {
    CConnectedCameras list;
    ICameraHiLevel* camera = family.makeCamera(0).release();
    list.Add(camera);
    list.Add(camera);
    list.Add(nullptr);
    EXPECT_EQ(list.GetCount(), 1);
  }
  EXPECT_EQ(family.camerasDestroyed(), 1);
}

TEST(ConnectedCameras, AFamilyEnumeratesIntoTheListWhichThenOwnsTheCameras) {
  FakeCameraFamily family;
  family.setCameraCount(2);
  {
    CConnectedCameras list;
    EXPECT_EQ(family.EnumerateCameras(nullptr, &list), 2);
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_STREQ(list.GetAt(0)->GetCameraName(), "Test Camera 1");
    EXPECT_STREQ(list.GetAt(1)->GetCameraName(), "Test Camera 2");
    EXPECT_EQ(list.GetAt(1)->GetSdk(), &family);
  }
  EXPECT_EQ(family.camerasDestroyed(), 2);
}
