// The watcher of a device-node folder and the product's watcher over it:
// nodes appearing and going in a real folder reach the signals, other
// entries do not.
#include "app/frame/DeviceFolderWatcher.h"
#include "app/frame/DeviceWatcher.h"
#include "app/testsupport/EventPump.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using tarsel::frame::DeviceFolderWatcher;
using tarsel::frame::IDeviceWatcher;
using tarsel::test::pumpUntil;
using tarsel::test::TempDir;

namespace {

struct Counts {
  int arrived = 0;
  int removed = 0;
};

void count(IDeviceWatcher& watcher, Counts& counts) {
  QObject::connect(&watcher, &IDeviceWatcher::deviceArrived, [&counts] { ++counts.arrived; });
  QObject::connect(&watcher, &IDeviceWatcher::deviceRemoved, [&counts] { ++counts.removed; });
}

} // namespace

TEST(DeviceFolderWatcher, NodesArrivingAndLeavingEmitTheSignalsOtherEntriesNothing) {
  const TempDir folder;
  EXPECT_EQ(DeviceFolderWatcher::Create(folder.file("missing"), "Node"), nullptr);
  auto watcher = DeviceFolderWatcher::Create(folder.path(), "Node");
  ASSERT_NE(watcher, nullptr);
  Counts counts;
  count(*watcher, counts);

  // Entries that are no nodes come first: events arrive in order, so had
  // they counted, the node's arrival would find a count of 2.
  tarsel::test::writeFile(folder.file("Node"), "control device");
  tarsel::test::writeFile(folder.file("Node1x"), "");
  tarsel::test::writeFile(folder.file("other"), "");
  tarsel::test::writeFile(folder.file("Node1"), "");
  ASSERT_TRUE(pumpUntil([&] { return counts.arrived > 0; }));
  EXPECT_EQ(counts.arrived, 1);
  EXPECT_EQ(counts.removed, 0);

  std::remove(folder.file("other").c_str());
  std::remove(folder.file("Node1").c_str());
  ASSERT_TRUE(pumpUntil([&] { return counts.removed > 0; }));
  EXPECT_EQ(counts.arrived, 1);
  EXPECT_EQ(counts.removed, 1);

  // A node moved in arrives too.
  tarsel::test::writeFile(folder.file("elsewhere"), "");
  std::rename(folder.file("elsewhere").c_str(), folder.file("Node12").c_str());
  ASSERT_TRUE(pumpUntil([&] { return counts.arrived == 2; }));
}

TEST(DeviceWatcher, TheProductsWatcherSeesTheCameraLinkDeviceFolderWhenOneIsSet) {
  const TempDir folder;
  tarsel::test::ScopedEnv devices("VESK_DEVICE_DIR", folder.path());
  auto watcher = tarsel::frame::MakeDeviceWatcher();
  ASSERT_NE(watcher, nullptr);
  Counts counts;
  count(*watcher, counts);
  tarsel::test::writeFile(folder.file("BrantelVesk0"), "");
  ASSERT_TRUE(pumpUntil([&] { return counts.arrived == 1; }));
  std::remove(folder.file("BrantelVesk0").c_str());
  ASSERT_TRUE(pumpUntil([&] { return counts.removed == 1; }));
  EXPECT_EQ(counts.arrived, 1);
}

TEST(DeviceWatcher, TheProductsWatcherSeesTheCameraSimulatorsUsbSocketAndNothingElseBesideIt) {
  const TempDir folder;
  tarsel::test::ScopedEnv usb("TARSEL_VANTIC_USB", "sim:" + folder.file("camera.sock"));
  auto watcher = tarsel::frame::MakeDeviceWatcher();
  ASSERT_NE(watcher, nullptr);
  Counts counts;
  count(*watcher, counts);
  // Its neighbours, and names that only begin like it, are no camera.
  tarsel::test::writeFile(folder.file("camera.sock1"), "");
  tarsel::test::writeFile(folder.file("camera"), "");
  tarsel::test::writeFile(folder.file("camera.sock"), "");
  ASSERT_TRUE(pumpUntil([&] { return counts.arrived > 0; }));
  EXPECT_EQ(counts.arrived, 1);
  std::remove(folder.file("camera.sock1").c_str());
  std::remove(folder.file("camera.sock").c_str());
  ASSERT_TRUE(pumpUntil([&] { return counts.removed > 0; }));
  EXPECT_EQ(counts.removed, 1);
  EXPECT_EQ(counts.arrived, 1);
}
