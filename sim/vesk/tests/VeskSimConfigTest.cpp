// The daemon's set-up from options and files, the fault text, and the control
// commands against an in-process engine.
#include "sim/vesk/VeskSimConfig.h"
#include "sim/vesk/VeskSimControl.h"
#include "sim/vesk/VeskSimEngine.h"

#include "VeskSimTestFixture.h"

#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace tarsel::vesksim;

TEST(Config, FaultTextNamesDeviceActionAndMatch) {
  FaultSetup f;
  std::string error;
  ASSERT_TRUE(VeskSimConfig::parseFault("0 unplug opcode=0xC2 kind=6 number=14 skip=5", f, error)) << error;
  EXPECT_EQ(f.device, 0);
  EXPECT_EQ(f.fault.action, FaultAction::Unplug);
  EXPECT_EQ(f.fault.match.opcode, std::optional<std::uint8_t>(0xC2));
  EXPECT_EQ(f.fault.match.kind, std::optional<std::uint8_t>(6));
  EXPECT_EQ(f.fault.match.number, std::optional<std::uint8_t>(14));
  EXPECT_EQ(f.fault.skip, 5u);
  EXPECT_EQ(f.fault.count, 1u);

  ASSERT_TRUE(VeskSimConfig::parseFault("control win32-error value=5 count=0", f, error));
  EXPECT_EQ(f.device, kControlDevice);
  EXPECT_EQ(f.fault.value, 5u);
  EXPECT_EQ(f.fault.count, 0u);

  const char* bad[] = {"",
                       "0",
                       "x silence",
                       "0 explode",
                       "0 silence opcode=300",
                       "0 silence skip",
                       "0 silence colour=1",
                       "0 silence kind=-1"};
  for (const char* text : bad) {
    FaultSetup ignored;
    EXPECT_FALSE(VeskSimConfig::parseFault(text, ignored, error)) << text;
    EXPECT_FALSE(error.empty());
  }
}

TEST(Config, OptionsBuildCamerasDisksAndFailingNodes) {
  DaemonSetup setup;
  std::string error;
  ASSERT_TRUE(VeskSimConfig::parseArguments(
      {"--dir", "/tmp/x", "--cameras", "2", "--model=KT-300", "--pictures", "1", "--resolution", "4", "--raw",
       "--disk", "--failing-node", "--speed", "2.5", "--fault", "1 silence opcode=0xC0"},
      setup, error))
      << error;
  EXPECT_EQ(setup.dir, "/tmp/x");
  EXPECT_EQ(setup.controlPath, "/tmp/x/vesk-simd.control");
  EXPECT_DOUBLE_EQ(setup.speed, 2.5);
  ASSERT_EQ(setup.devices.size(), 4u);
  EXPECT_EQ(setup.devices[0].model.name, "KT-300");
  EXPECT_EQ(setup.devices[0].model.cameraId, "KT-300 0"); // two of one model differ by their ID
  EXPECT_EQ(setup.devices[1].model.cameraId, "KT-300 1");
  EXPECT_EQ(setup.devices[1].card.jpegCount, 1u);
  EXPECT_EQ(setup.devices[1].card.resolution, 4u);
  EXPECT_TRUE(setup.devices[1].card.raw);
  EXPECT_EQ(setup.devices[2].kind, DeviceKind::Disk);
  EXPECT_EQ(setup.devices[3].kind, DeviceKind::FailingNode);
  ASSERT_EQ(setup.faults.size(), 1u);
  EXPECT_EQ(setup.faults[0].device, 1);

  const std::vector<std::vector<std::string>> bad = {{"--dir"},
                                                     {"--dir", "d", "--cameras", "65"},
                                                     {"--dir", "d", "--model", "NOPE"},
                                                     {"--dir", "d", "--speed", "0"},
                                                     {"--dir", "d", "--bogus"},
                                                     {"--dir", "d", "--block-size", "40000"}};
  for (const auto& args : bad) {
    DaemonSetup s;
    EXPECT_FALSE(VeskSimConfig::parseArguments(args, s, error)) << args.back();
  }
  tarsel::test::ScopedEnv noDir("VESK_DEVICE_DIR", std::nullopt);
  DaemonSetup none;
  EXPECT_FALSE(VeskSimConfig::parseArguments({}, none, error));
  tarsel::test::ScopedEnv dir("VESK_DEVICE_DIR", std::string("/run/sim"));
  ASSERT_TRUE(VeskSimConfig::parseArguments({}, none, error));
  EXPECT_EQ(none.dir, "/run/sim");
  ASSERT_EQ(none.devices.size(), 1u);
  EXPECT_EQ(none.devices[0].model.name, "XC-701");
}

