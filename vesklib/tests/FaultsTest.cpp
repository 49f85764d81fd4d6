// Each fault the simulator injects ends in the error the library promises,
// never in a hang, an overrun or a false success; afterwards a fresh
// connection works again. Unplugging mid-transfer is error 26 and the camera
// comes back with the next enumeration.
#include "SimulatorFixture.h"

#include "vesklib/LinkCameraManager.h"

#include <functional>

using namespace tarsel::vesk;
using namespace tarsel::vesk::test;
using tarsel::vesksim::Fault;
using tarsel::vesksim::FaultAction;
using tarsel::vesksim::FaultMatch;

namespace {

class Faults : public SimulatorFixture {
protected:
  tarsel::vesksim::CardSetup cardSetup() const override {
    tarsel::vesksim::CardSetup card;
    card.raw = true;
    return card;
  }
};

int readFlash() {
  return GetPropFlash(0);
}
int writeFlash() {
  return SetPropFlash(0, 2);
}
int runLcdAction() {
  return SetLcdMode(0, 2);
}
int readCameraRecord() {
  std::uint8_t record[VESK_CAMERA_PROP_SIZE];
  return GetCameraProp(0, record);
}
int writeCustomValues() {
  return SetCustomValue3(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13);
}
// The current picture into a buffer of exactly its size.
int readPicture() {
  SetPropCurrentPicture(0, 1);
  const int size = GetPropPicSize(0);
  auto buffer = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(size));
  return GetPicture(0, size, buffer.get(), nullptr, nullptr);
}

FaultMatch onOpcode(std::uint8_t opcode) {
  FaultMatch m;
  m.opcode = opcode;
  return m;
}

FaultMatch onKind(std::uint8_t kind) {
  FaultMatch m;
  m.kind = kind;
  return m;
}

Fault fault(FaultAction action, FaultMatch match, std::uint32_t value = 0, std::uint32_t count = 1,
            std::uint32_t skip = 0) {
  Fault f;
  f.action = action;
  f.match = match;
  f.value = value;
  f.count = count;
  f.skip = skip;
  return f;
}

} // namespace

TEST_F(Faults, EachInjectedFaultEndsInTheLibrarysErrorAndTheCameraRecovers) {
  connectBoth();
  struct Row {
    const char* name;
    Fault fault;
    int (*call)();
    std::string expected;
  };
  const Row rows[] = {
      {"silence", fault(FaultAction::Silence, onOpcode(0xC4)), readFlash, "DeviceIoControl/1/121"},
      {"access denied", fault(FaultAction::Win32Error, onOpcode(0xC0), 5), readFlash, "DeviceIoControl/1/5"},
      {"failed read counts as done", fault(FaultAction::CheckCondition, onOpcode(0xC2)), readFlash,
       "VESK_BAD_CHECKSUM/0/16"},
      {"short reply", fault(FaultAction::ShortReply, onOpcode(0xC2), 10), readFlash,
       "VESK_BAD_CHECKSUM/0/16"},
      {"NAK three times", fault(FaultAction::StatusByte, onKind(0), 0x15, 3), writeFlash,
       "VESK_NAK1_RESPONSE/0/14"},
      {"DC1 three times", fault(FaultAction::StatusByte, onKind(0), 0x11, 3), writeFlash,
       "VESK_DC1_RESPONSE/0/15"},
      {"NAK twice, then ACK", fault(FaultAction::StatusByte, onKind(0), 0x15, 2), writeFlash, "none"},
      {"unknown status", fault(FaultAction::StatusByte, onKind(0), 0x42, 3), writeFlash,
       "VESK_CAMERA_BAD_RESPONSE/0/13"},
      {"CAN during a data write", fault(FaultAction::StatusByte, onKind(5), 0x18), writeCustomValues,
       "VESK_ERROR/0/31"},
      {"bad second action reply", fault(FaultAction::SecondStatus, onKind(2), 0x15), runLcdAction,
       "VESK_CAMERA_BAD_RESPONSE/0/13"},
      {"register checksum", fault(FaultAction::BadChecksum, onKind(1)), readFlash, "VESK_BAD_CHECKSUM/0/16"},
      {"data checksum", fault(FaultAction::BadChecksum, onKind(6)), readCameraRecord,
       "VESK_BAD_CHECKSUM/0/16"},
      {"unchecked data checksum", fault(FaultAction::UncheckedChecksum, onKind(6)), readCameraRecord, "none"},
      {"header word", fault(FaultAction::BadHeader, onKind(1), 4), readFlash, "VESK_BAD_CHECKSUM/0/16"},
      {"header mark", fault(FaultAction::BadHeader, onKind(0), 6), writeFlash, "VESK_BAD_CHECKSUM/0/16"},
      {"short status record", fault(FaultAction::ShortRecord, onKind(0), 40), writeFlash,
       "VESK_BAD_CHECKSUM/0/16"},
      {"short data record", fault(FaultAction::ShortRecord, onKind(6), 69), readCameraRecord,
       "VESK_BAD_CHECKSUM/0/16"},
      {"oversized length", fault(FaultAction::OversizeLength, onKind(6), 40000), readPicture,
       "VESK_BAD_CHECKSUM/0/16"},
      {"length overrun", fault(FaultAction::LengthOverrun, onKind(6), 100), readCameraRecord,
       "VESK_BAD_CHECKSUM/0/16"},
      {"endless data", fault(FaultAction::EndlessData, onKind(6)), readPicture, "VESK_BAD_CHECKSUM/0/16"},
      {"object larger than announced", fault(FaultAction::ObjectGrowth, onKind(6), 5000), readPicture,
       "VESK_BAD_CHECKSUM/0/16"},
      {"truncated reply frame", fault(FaultAction::TruncatedFrame, onOpcode(0xC2), 20), readFlash,
       "VESK_NOT_CONNECTED/0/26"},
      {"connection closed", fault(FaultAction::CloseConnection, onOpcode(0xC0)), readFlash,
       "VESK_NOT_CONNECTED/0/26"},
  };
  const int expectedFlash = readFlash();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(engine.injectFault(kSlot0, row.fault).has_value());
    EXPECT_EQ(errorOf([&] { row.call(); }), row.expected);
    engine.clearAllFaults();
    EXPECT_EQ(CameraReady(0), 1);
    // A fresh connection works again.
    EXPECT_EQ(DisConnect(0), 0);
    EXPECT_EQ(Connect(0), 0);
    EXPECT_EQ(errorOf([] { readFlash(); }), "none");
    EXPECT_EQ(SetPropFlash(0, expectedFlash), 0x06);
  }
}

