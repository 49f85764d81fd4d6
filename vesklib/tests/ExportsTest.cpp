// Every export of the library against the in-process simulator: discovery,
// connection guard, registers, tenths values, texts, records and their "3"
// forms, transfers with progress, and actions.
#include "SimulatorFixture.h"

#include <cstring>
#include <thread>

using namespace tarsel::vesk;
using namespace tarsel::vesk::test;

namespace {

class Exports : public SimulatorFixture {
protected:
  tarsel::vesksim::CardSetup cardSetup() const override {
    tarsel::vesksim::CardSetup card;
    card.jpegCount = 3;
    card.raw = true;
    return card;
  }
};

struct ProgressLog {
  std::vector<VESK_PROGRESS> reports;
  std::vector<int> cameras;
  std::thread::id thread;
};

void logProgress(int camera, const VESK_PROGRESS* progress, void* context) {
  auto* log = static_cast<ProgressLog*>(context);
  log->cameras.push_back(camera);
  log->reports.push_back(progress ? *progress : VESK_PROGRESS{0xFFFFFFFF, 0xFFFFFFFF});
  log->thread = std::this_thread::get_id();
}

} // namespace

TEST_F(Exports, DiscoveryFindsTheCamerasAndSkipsDisksAndFailingNodes) {
  EXPECT_EQ(InitControl(), 0);
  EXPECT_EQ(GetPropCameraCount(), 2);
  ASSERT_NE(GetPropConnectCamera(0), nullptr);
  EXPECT_STREQ(GetPropConnectCamera(0), "XC-701");
  EXPECT_STREQ(GetPropConnectCamera(1), "XC-702");
  EXPECT_EQ(GetPropConnectCamera(2), nullptr);
  EXPECT_EQ(GetPropConnectCamera(-1), nullptr);
  EXPECT_EQ(CameraReady(0), 1);
  EXPECT_EQ(CameraReady(7), 0);
  // The simulator has no drive devices: drive names find nothing.
  UseDriveNames(1);
  EXPECT_EQ(GetPropCameraCount(), 0);
  UseDriveNames(0);
  EXPECT_EQ(GetPropCameraCount(), 2);
  // A name with no device behind it is skipped.
  engine.unplug(kSlot0);
  EXPECT_EQ(GetPropCameraCount(), 1);
  EXPECT_STREQ(GetPropConnectCamera(0), "XC-702");
}

TEST_F(Exports, ConnectAndDisConnectGuardEveryCommandWithoutLeakingHandles) {
  ASSERT_EQ(GetPropCameraCount(), 2);
  EXPECT_EQ(errorOf([] { GetPropFlash(0); }), "VESK_NOT_CONNECTED/0/26");
  EXPECT_EQ(errorOf([] { GetPropFlash(2); }), "VESK_BAD_CAM_NO/0/24");
  EXPECT_EQ(errorOf([] { Connect(2); }), "VESK_BAD_CAM_NO/0/24");
  EXPECT_EQ(Connect(0), 0);
  const int open = engineBackend->openHandles();
  EXPECT_EQ(Connect(0), 0);
  EXPECT_EQ(engineBackend->openHandles(), open);
  EXPECT_EQ(errorOf([] { GetPropFlash(0); }), "none");
  EXPECT_EQ(DisConnect(0), 0);
  EXPECT_EQ(DisConnect(0), 0);
  EXPECT_EQ(engineBackend->openHandles(), open - 1);
  EXPECT_EQ(errorOf([] { GetPropFlash(0); }), "VESK_NOT_CONNECTED/0/26");
  // Re-enumeration closes what the old records held.
  EXPECT_EQ(Connect(0), 0);
  EXPECT_EQ(Connect(1), 0);
  EXPECT_EQ(GetPropCameraCount(), 2);
  EXPECT_EQ(engineBackend->openHandles(), 0);
}

