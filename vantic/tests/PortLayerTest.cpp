#include "vantic/PortLayer.h"
#include "vantic/UsbModes.h"
#include "vantic/Vantic.h"

#include "FakeUsbCamera.h"
#include "PtyPair.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>

#include <sys/ioctl.h>
#include <termios.h>

using namespace tarsel::vantic;
using tarsel::test::ScopedEnv;
using tarsel::test::TempDir;
using test::Bytes;
using test::FakeUsbCamera;
using test::PtyPair;

namespace {

std::int64_t msSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
      .count();
}

termios settingsOf(const PtyPair& pty) {
  termios t{};
  ::tcgetattr(pty.slave(), &t);
  return t;
}

// Every test leaves the process's one port closed.
class PortTest : public ::testing::Test {
protected:
  void TearDown() override {
    const int handle = PortLayer::instance().openHandle();
    if (handle != -1)
      ComClose(handle);
  }
};

} // namespace

TEST_F(PortTest, SerialOpenIsRawEightNoneOneAndPassesEveryByte) {
  PtyPair pty;
  ScopedEnv com("TARSEL_VANTIC_COM1", pty.slavePath());
  ASSERT_EQ(ComOpen("ignored", 1, 19200, 8, 0, 0, 4096, 4096), 1);

  const termios t = settingsOf(pty);
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B19200));
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_FALSE(t.c_cflag & (PARENB | CSTOPB | CRTSCTS));
  EXPECT_FALSE(t.c_iflag & (ICRNL | IXON | IXOFF | INLCR | ISTRIP));
  EXPECT_FALSE(t.c_lflag & (ECHO | ICANON | ISIG));
  EXPECT_FALSE(t.c_oflag & OPOST);

  const Bytes special{0x00, 0x0D, 0x0A, 0x11, 0x13, 0x1B, 0xFF, 0x03, 0x1A};
  ASSERT_EQ(ComWrite(1, special.data(), static_cast<int>(special.size())), 1);
  EXPECT_EQ(pty.receive(special.size(), 2000), special);

  pty.send(special);
  std::uint8_t buffer[32] = {};
  ASSERT_EQ(ComReadTimed(1, buffer, static_cast<int>(special.size()), 100), static_cast<int>(special.size()));
  EXPECT_EQ(Bytes(buffer, buffer + special.size()), special);

  EXPECT_EQ(ComPutc(1, 0x15), 1);
  EXPECT_EQ(pty.receive(1, 2000), Bytes{0x15});
  EXPECT_EQ(ComClose(1), 1);
}

TEST_F(PortTest, SerialReadsEndAtTheirTotalTimeOut) {
  PtyPair pty;
  ScopedEnv com("TARSEL_VANTIC_COM2", pty.slavePath());
  ASSERT_EQ(ComOpen(nullptr, 2, 19200, 8, 0, 0, 0, 0), 2);
  std::uint8_t buffer[16];

  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ComReadTimed(2, buffer, 10, 10), 0);
  EXPECT_GE(msSince(start), 95);

  start = std::chrono::steady_clock::now();
  EXPECT_EQ(ComReadTimed(2, buffer, 10, 0), 0);
  EXPECT_LT(msSince(start), 100);

  pty.send({1, 2, 3});
  EXPECT_EQ(ComReadTimed(2, buffer, 10, 10), 3);

  pty.send({9, 8, 7, 6, 5});
  ::usleep(20000);
  EXPECT_EQ(ComReadBufToQuiet(2, buffer, 16, 1), 5);
  EXPECT_EQ(ComReadBufToQuiet(2, buffer, 16, 1), 0);
  EXPECT_EQ(ComReadBufToQuiet(2, buffer, 16, 0), -1);
  EXPECT_EQ(ComReadBufToQuiet(3, buffer, 16, 1), -1);
}

TEST_F(PortTest, OnlyOnePortIsOpenAndOnlyItsHandleCloses) {
  PtyPair first;
  PtyPair second;
  ScopedEnv com1("TARSEL_VANTIC_COM1", first.slavePath());
  ScopedEnv com2("TARSEL_VANTIC_COM2", second.slavePath());
  ASSERT_EQ(ComOpen(nullptr, 1, 19200, 8, 0, 0, 0, 0), 1);
  EXPECT_EQ(ComOpen(nullptr, 2, 19200, 8, 0, 0, 0, 0), -1);
  EXPECT_EQ(ComOpen(nullptr, 1, 19200, 8, 0, 0, 0, 0), -1);
  EXPECT_EQ(ComClose(2), -1);
  EXPECT_EQ(ComClose(160), -1);
  EXPECT_EQ(ComPutc(1, 0x42), 1);
  EXPECT_EQ(first.receive(1, 2000), Bytes{0x42});

  // Another holder of the same device is refused while the port is open.
  PortLayer other;
  EXPECT_EQ(other.open(1, 19200, 8), -1);
  // The refused open left the terminal's exclusive mode to its holder.
  int exclusive = 0;
  ASSERT_EQ(::ioctl(PortLayer::instance().serialFd(), TIOCGEXCL, &exclusive), 0);
  EXPECT_EQ(exclusive, 1);

  EXPECT_EQ(ComClose(1), 1);
  EXPECT_EQ(ComClose(1), -1);
  EXPECT_EQ(other.open(1, 19200, 8), 1);
  EXPECT_EQ(other.close(1), 1);
  // Re-opening after a close works (the exclusive mode was dropped).
  EXPECT_EQ(ComOpen(nullptr, 1, 19200, 8, 0, 0, 0, 0), 1);
}