TEST_F(Faults, UnplugMidTransferIsErrorTwentySixAndReEnumerationRecovers) {
  connectBoth();
  SetPropCurrentPicture(0, 4); // the raw file, several blocks long
  const int size = GetPropPicSize(0);
  const auto card = engine.picture(kSlot0, 4);
  ASSERT_TRUE(card);
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(size));
  // Gone after a few blocks of the picture.
  ASSERT_TRUE(engine.injectFault(kSlot0, fault(FaultAction::Unplug, onOpcode(0xC2), 0, 1, 5)).has_value());
  EXPECT_EQ(errorOf([&] { GetPicture(0, size, buffer.data(), nullptr, nullptr); }),
            "VESK_NOT_CONNECTED/0/26");
  EXPECT_EQ(errorOf([] { GetPropFlash(0); }), "VESK_NOT_CONNECTED/0/26");
  // The other camera is not disturbed.
  EXPECT_EQ(errorOf([] { GetPropFlash(1); }), "none");
  EXPECT_EQ(DisConnect(0), 0);

  // While it is away the list has only the other camera.
  EXPECT_EQ(GetPropCameraCount(), 1);
  EXPECT_STREQ(GetPropConnectCamera(0), "XC-702");

  ASSERT_TRUE(engine.plug(kSlot0));
  EXPECT_EQ(GetPropCameraCount(), 2);
  EXPECT_EQ(engineBackend->openHandles(), 0);
  ASSERT_EQ(Connect(0), 0);
  EXPECT_EQ(SetPropCurrentPicture(0, 4), 0x06);
  EXPECT_EQ(GetPicture(0, size, buffer.data(), nullptr, nullptr), 1);
  EXPECT_TRUE(buffer == *card->bytes);
}

TEST_F(Faults, TheControlDeviceFailingFindsNoCameras) {
  ASSERT_TRUE(engine.injectFault(tarsel::vesksim::kControlDevice, fault(FaultAction::Silence, FaultMatch{}))
                  .has_value());
  EXPECT_EQ(GetPropCameraCount(), 0);
  engine.clearAllFaults();
  EXPECT_EQ(GetPropCameraCount(), 2);
}