TEST_F(Exports, RegisterGettersReadTheCameraRegisters) {
  connectBoth();
  struct Row {
    const char* name;
    int (*get)(int);
    std::uint8_t reg;
  };
  const Row rows[] = {
      {"GetPropCameraTime", GetPropCameraTime, 2},
      {"GetPropElectricZoom", GetPropElectricZoom, 72},
      {"GetPropFlash", GetPropFlash, 7},
      {"GetPropFocusMode", GetPropFocusMode, 33},
      {"GetPropFocusPosition", GetPropFocusPosition, 103},
      {"GetPropFolderCount", GetPropFolderCount, 83},
      {"GetPropIndexSize", GetPropIndexSize, 13},
      {"GetPropIsoSpeed", GetPropIsoSpeed, 85},
      {"GetPropLCDBrightness", GetPropLCDBrightness, 35},
      {"GetPropMetering", GetPropMetering, 70},
      {"GetPropPicCount", GetPropPicCount, 10},
      {"GetPropPicSize", GetPropPicSize, 12},
      {"GetPropPowerSaveCamera", GetPropPowerSaveCamera, 24},
      {"GetPropPowerSaveHost", GetPropPowerSaveHost, 23},
      {"GetPropPowerSaveLCD", GetPropPowerSaveLCD, 38},
      {"GetPropProtect", GetPropProtect, 39},
      {"GetPropResolution", GetPropResolution, 1},
      {"GetPropWhiteBalance", GetPropWhiteBalance, 20},
      {"GetRemainCount", GetRemainCount, 11},
  };
  for (const auto& row : rows) {
    const auto expected = engine.cameraRegister(kSlot0, row.reg);
    ASSERT_TRUE(expected.has_value()) << row.name;
    EXPECT_EQ(static_cast<std::uint32_t>(row.get(0)), *expected) << row.name;
  }
  EXPECT_EQ(GetPropPicCount(0), 4);
  EXPECT_EQ(GetPropResolution(1), static_cast<int>(*engine.cameraRegister(kSlot1, 1)));
}