TEST_F(PortTest, FailedOpensLeaveNothingOpen) {
  PtyPair pty;
  ScopedEnv com1("TARSEL_VANTIC_COM1", pty.slavePath());
  ScopedEnv com3("TARSEL_VANTIC_COM3", "/dev/null");
  ScopedEnv com4("TARSEL_VANTIC_COM4", "/nonexistent/tty");
  EXPECT_EQ(ComOpen(nullptr, 1, 12345, 8, 0, 0, 0, 0), -1);
  EXPECT_EQ(ComOpen(nullptr, 3, 19200, 8, 0, 0, 0, 0), -1);
  EXPECT_EQ(ComOpen(nullptr, 4, 19200, 8, 0, 0, 0, 0), -1);
  EXPECT_EQ(ComOpen(nullptr, 0, 19200, 8, 0, 0, 0, 0), -1);
  EXPECT_EQ(ComOpen(nullptr, 10, 19200, 8, 0, 0, 0, 0), -1);
  EXPECT_EQ(ComOpen(nullptr, 58, 19200, 8, 0, 0, 0, 0), -1);
  EXPECT_EQ(PortLayer::instance().openHandle(), -1);
  EXPECT_EQ(ComOpen(nullptr, 1, 19200, 8, 0, 0, 0, 0), 1);
}