TEST(Config, DemoSetsUpTwoModelsAndAnIdFromTheFileIsKept) {
  tarsel::test::TempDir dir;
  tarsel::test::writeFile(dir.file("left.ini"), "[camera]\ncamera-id = Left\n");
  DaemonSetup setup;
  std::string error;
  ASSERT_TRUE(
      VeskSimConfig::parseArguments({"--dir=d", "--demo", "--config", dir.file("left.ini")}, setup, error));
  ASSERT_EQ(setup.devices.size(), 3u);
  EXPECT_EQ(setup.devices[0].model.cameraId, "XC-701 camera 0");
  EXPECT_EQ(setup.devices[1].model.cameraId, "KT-300 1");
  EXPECT_EQ(setup.devices[2].model.cameraId, "Left");
}

TEST(Config, FileSectionsAddDevicesInOrderAndChangeTheModel) {
  tarsel::test::TempDir dir;
  tarsel::test::writeFile(dir.file("own.jpg"), "\xFF\xD8\xFF\xD9");
  const std::string text = "; simulator set-up\n"
                           "[daemon]\n"
                           "dir = " +
                           dir.path() +
                           "/dev\n"
                           "speed = 4\n"
                           "fault = 0 status kind=0 number=7 value=0x11 count=2\n"
                           "[camera]\n"
                           "product = ZZ-9 TEST CAM\n"
                           "model = XC-702\n"
                           "capture-ms = 40000\n"
                           "block-size = 4096\n"
                           "card = full\n"
                           "file = " +
                           dir.file("own.jpg") +
                           "\n"
                           "reject = nak\n"
                           "[disk]\n"
                           "product = USB STICK\n"
                           "[failing]\n"
                           "error = 1117\n";
  DaemonSetup setup;
  std::string error;
  ASSERT_TRUE(VeskSimConfig::parseConfigText(text, setup, error)) << error;
  EXPECT_EQ(setup.dir, dir.path() + "/dev");
  EXPECT_DOUBLE_EQ(setup.speed, 4.0);
  ASSERT_EQ(setup.devices.size(), 3u);
  const DeviceSetup& cam = setup.devices[0];
  EXPECT_EQ(cam.model.product, "ZZ-9 TEST CAM"); // the model is applied first, then changed
  EXPECT_EQ(cam.model.name, "ZZ-9");
  EXPECT_EQ(cam.model.digitalZooms.size(), 8u);
  EXPECT_EQ(cam.model.captureMs, 40000u);
  EXPECT_EQ(cam.model.blockSize, 4096u);
  EXPECT_EQ(cam.model.rejectPolicy, RejectPolicy::Nak);
  EXPECT_TRUE(cam.card.full);
  ASSERT_EQ(cam.card.files.size(), 1u);
  EXPECT_EQ(cam.card.files[0].first, "own.jpg");
  EXPECT_EQ(cam.card.files[0].second.size(), 4u);
  EXPECT_EQ(setup.devices[1].product, "USB STICK");
  EXPECT_EQ(setup.devices[2].error, 1117u);
  ASSERT_EQ(setup.faults.size(), 1u);
  EXPECT_EQ(setup.faults[0].fault.value, 0x11u);

  const char* bad[] = {"[camera]\nmodel = NONE\n",
                       "[camera]\ncolour = red\n",
                       "[printer]\n",
                       "[camera\n",
                       "just text\n",
                       "[daemon]\nspeed = fast\n",
                       "[camera]\nfile = /nonexistent/x.jpg\n",
                       "[failing]\nerror = many\n"};
  for (const char* t : bad) {
    DaemonSetup s;
    EXPECT_FALSE(VeskSimConfig::parseConfigText(t, s, error)) << t;
  }
}

