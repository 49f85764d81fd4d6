#include "SimFixture.h"

#include "vantic/PacketCodec.h"
#include "vantic/PortLayer.h"
#include "vantic/SimUsbTransport.h"

#include <chrono>
#include <thread>

using namespace tarsel::vantic;
using namespace tarsel::vantic::test;

namespace {

using SimUsb = SimFixture;

std::string usbConfig(const char* vendor, const char* product, int pictureSize) {
  return std::string(R"({"usb": {"vendor_id": ")") + vendor + R"(", "product_id": ")" + product +
         R"("}, "thumbnail_prefix": "000102", "pictures": [{"size": )" + std::to_string(pictureSize) +
         R"(}, {"size": 7000}]})";
}

bool fetchMatches(SimProcess& sim, int index, int size, int& code) {
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(size));
  code = Cam_get_picture_buffer(buffer.data(), index, size);
  return code == 0 && sha256Hex(buffer.data(), buffer.size()) == sim.picture(index)["sha256"].text;
}

} // namespace

TEST_F(SimUsb, LargeBlockCameraDownloadsMegabytesAndTakesRegisters) {
  const int size = 2 * 1024 * 1024 + 5;
  START_OR_RETURN(startUsb({"--time-scale", "0"}, usbConfig("0x0474", "0x0001", size)));
  ASSERT_EQ(Cam_set_port(0), CAM_PORT_USB); // automatic: USB first, no serial port opened
  sim->takeLog();
  ASSERT_EQ(Cam_session_enabled(1), 0);
  const Bytes opened = receivedBytes(settledLog(*sim));
  Bytes expected{0x80, 0x06, 0x00, 0x01, 0x00, 0x00, 0x12, 0x00};
  const auto speed = PacketCodec::writeRegister(17, 2, 'S');
  expected.insert(expected.end(), speed.begin(), speed.end());
  const auto ready = PacketCodec::readRegister(18);
  expected.insert(expected.end(), ready.begin(), ready.end());
  expected.push_back(kAck);
  EXPECT_EQ(opened, expected);
  EXPECT_EQ(CameraLibrary::instance().state().usb.largeBlocks, 1);

  EXPECT_EQ(Cam_set_flash_mode(3), 0);
  EXPECT_EQ(Cam_get_flash_mode(), 3);
  EXPECT_EQ(Cam_set_metering_mode(1), CAM_OUT_OF_RANGE);
  int code = -1;
  EXPECT_TRUE(fetchMatches(*sim, 1, size, code)) << code << " " << Cam_error() << " " << Cam_get_state();
  char id[32];
  EXPECT_EQ(Cam_get_id(id), 0);
  EXPECT_EQ(Cam_set_id("USB"), 0);
  EXPECT_EQ(Cam_get_id(id), 0);
  EXPECT_STREQ(id, "USB");
  std::vector<std::uint8_t> upload(70000, 0x3C);
  EXPECT_EQ(Cam_load_picture_data(upload.data(), static_cast<int>(upload.size())), 0);
  EXPECT_EQ(Cam_write_loaded_data(), 0);
  EXPECT_TRUE(waitReady());
  EXPECT_EQ(Cam_session_enabled(0), 0);
  EXPECT_EQ(PortLayer::instance().openHandle(), -1);
}

TEST_F(SimUsb, SmallBlockCameraMovesItsThumbnailToTheJpegStart) {
  START_OR_RETURN(startUsb({"--time-scale", "0"}, usbConfig("0x04B8", "0x0402", 50000)));
  connect(CAM_PORT_USB, 0);
  EXPECT_EQ(CameraLibrary::instance().state().usb.largeBlocks, 0);
  int code = -1;
  EXPECT_TRUE(fetchMatches(*sim, 1, 50000, code)) << code;
  const Json picture = sim->picture(1);
  const int thumbSize = Cam_get_thumbnail_size(1);
  ASSERT_EQ(thumbSize, static_cast<int>(picture["thumbnail_size"].integer()));
  std::vector<std::uint8_t> thumb(static_cast<std::size_t>(thumbSize));
  ASSERT_EQ(Cam_get_thumbnail_buffer(thumb.data(), 1, thumbSize), 0);
  ASSERT_GE(thumb.size(), 5u);
  EXPECT_EQ(thumb[0], 0xFF);
  EXPECT_EQ(thumb[1], 0xD8);
  // Put the three prefix bytes back in front: the camera's own thumbnail.
  Bytes original{0x00, 0x01, 0x02};
  original.insert(original.end(), thumb.begin(), thumb.end() - 3);
  EXPECT_EQ(sha256Hex(original.data(), original.size()), picture["thumbnail_sha256"].text);
}

TEST_F(SimUsb, ChecksumsFromTheUnverifiedVendorAreNotCheckedAndPreReadsPrecedeReads) {
  START_OR_RETURN(startUsb({"--time-scale", "0"}, usbConfig("0x04B0", "0x0102", 40000)));
  connect(CAM_PORT_USB, 0);
  const auto& usb = CameraLibrary::instance().state().usb;
  EXPECT_EQ(usb.preReadRequest, 1);
  EXPECT_EQ(usb.largeBlocks, 1);
  const int preReads = PortLayer::instance().preReadCount();
  sim->fault("bad-checksum@op=1");
  EXPECT_EQ(Cam_get_flash_mode(), static_cast<int>(sim->registers()["registers"]["7"].integer()));
  EXPECT_GT(PortLayer::instance().preReadCount(), preReads);
  sim->clearFaults();
}