TEST_F(PortTest, BaudAndFlowChangesReachTheLine) {
  PtyPair pty;
  ScopedEnv com("TARSEL_VANTIC_COM1", pty.slavePath());
  ASSERT_EQ(ComOpen(nullptr, 1, 19200, 8, 0, 0, 0, 0), 1);

  const std::pair<int, speed_t> speeds[] = {{9600, B9600},     {38400, B38400},   {57600, B57600},
                                            {115200, B115200}, {230400, B230400}, {19200, B19200}};
  for (const auto& [baud, speed] : speeds) {
    EXPECT_EQ(ComSetBaud(1, baud), 1);
    const termios t = settingsOf(pty);
    EXPECT_EQ(cfgetospeed(&t), speed) << baud;
    EXPECT_EQ(cfgetispeed(&t), speed) << baud;
  }
  EXPECT_EQ(ComSetBaud(1, 12345), -1);

  ASSERT_EQ(ComSetFlow(1, 0), 1);
  EXPECT_TRUE(settingsOf(pty).c_cflag & CRTSCTS);
  EXPECT_FALSE(settingsOf(pty).c_iflag & (IXON | IXOFF));
  ASSERT_EQ(ComSetFlow(1, 1), 1);
  EXPECT_FALSE(settingsOf(pty).c_cflag & CRTSCTS);
  EXPECT_EQ(settingsOf(pty).c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
  ASSERT_EQ(ComSetFlow(1, 7), 1);
  EXPECT_EQ(settingsOf(pty).c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
  ASSERT_EQ(ComSetFlow(1, 2), 1);
  EXPECT_FALSE(settingsOf(pty).c_cflag & CRTSCTS);
  EXPECT_FALSE(settingsOf(pty).c_iflag & (IXON | IXOFF));

  // The USB handle takes no line settings.
  EXPECT_EQ(ComSetBaud(160, 57600), 1);
  EXPECT_EQ(ComSetFlow(160, 0), 1);
  EXPECT_EQ(ComSleepMS(160, 100000), 1);
  EXPECT_EQ(cfgetospeed(&static_cast<const termios&>(settingsOf(pty))), static_cast<speed_t>(B19200));
  EXPECT_EQ(ComGetHandle(0), PortLayer::instance().serialFd());
}

TEST(UsbModes, ModeTableFollowsVendorAndProduct) {
  struct Row {
    std::uint16_t vendor;
    std::uint16_t product;
    bool preRead;
    bool large;
  };
  const Row rows[] = {
      {0x04B8, 0x0401, false, false}, {0x04B8, 0x0402, false, false}, {0x04B8, 0x0403, true, true},
      {0x04B8, 0x0500, false, true},  {0x0474, 0x0001, false, true},  {0x04B0, 0x0102, true, true},
      {0x04B0, 0x0103, true, true},   {0x04B0, 0x0104, false, true},  {kCameraVendorId, 0x0100, true, true},
      {0x1234, 0x0100, false, true},
  };
  for (const Row& row : rows) {
    const UsbMode mode = usbModeFor(row.vendor, row.product);
    EXPECT_EQ(mode.preReadRequest, row.preRead) << std::hex << row.vendor << ":" << row.product;
    EXPECT_EQ(mode.largeBlocks, row.large) << std::hex << row.vendor << ":" << row.product;
  }
}

TEST_F(PortTest, UsbStandInOpensWithTheDescriptorsModeAndBoundsItsReads) {
  TempDir dir;
  const std::string path = dir.file("usb.sock");
  ScopedEnv usb("TARSEL_VANTIC_USB", "sim:" + path);
  PtyPair pty;
  ScopedEnv com("TARSEL_VANTIC_COM1", pty.slavePath());

  for (const auto& [product, preRead, large] :
       {std::tuple{0x0402, 0, 0}, std::tuple{0x0403, 1, 1}, std::tuple{0x0500, 0, 1}}) {
    FakeUsbCamera camera(path, 0x04B8, static_cast<std::uint16_t>(product), [](const Bytes& in) {
      if (in == Bytes{'q'})
        return std::vector<Bytes>{};
      return std::vector<Bytes>{in, Bytes{0x06}};
    });
    CamUsbDeviceRecord record{};
    ASSERT_EQ(ComUsbOpen("ignored", 160, &record), 160);
    EXPECT_EQ(record.vendorId, 0x04B8);
    EXPECT_EQ(record.productId, product);
    EXPECT_EQ(record.preReadRequest, preRead);
    EXPECT_EQ(record.largeBlocks, large);
    EXPECT_EQ(ComOpen(nullptr, 1, 19200, 8, 0, 0, 0, 0), -1);
    EXPECT_EQ(ComUsbOpen(nullptr, 160, &record), -1);

    const int preReadsBefore = PortLayer::instance().preReadCount();
    const Bytes hello{1, 2, 3, 4, 5};
    ASSERT_EQ(ComWrite(160, hello.data(), 5), 1);
    std::uint8_t buffer[8] = {};
    // A transfer longer than asked for is handed out in pieces, never overflowing.
    EXPECT_EQ(ComReadTimed(160, buffer, 2, 100), 2);
    EXPECT_EQ(ComReadTimed(160, buffer + 2, 8, 100), 3);
    EXPECT_EQ(Bytes(buffer, buffer + 5), hello);
    EXPECT_EQ(ComReadTimed(160, buffer, 8, 100), 1);
    EXPECT_EQ(buffer[0], 0x06);

    // Silence: the read ends with 0 at its time-out instead of blocking.
    ASSERT_EQ(ComPutc(160, 'q'), 1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ComReadTimed(160, buffer, 8, 5), 0);
    EXPECT_LT(msSince(start), 2000);
    EXPECT_EQ(PortLayer::instance().preReadCount() - preReadsBefore, preRead ? 4 : 0);

    camera.stop();
    EXPECT_EQ(ComReadTimed(160, buffer, 8, 100), -2);
    EXPECT_EQ(ComClose(160), 1);
  }
  CamUsbDeviceRecord record{};
  EXPECT_EQ(ComUsbOpen(nullptr, 160, &record), -1);
  EXPECT_EQ(PortLayer::instance().openHandle(), -1);
}

TEST_F(PortTest, RawAccessOpensAtNineteenTwoHundredAndReportsTheCamerasNak) {
  PtyPair pty;
  ScopedEnv com("TARSEL_VANTIC_COM2", pty.slavePath());
  pty.send({1, 2, 3}); // pending input is read away on opening
  ASSERT_EQ(Cam_push_comm_open(2, 0), 0);
  EXPECT_EQ(Cam_get_state(), CAM_STATE_OPEN);
  EXPECT_EQ(cfgetospeed(&static_cast<const termios&>(settingsOf(pty))), static_cast<speed_t>(B19200));
  EXPECT_EQ(Cam_get_com_handle(), PortLayer::instance().serialFd());
  EXPECT_GE(Cam_get_com_handle(), 0);
  std::uint8_t buffer[4];
  EXPECT_EQ(ComReadTimed(2, buffer, 4, 1), 0);

  EXPECT_EQ(Cam_push_comm_open(2, 2), 0); // nothing came
  pty.send({0x15});
  EXPECT_EQ(Cam_push_comm_open(2, 2), CAM_NAK_RESPONSE);
  pty.send({0x06});
  EXPECT_EQ(Cam_push_comm_open(2, 2), 0);
  EXPECT_EQ(Cam_push_comm_open(2, 9), 0);

  EXPECT_EQ(Cam_push_comm_open(2, 1), 0);
  EXPECT_EQ(PortLayer::instance().openHandle(), -1);
  EXPECT_EQ(Cam_get_com_handle(), -1);

  // Ports without a COM name are refused, never opened.
  EXPECT_EQ(Cam_push_comm_open(10, 0), CAM_NO_PORT);
  EXPECT_EQ(Cam_push_comm_open(0, 0), CAM_NO_PORT);
  EXPECT_EQ(Cam_get_state(), CAM_STATE_CLOSED);
  EXPECT_EQ(Cam_setup_monitor(1), 0);
  EXPECT_EQ(Cam_set_debug(1), 0);
  EXPECT_EQ(Cam_get_raw_file(1, 2), 0);
  Cam_reset_dll();
}