TEST_F(Exports, RegisterSettersWriteTheCameraRegisters) {
  connectBoth();
  struct Row {
    const char* name;
    int (*set)(int, int);
    int (*get)(int);
    std::uint8_t reg;
    int value;
  };
  const Row rows[] = {
      {"SetPropCurrentPicture", SetPropCurrentPicture, nullptr, 4, 2},
      {"SetPropElectricZoom", SetPropElectricZoom, GetPropElectricZoom, 72, 520},
      {"SetPropFlash", SetPropFlash, GetPropFlash, 7, 2},
      {"SetPropFocusMode", SetPropFocusMode, GetPropFocusMode, 33, 1},
      {"SetPropFocusPosition", SetPropFocusPosition, GetPropFocusPosition, 103, 200},
      {"SetPropFolderNo", SetPropFolderNo, nullptr, 83, 1},
      {"SetPropIsoSpeed", SetPropIsoSpeed, GetPropIsoSpeed, 85, 3},
      {"SetPropLCDBrightness", SetPropLCDBrightness, GetPropLCDBrightness, 35, 6},
      {"SetPropMetering", SetPropMetering, GetPropMetering, 70, 3},
      {"SetPropPowerSaveCamera", SetPropPowerSaveCamera, GetPropPowerSaveCamera, 24, 240},
      {"SetPropPowerSaveHost", SetPropPowerSaveHost, GetPropPowerSaveHost, 23, 600},
      {"SetPropPowerSaveLCD", SetPropPowerSaveLCD, GetPropPowerSaveLCD, 38, 30},
      {"SetPropResolution", SetPropResolution, GetPropResolution, 1, 4},
      {"SetPropWhiteBalance", SetPropWhiteBalance, GetPropWhiteBalance, 20, 3},
      {"SetPropLed", SetPropLed, nullptr, 30, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const auto before = engine.stats(kSlot0)->registerWrites[row.reg];
    EXPECT_EQ(row.set(0, row.value), 0x06);
    EXPECT_EQ(engine.stats(kSlot0)->registerWrites[row.reg], before + 1);
    if (row.get) {
      EXPECT_EQ(row.get(0), row.value);
    }
  }
  // The clock is a u32 on the wire: times past 2038 survive the round trip.
  const std::uint32_t after2038 = 2200000000u;
  EXPECT_EQ(SetPropCameraTime(0, static_cast<int>(after2038)), 0x06);
  EXPECT_EQ(static_cast<std::uint32_t>(GetPropCameraTime(0)), after2038);
  EXPECT_EQ(*engine.cameraRegister(kSlot0, 2), after2038);
}

TEST_F(Exports, TenthsValuesTravelWithTheirDivisor) {
  connectBoth();
  EXPECT_EQ(SetPropOpticalZoom(0, 100), 0x06);
  EXPECT_EQ(GetPropOpticalZoom(0), 100);
  auto zoom = object(kSlot0, 71);
  EXPECT_EQ(wordAt(zoom, 0), 100u);
  EXPECT_EQ(wordAt(zoom, 1), 10u);
  EXPECT_EQ(SetPropExpoBias(0, -10), 0x06);
  EXPECT_EQ(GetPropExpoBias(0), -10);
  auto bias = object(kSlot0, 69);
  EXPECT_EQ(static_cast<std::int32_t>(wordAt(bias, 0)), -10);
  EXPECT_EQ(wordAt(bias, 1), 10u);
}

TEST_F(Exports, TextsComeFromTheCameraAndEachCameraKeepsItsOwnBuffer) {
  connectBoth();
  EXPECT_STREQ(GetPropCameraID(0), "XC-701 camera");
  EXPECT_STREQ(GetFirmwareVersion(0), "XC701 FW 2.14");
  EXPECT_STREQ(GetFirmwareVersion(1), "XC702 FW 1.03");

  char longId[] = "A camera name of forty characters length";
  ASSERT_EQ(std::strlen(longId), 40u);
  EXPECT_EQ(SetPropCameraID(0, longId), 0x06);
  EXPECT_EQ(std::string(GetPropCameraID(0)), std::string(longId, 31));
  EXPECT_EQ(engine.stats(kSlot0)->objectWrites[22], 1u);

  char folder[] = "101TEST";
  EXPECT_EQ(SetPropFolderName(0, folder), 0x06);
  EXPECT_STREQ(GetPropFolderName(0), "101TEST");

  SetPropCurrentPicture(0, 2);
  SetPropCurrentPicture(1, 1);
  const char* first = GetPropFileName(0);
  const std::string firstCopy = first;
  const char* second = GetPropFileName(1);
  EXPECT_EQ(firstCopy, engine.picture(kSlot0, 2)->fileName);
  EXPECT_EQ(std::string(second), engine.picture(kSlot1, 1)->fileName);
  // Camera 1's name did not overwrite camera 0's.
  EXPECT_EQ(std::string(first), firstCopy);
}

TEST_F(Exports, RecordReadsMatchTheCameraObjectsAndTheirThreeForms) {
  connectBoth();
  SetPropCurrentPicture(0, 1);

  std::uint8_t record[76];
  struct Row {
    const char* name;
    int (*get)(int, void*);
    std::uint8_t object;
    std::size_t size;
  };
  const Row rows[] = {
      {"GetCameraProp", GetCameraProp, 46, VESK_CAMERA_PROP_SIZE},
      {"GetPictureProp", GetPictureProp, 47, VESK_PICTURE_PROP_SIZE},
      {"GetMemoryProp", GetMemoryProp, 67, VESK_MEMORY_PROP_SIZE},
      {"GetPicTagProp", GetPicTagProp, 74, VESK_PICTAG_PROP_SIZE},
      {"GetFolderProp", GetFolderProp, 91, VESK_FOLDER_PROP_SIZE},
      {"GetCaptureProp", GetCaptureProp, 87, VESK_CAPTURE_PROP_SIZE},
      {"GetExposureProp", GetExposureProp, 102, VESK_EXPOSURE_PROP_SIZE},
      {"GetCustomValue", GetCustomValue, 124, VESK_CUSTOM_VALUE_SIZE},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::memset(record, 0xEE, sizeof record);
    EXPECT_EQ(row.get(0, record), 1);
    const auto expected = object(kSlot0, row.object);
    ASSERT_EQ(expected.size(), row.size);
    EXPECT_EQ(std::vector<std::uint8_t>(record, record + row.size), expected);
  }

  const auto camera = object(kSlot0, 46);
  int c[6] = {};
  short battery = 0;
  EXPECT_EQ(GetCameraProp3(0, &c[0], &c[1], &c[2], &c[3], &battery, &c[4], &c[5]), 1);
  EXPECT_EQ(c[0], static_cast<int>(wordAt(camera, 0)));
  EXPECT_EQ(c[3], static_cast<int>(wordAt(camera, 3)));
  EXPECT_EQ(battery, static_cast<short>(wordAt(camera, 4) & 0xFFFF));
  EXPECT_EQ(c[4], static_cast<int>(wordAt(camera, 5)));
  EXPECT_EQ(c[5], static_cast<int>(wordAt(camera, 6)));
  EXPECT_EQ(c[4], 4); // stored pictures

  const auto picture = object(kSlot0, 47);
  int p[6] = {};
  EXPECT_EQ(GetPictureProp3(0, &p[0], &p[1], &p[2], &p[3], &p[4], &p[5]), 1);
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(p[i], static_cast<int>(wordAt(picture, static_cast<std::size_t>(i))));

  const auto memory = object(kSlot0, 67);
  int m[3] = {};
  char label[32], system[32];
  EXPECT_EQ(GetMemoryProp3(0, &m[0], label, system, &m[1], &m[2]), 1);
  EXPECT_EQ(m[0], static_cast<int>(wordAt(memory, 0)));
  EXPECT_EQ(std::memcmp(label, memory.data() + 4, 32), 0);
  EXPECT_EQ(std::memcmp(system, memory.data() + 36, 32), 0);
  EXPECT_EQ(m[1], static_cast<int>(wordAt(memory, 17)));
  EXPECT_EQ(m[2], static_cast<int>(wordAt(memory, 18)));

  const auto tag = object(kSlot0, 74);
  int t[9] = {};
  char date[20];
  EXPECT_EQ(GetPicTagProp3(0, &t[0], &t[1], &t[2], &t[3], date, &t[4], &t[5], &t[6], &t[7], &t[8]), 1);
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(t[i], static_cast<int>(wordAt(tag, static_cast<std::size_t>(i))));
  EXPECT_EQ(std::memcmp(date, tag.data() + 20, 20), 0);
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(t[4 + i], static_cast<int>(wordAt(tag, static_cast<std::size_t>(10 + i))));

  const auto folders = object(kSlot0, 91);
  int f[5] = {};
  EXPECT_EQ(GetFolderProp3(0, f, &f[3], &f[4]), 1);
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(f[i], static_cast<int>(wordAt(folders, static_cast<std::size_t>(i))));
}

TEST_F(Exports, RecordWritesPutTheRecordOnTheWireWithItsDivisors) {
  connectBoth();
  EXPECT_EQ(SetCaptureProp3(0, 2, 0, 0, 1), 0x06);
  EXPECT_EQ(object(kSlot0, 87), (std::vector<std::uint8_t>{2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0,
                                                           0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  int c[6] = {-1, -1, -1, -1, -1, -1};
  EXPECT_EQ(GetCaptureProp3(0, &c[0], &c[1], &c[2], &c[3], &c[4], &c[5]), 1);
  EXPECT_EQ(c[0], 2);
  EXPECT_EQ(c[3], 1);
  EXPECT_EQ(c[5], 0);
  std::uint8_t capture[32] = {};
  EXPECT_EQ(SetCaptureProp(0, capture), 0x06);
  EXPECT_EQ(wordAt(object(kSlot0, 87), 0), 0u);

  EXPECT_EQ(SetExposureProp3(0, 3, 28, 25000), 0x06);
  const auto exposure = object(kSlot0, 102);
  EXPECT_EQ(wordAt(exposure, 0), 3u);
  EXPECT_EQ(wordAt(exposure, 1), 28u);
  EXPECT_EQ(wordAt(exposure, 2), 10u);
  EXPECT_EQ(wordAt(exposure, 3), 25000u);
  EXPECT_EQ(wordAt(exposure, 4), 0u);
  int mode = 0, aperture = 0, time = 0;
  EXPECT_EQ(GetExposureProp3(0, &mode, &aperture, &time), 1);
  EXPECT_EQ(mode, 3);
  EXPECT_EQ(aperture, 28);
  EXPECT_EQ(time, 25000);
  std::uint8_t record[20] = {};
  record[0] = 2;
  record[4] = 32;
  record[8] = 10;
  record[12] = 0x40; // 1000000 us = 0x000F4240
  record[13] = 0x42;
  record[14] = 0x0F;
  EXPECT_EQ(SetExposureProp(0, record), 0x06);
  EXPECT_EQ(wordAt(object(kSlot0, 102), 3), 1000000u);

  EXPECT_EQ(SetCustomValue3(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13), 0x06);
  const auto custom = object(kSlot0, 124);
  const std::uint32_t expected[16] = {1, 2, 3, 10, 4, 10, 5, 6, 10, 7, 8, 9, 10, 11, 12, 13};
  for (std::size_t i = 0; i < 16; ++i)
    EXPECT_EQ(wordAt(custom, i), expected[i]) << i;
  int v[13] = {};
  EXPECT_EQ(GetCustomValue3(0, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8], &v[9], &v[10],
                            &v[11], &v[12]),
            1);
  for (int i = 0; i < 13; ++i)
    EXPECT_EQ(v[i], i + 1);
  std::uint8_t raw[64] = {};
  raw[0] = 99;
  EXPECT_EQ(SetCustomValue(0, raw), 0x06);
  EXPECT_EQ(object(kSlot0, 124), std::vector<std::uint8_t>(raw, raw + 64));
}

TEST_F(Exports, MultiMegabyteDownloadsAreByteIdenticalToTheCard) {
  connectBoth();
  // A large JPEG: the XC-702's biggest fine mode.
  EXPECT_EQ(SetPropResolution(1, 14), 0x06);
  EXPECT_EQ(Capture(1, false, nullptr, nullptr), 0);
  const int count = GetPropPicCount(1);
  ASSERT_EQ(count, 5);
  for (int number : {count, 4}) {
    SCOPED_TRACE(number);
    EXPECT_EQ(SetPropCurrentPicture(1, number), 0x06);
    const int size = GetPropPicSize(1);
    const auto card = engine.picture(kSlot1, static_cast<std::size_t>(number));
    ASSERT_TRUE(card);
    ASSERT_EQ(static_cast<std::size_t>(size), card->bytes->size());
    ASSERT_GT(size, 2 * 1000 * 1000);
    ProgressLog log;
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(size));
    EXPECT_EQ(GetPicture(1, size, buffer.data(), logProgress, &log), 1);
    EXPECT_TRUE(buffer == *card->bytes);
    ASSERT_FALSE(log.reports.empty());
    EXPECT_EQ(log.reports.back().received, static_cast<std::uint32_t>(size));
    EXPECT_EQ(log.thread, std::this_thread::get_id());
    std::uint32_t sum = 0;
    for (const auto& report : log.reports) {
      sum += report.lastBlock;
      EXPECT_EQ(report.received, sum);
    }
    EXPECT_EQ(log.cameras.front(), 1);
  }
  EXPECT_EQ(
      std::string(engine.picture(kSlot1, 5)->fileName.substr(engine.picture(kSlot1, 5)->fileName.size() - 4)),
      ".JPG");
}

TEST_F(Exports, TransfersKeepTheEarlierProgressCallBackAndNeverOverrunTheBuffer) {
  connectBoth();
  EXPECT_EQ(SetPropCurrentPicture(0, 1), 0x06);
  const int size = GetPropPicSize(0);
  ProgressLog first;
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(size));
  EXPECT_EQ(GetPicture(0, size, buffer.data(), logProgress, &first), 1);
  const std::size_t reports = first.reports.size();
  EXPECT_GT(reports, 0u);
  // A null call-back keeps the earlier one with its context.
  EXPECT_EQ(GetPicture(0, size, buffer.data(), nullptr, nullptr), 1);
  EXPECT_EQ(first.reports.size(), 2 * reports);

  // One byte short: refused, and nothing written past the buffer (ASan).
  auto exact = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(size - 1));
  EXPECT_EQ(errorOf([&] { GetPicture(0, size - 1, exact.get(), nullptr, nullptr); }),
            "VESK_BAD_CHECKSUM/0/16");
  EXPECT_EQ(errorOf([&] { GetPicture(0, 0, nullptr, nullptr, nullptr); }), "VESK_BAD_CHECKSUM/0/16");
  // The camera is usable again afterwards.
  EXPECT_EQ(GetPicture(0, size, buffer.data(), nullptr, nullptr), 1);
  EXPECT_TRUE(buffer == *engine.picture(kSlot0, 1)->bytes);

  const int indexSize = GetPropIndexSize(0);
  std::vector<std::uint8_t> index(static_cast<std::size_t>(indexSize));
  EXPECT_EQ(GetIndex(0, indexSize, index.data(), nullptr, nullptr), 1);
  EXPECT_EQ(index, object(kSlot0, 15));

  EXPECT_EQ(Preview(0, false, nullptr, nullptr), 0);
  EXPECT_EQ(SetPropCurrentPicture(0, 0), 0x06);
  const int frameSize = GetPropPicSize(0);
  ASSERT_GT(frameSize, 0);
  std::vector<std::uint8_t> frame(static_cast<std::size_t>(frameSize));
  EXPECT_EQ(GetPreview(0, frameSize, frame.data(), nullptr, nullptr), 1);
  EXPECT_EQ(frame, object(kSlot0, 14));
  EXPECT_EQ(frame[0], 0xFF);
  EXPECT_EQ(frame[1], 0xD8);
}