TEST_F(SimUsb, UsbFaultsEndInTheirCodes) {
  START_OR_RETURN(startUsb({"--time-scale", "0"}, usbConfig("0x04B8", "0x0402", 40000)));
  connect(CAM_PORT_USB, 0);
  sim->fault("nak@op=0");
  EXPECT_EQ(Cam_set_flash_mode(1), CAM_NAK_RESPONSE);
  sim->clearFaults();
  EXPECT_EQ(Cam_set_flash_mode(1), 0);

  // A malformed block from a USB camera is a pipe failure, never retried here.
  sim->fault("bad-checksum@op=4");
  int code = -1;
  EXPECT_FALSE(fetchMatches(*sim, 1, 40000, code));
  EXPECT_EQ(code, CAM_USB_FAILED);
  sim->clearFaults();
  EXPECT_TRUE(fetchMatches(*sim, 1, 40000, code)) << code;

  // Fewer bytes than the size register announced.
  ASSERT_TRUE(sim->request(R"({"op":"set-register","reg":4,"value":1})")["ok"].boolean);
  ASSERT_TRUE(sim->request(R"({"op":"set-register","reg":12,"value":40050})")["ok"].boolean);
  EXPECT_FALSE(fetchMatches(*sim, 1, 40050, code));
  EXPECT_EQ(code, CAM_BAD_RESPONSE);

  sim->fault("session-end@op=1");
  EXPECT_EQ(Cam_get_picture_size(2), 7000);
  EXPECT_EQ(Cam_get_state(), CAM_STATE_OPEN);
}

TEST_F(SimUsb, EverySessionEndIsReopenedNotOnlyTheFirstFour) {
  START_OR_RETURN(startUsb({"--time-scale", "0"}, usbConfig("0x04B8", "0x0402", 40000)));
  connect(CAM_PORT_USB, 0);
  for (int round = 0; round < 6; ++round) {
    sim->fault("session-end@op=0");
    EXPECT_EQ(Cam_set_flash_mode(round % 3), 0) << round;
  }
}

TEST_F(SimUsb, ASecondHolderIsRefusedWhileTheSessionHoldsTheCamera) {
  START_OR_RETURN(startUsb({"--time-scale", "0"}, usbConfig("0x04B8", "0x0402", 40000)));
  connect(CAM_PORT_USB, 0);
  SimUsbTransport other(sim->endpoint(), 500);
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;
  EXPECT_FALSE(other.open(vendor, product));
  EXPECT_EQ(Cam_set_flash_mode(1), 0);
  ASSERT_EQ(Cam_session_enabled(0), 0);
  EXPECT_TRUE(other.open(vendor, product));
  EXPECT_EQ(vendor, 0x04B8);
}

TEST_F(SimUsb, BusyPollWithoutEnqFailsAndTheNextOperationReopens) {
  START_OR_RETURN(startUsb({"--time-scale", "0.01"}, usbConfig("0x04B8", "0x0402", 40000)));
  connect(CAM_PORT_USB, 0);
  CameraLibrary::instance().timings().busyPercent = 2;
  CameraLibrary::instance().timings().keepAliveMs = 0;
  sim->fault("no-enq@action=2");
  EXPECT_EQ(Cam_take_pic(), 0);
  // The poll waits for ENQ up to the action's deadline, then gives the camera up.
  EXPECT_EQ(Cam_get_state(), CAM_STATE_FAILED);
  sim->clearFaults();
  EXPECT_EQ(Cam_set_flash_mode(2), 0);
  EXPECT_EQ(Cam_get_state(), CAM_STATE_OPEN);

  // With ENQ the poll returns the camera to the open state.
  EXPECT_EQ(Cam_take_pic(), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(Cam_get_state(), CAM_STATE_OPEN);
}

TEST_F(SimUsb, ACameraThatGoesAwayFailsThePipe) {
  START_OR_RETURN(startUsb({"--time-scale", "0"}, usbConfig("0x04B8", "0x0402", 40000)));
  connect(CAM_PORT_USB, 0);
  sim.reset();
  EXPECT_EQ(Cam_get_flash_mode(), -1);
  EXPECT_EQ(Cam_error(), CAM_USB_FAILED);
  EXPECT_EQ(Cam_set_flash_mode(1), CAM_NO_PORT); // re-opening finds no camera
}

TEST_F(SimUsb, TheCallersTimeLimitCutsTheWaitForABusyCameraWithoutGivingItUp) {
  START_OR_RETURN(startUsb({"--time-scale", "1"}, R"({"busy_ms": {"2": 1200}})"));
  connect(CAM_PORT_USB, 0);
  ASSERT_EQ(Cam_take_pic(), 0);
  VanticSetTimeLimit(200);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Cam_ready(), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
  EXPECT_EQ(Cam_get_state(), CAM_STATE_BUSY);
  VanticSetTimeLimit(0);
  EXPECT_TRUE(waitReady());
}