TEST(Control, FiresListsTheArrivalOfEveryStartedCapture) {
  VeskSimEngine engine;
  engine.addDisk();
  engine.addCamera(*builtinModel("XC-701"), test::smallCard(0));
  VeskSimControl control(engine, {});
  EXPECT_EQ(control.execute("fires"), "ok 1:");
  EXPECT_EQ(control.execute("set 1 1 1"), "ok"); // small pictures

  const auto connection = engine.connect(1);
  test::VeskTestHost host([&](const Request& r) { return connection->handle(r); });
  const auto now = [] { return std::chrono::steady_clock::now().time_since_epoch().count(); };
  EXPECT_EQ(control.execute("fault 1 status kind=2 number=2 value=0x11 count=3"), "ok 1");
  EXPECT_EQ(host.runAction(2, 0).error, 15); // refused as busy: no capture, no stamp
  const auto before = now();
  ASSERT_EQ(host.runAction(2, 0).error, 0);
  const auto after = now();
  ASSERT_EQ(host.runAction(5, 0).error, 0); // a preview is no capture

  const std::string fires = control.execute("fires");
  ASSERT_EQ(fires.rfind("ok 1:", 0), 0u) << fires;
  const auto stamp = std::stoll(fires.substr(5));
  EXPECT_TRUE(before <= stamp && stamp <= after) << fires; // one stamp, on the monotonic clock
  EXPECT_EQ(control.execute("fires 1"), fires);
  EXPECT_EQ(control.execute("fires 0"), "error not a camera");
}

TEST(Control, CommandsDriveTheEngine) {
  VeskSimEngine engine;
  CardSetup card;
  card.jpegCount = 2;
  card.resolution = 1;
  engine.addCamera(*builtinModel("XC-701"), card);
  engine.addDisk();
  bool stopped = false;
  VeskSimControl control(engine, [&stopped] { stopped = true; });

  EXPECT_EQ(control.execute("list"), "ok 0:camera:XC-701:present 1:disk:present");
  EXPECT_EQ(control.execute("count"), "ok 2");
  EXPECT_EQ(control.execute("unplug 1"), "ok");
  EXPECT_EQ(control.execute("unplug 1"), "error refused");
  EXPECT_EQ(control.execute("count"), "ok 1");
  EXPECT_EQ(control.execute("plug 1"), "ok");
  EXPECT_EQ(control.execute("set 0 7 3"), "ok");
  EXPECT_EQ(control.execute("get 0 7"), "ok 3");
  EXPECT_EQ(control.execute("get 0 200"), "error no such register");
  EXPECT_EQ(control.execute("object 0 69"), "ok 000000000a000000");
  EXPECT_EQ(control.execute("get 1 7"), "error not a camera");
  EXPECT_EQ(control.execute("get 9 7"), "error no such device");
  EXPECT_EQ(control.execute("fault 0 silence opcode=0xC0"), "ok 1");
  EXPECT_EQ(control.execute("fault 0 explode"), "error fault: unknown action explode");
  EXPECT_EQ(control.execute("fired 0 1"), "ok 0");
  EXPECT_EQ(control.execute("clear-faults"), "ok");
  EXPECT_EQ(control.execute("take 0"), "ok");
  const std::string pictures = control.execute("pictures 0");
  EXPECT_EQ(pictures.rfind("ok 3 SIM_0001.JPG:", 0), 0u) << pictures;
  EXPECT_EQ(control.execute("protect 0 1 1"), "ok");
  EXPECT_NE(control.execute("pictures 0").find(":protected"), std::string::npos);
  EXPECT_EQ(control.execute("card 0 full"), "ok");
  EXPECT_EQ(control.execute("take 0"), "error refused");
  EXPECT_EQ(control.execute("card 0 none"), "ok");
  EXPECT_EQ(control.execute("get 0 10"), "ok 0");
  EXPECT_EQ(control.execute("card 0 present"), "ok");
  EXPECT_EQ(control.execute("battery 0 20"), "ok");
  EXPECT_EQ(control.execute("stats 0"),
            "ok requests=0 violations=0 status09ff=0 status9fff=0 faults=0 pictures-read=0");
  EXPECT_EQ(control.execute("violations 0"), "ok 0");

  tarsel::test::TempDir dir;
  tarsel::test::writeFile(dir.file("extra.jpg"), "JPEGDATA");
  EXPECT_EQ(control.execute("capacity 0 1000000000"), "ok");
  EXPECT_EQ(control.execute("add 0 " + dir.file("extra.jpg")), "ok");
  EXPECT_EQ(control.execute("dump 0 " + dir.file("card")), "ok 4");
  EXPECT_EQ(tarsel::test::readFile(dir.file("card/extra.jpg")), "JPEGDATA");
  EXPECT_EQ(control.execute("frobnicate 0"), "error unknown command frobnicate");
  EXPECT_EQ(control.execute(""), "error empty command");
  EXPECT_FALSE(stopped);
  EXPECT_EQ(control.execute("quit"), "ok");
  EXPECT_TRUE(stopped);
}