TEST_F(Exports, ActionsEraseProtectAndCapture) {
  connectBoth();
  EXPECT_EQ(GetPropPicCount(0), 4);
  EXPECT_EQ(Capture(0, false, nullptr, nullptr), 0);
  EXPECT_EQ(GetPropPicCount(0), 5);
  EXPECT_EQ(EraseLast(0), 0);
  EXPECT_EQ(GetPropPicCount(0), 4);

  EXPECT_EQ(SetPropCurrentPicture(0, 1), 0x06);
  EXPECT_EQ(SetPropProtect(0, 1), 0);
  EXPECT_EQ(GetPropProtect(0), 1);
  EXPECT_TRUE(engine.picture(kSlot0, 1)->isProtected);
  EXPECT_EQ(SetPropProtect(0, 0), 0);
  EXPECT_EQ(GetPropProtect(0), 0);

  const std::string third = engine.picture(kSlot0, 3)->fileName;
  EXPECT_EQ(SetPropCurrentPicture(0, 2), 0x06);
  EXPECT_EQ(ErasePicture(0), 0);
  EXPECT_EQ(GetPropPicCount(0), 3);
  // The camera renumbers: the old third picture is now the second.
  EXPECT_EQ(engine.picture(kSlot0, 2)->fileName, third);

  EXPECT_EQ(SetLcdMode(0, 2), 0);
  EXPECT_EQ(wordAt(object(kSlot0, 46), 7), 2u);

  EXPECT_EQ(SetPropCurrentPicture(0, 1), 0x06);
  EXPECT_EQ(SetPropProtect(0, 1), 0);
  EXPECT_EQ(EraseAll(0), 0);
  EXPECT_EQ(GetPropPicCount(0), 1); // the protected picture stays
  EXPECT_EQ(GetPropPicCount(1), 4);
}
