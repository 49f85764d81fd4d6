// The stand-in library as the family meets it: loaded with dlopen, driven
// through its exports and function table, watched through its test controls.
#include "app/cameras/canon/CdSdkAbi.h"
#include "platform/testsupport/TestSupport.h"
#include "sim/cdsdk/CdSimControl.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

using namespace tarsel::cdsdk;
using tarsel::cdsim::CdSimControls;

namespace {

std::string libraryPath(const char* name) {
  return tarsel::test::binDir() + "/" + name;
}

// A write-only stream over a vector, as the family's memory stream behaves for a transfer.
struct VectorStream {
  CanonMemoryStreamRecord record{};
  std::vector<std::uint8_t> bytes;
  std::size_t position = 0;
  int opens = 0;
  int closes = 0;
  std::uint32_t failWriteAt = 0; // fail the write that would pass this size (0: never)
  std::vector<u32> writes;
  std::function<void()> onWrite; // runs inside each write, before it is taken

  VectorStream() {
    record.context = this;
    record.open = [](void* c, u16 mode, u32* err) {
      ++self(c).opens;
      *err = mode == kStreamModeWrite ? kStreamOk : kStreamModeNotAllowed;
    };
    record.close = [](void* c, u32* err) {
      ++self(c).closes;
      *err = kStreamOk;
    };
    record.read = [](void*, void*, u32*, u32* err) { *err = kStreamModeNotAllowed; };
    record.write = [](void* c, const void* data, u32* size, u32* err) {
      VectorStream& s = self(c);
      s.writes.push_back(*size);
      if (s.onWrite)
        s.onWrite();
      if (s.failWriteAt != 0 && s.position + *size > s.failWriteAt) {
        *size = 0;
        *err = kStreamShort;
        return;
      }
      const auto* p = static_cast<const std::uint8_t*>(data);
      s.bytes.resize(std::max(s.bytes.size(), s.position + *size));
      std::memcpy(s.bytes.data() + s.position, p, *size);
      s.position += *size;
      *err = kStreamOk;
    };
    record.seek = [](void* c, i32 offset, u16 origin, u32* err) {
      *err = origin == kSeekFromStart ? kStreamOk : kStreamBadOrigin;
      self(c).position = static_cast<std::size_t>(offset);
    };
    record.tell = [](void* c, u32* err) {
      *err = kStreamOk;
      return static_cast<i32>(self(c).position);
    };
  }
  static VectorStream& self(void* context) { return *static_cast<VectorStream*>(context); }
};

u32 answerEvents(u32 event, const void*, u32, void* context) {
  static_cast<std::atomic<int>*>(context)->fetch_add(1);
  return event == kEventSleepQuery ? kAnswerStayAwake : 0;
}

class CdSimLibrary : public ::testing::Test {
protected:
  virtual const char* config() const {
    return "[sdk]\nchunk = 1000\nframe_rate = 100\n[camera]\nname = Sim Camera A\n"
           "[camera]\nname = Sim Camera B\nflags = 0\n";
  }

  void SetUp() override {
    m_library = dlopen(libraryPath("libCDSDK.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(m_library, nullptr) << dlerror();
    m_controls = std::make_unique<CdSimControls>(m_library);
    ASSERT_TRUE(m_controls->ok);
    ASSERT_EQ(m_controls->reset(config()), 0);
    start = reinterpret_cast<FnStartSdk*>(dlsym(m_library, kStartSdkExport));
    finish = reinterpret_cast<FnFinishSdk*>(dlsym(m_library, kFinishSdkExport));
    getFunctions = reinterpret_cast<FnGetFunctions*>(dlsym(m_library, kGetFunctionsExport));
    ASSERT_TRUE(start && finish && getFunctions);
    VersionRecord version{kVersionRecordSize, kVersionMajor, kVersionMinor, {}};
    ASSERT_EQ(start(&version, 0), kOk);
    table.slot[0] = kTableVersion;
    ASSERT_EQ(getFunctions(&table), kOk);
  }

  void TearDown() override {
    if (m_library != nullptr)
      dlclose(m_library);
  }

  std::string log() const { return m_controls->logText(); }
  std::string problems() const { return m_controls->problemsText(); }

  CdSimStats stats() const {
    CdSimStats s{};
    m_controls->stats(&s);
    return s;
  }

  // Enumerates the sources and opens the one at `index`.
  u32 openSource(int index, CanonSourceRecord* record = nullptr) {
    u32 enumeration = 0;
    EXPECT_EQ(entry<kEntrySourceEnumOpen>(table)(kSourceEnumOption, &enumeration), kOk);
    CanonSourceRecord local{};
    CanonSourceRecord& r = record ? *record : local;
    for (int i = 0; i <= index; ++i)
      EXPECT_EQ(entry<kEntrySourceEnumNext>(table)(enumeration, &r), kOk);
    entry<kEntrySourceEnumRelease>(table)(enumeration);
    r.word0 = kSourceRecordOpenWord;
    u32 source = 0;
    EXPECT_EQ(entry<kEntrySourceOpen>(table)(&r, &source), kOk);
    return source;
  }

  // Opens the source at `index`, registers and enters remote-release mode.
  u32 openRemote(int index, CanonSourceRecord* record = nullptr) {
    const u32 source = openSource(index, record);
    EXPECT_EQ(entry<kEntryEventRegister>(table)(source, &answerEvents, &events, &m_registration), kOk);
    EXPECT_EQ(entry<kEntryRemoteReleaseEnter>(table)(source, &answerEvents, &events), kOk);
    EXPECT_EQ(entry<kEntrySelectReleaseKind>(table)(source, kReleaseKindPicture), kOk);
    return source;
  }

  void closeRemote(u32 source, bool leave = true) {
    if (leave) {
      EXPECT_EQ(entry<kEntryRemoteReleaseLeave>(table)(source), kOk);
    }
    EXPECT_EQ(entry<kEntryEventUnregister>(table)(source, m_registration), kOk);
    EXPECT_EQ(entry<kEntrySourceClose>(table)(source), kOk);
  }

  // Releases and transfers every item; returns the streams.
  std::vector<VectorStream> takePicture(u32 source, u32 kind) {
    std::vector<VectorStream> streams;
    EXPECT_EQ(entry<kEntrySelectReleaseKind>(table)(source, kind), kOk);
    EXPECT_EQ(entry<kEntryBeforeRelease>(table)(source), kOk);
    u32 count = 0;
    EXPECT_EQ(entry<kEntryRelease>(table)(source, 0, nullptr, nullptr, kReleaseOption, &count, 0), kOk);
    streams.resize(count);
    for (auto& stream : streams) {
      CanonReleaseItemRecord item{};
      EXPECT_EQ(entry<kEntryReleasedItem>(table)(source, nullptr, nullptr, 0, &item, nullptr, 0), kOk);
      ReleaseDestination destination{kDestinationMemoryStream, &stream.record};
      EXPECT_EQ(
          entry<kEntryReleasedItem>(table)(source, nullptr, nullptr, kReleaseOption, &item, &destination, 0),
          kOk);
      const u32 size = item.dataSize; // a packed field: copied, not bound to a reference
      EXPECT_EQ(stream.bytes.size(), size);
      EXPECT_EQ(std::strlen(item.fileName), 12u) << item.fileName; // IMG_0001.JPG, always terminated
    }
    EXPECT_EQ(entry<kEntryAfterTransfer>(table)(source), kOk);
    return streams;
  }

  // Releases one picture and asks for its record, leaving the transfer to the caller.
  CanonReleaseItemRecord releaseOne(u32 source) {
    u32 count = 0;
    EXPECT_EQ(entry<kEntryBeforeRelease>(table)(source), kOk);
    EXPECT_EQ(entry<kEntryRelease>(table)(source, 0, nullptr, nullptr, kReleaseOption, &count, 0), kOk);
    CanonReleaseItemRecord item{};
    EXPECT_EQ(entry<kEntryReleasedItem>(table)(source, nullptr, nullptr, 0, &item, nullptr, 0), kOk);
    return item;
  }

  u32 transfer(u32 source, CanonReleaseItemRecord& item, VectorStream& stream) {
    ReleaseDestination destination{kDestinationMemoryStream, &stream.record};
    return entry<kEntryReleasedItem>(table)(source, nullptr, nullptr, kReleaseOption, &item, &destination, 0);
  }

  std::vector<std::uint8_t> payload(int camera, u32 item) const {
    std::vector<std::uint8_t> bytes(m_controls->payload(camera, item, nullptr, 0));
    m_controls->payload(camera, item, bytes.data(), bytes.size());
    return bytes;
  }

  CanonSdkFunctionTable table{};
  FnStartSdk* start = nullptr;
  FnFinishSdk* finish = nullptr;
  FnGetFunctions* getFunctions = nullptr;
  std::atomic<int> events{0};
  std::unique_ptr<CdSimControls> m_controls;

private:
  void* m_library = nullptr;
  u32 m_registration = 0;
};

} // namespace

TEST_F(CdSimLibrary, TransfersPicturesByteIdenticalToItsPayloadAndEndsClean) {
  u32 count = 0;
  u32 enumeration = 0;
  ASSERT_EQ(entry<kEntrySourceEnumOpen>(table)(kSourceEnumOption, &enumeration), kOk);
  ASSERT_EQ(entry<kEntrySourceEnumCount>(table)(enumeration, &count), kOk);
  EXPECT_EQ(count, 2u);
  entry<kEntrySourceEnumRelease>(table)(enumeration);

  CanonSourceRecord record{};
  const u32 source = openRemote(1, &record);
  EXPECT_STREQ(record.name, "Sim Camera B");

  auto pictures = takePicture(source, kReleaseKindPicture);
  ASSERT_EQ(pictures.size(), 1u);
  const auto& jpeg = pictures[0].bytes;
  EXPECT_EQ(jpeg, payload(1, 0));
  ASSERT_GT(jpeg.size(), 1000u);
  EXPECT_EQ(jpeg[0], 0xFF);
  EXPECT_EQ(jpeg[1], 0xD8);
  EXPECT_EQ(std::string(jpeg.begin() + 6, jpeg.begin() + 10), "Exif");
  EXPECT_EQ(pictures[0].opens, 1);
  EXPECT_EQ(pictures[0].closes, 1);

  auto extras = takePicture(source, kReleaseKindWithExtras);
  ASSERT_EQ(extras.size(), 3u);
  for (u32 i = 0; i < 3; ++i)
    EXPECT_EQ(extras[i].bytes, payload(1, i));
  EXPECT_NE(extras[1].bytes, jpeg); // a new picture

  // Listing the cameras' names opens the camera again while it is in use; that handle cannot release.
  const u32 second = openSource(1);
  u32 props = 0, flags = 0, flagsSize = 4;
  ASSERT_EQ(entry<kEntryDevicePropsOpen>(table)(second, 0, &props), kOk);
  ASSERT_EQ(entry<kEntryDevicePropRead>(table)(props, kPropDeviceFlags, &flagsSize, &flags, 0), kOk);
  EXPECT_EQ(flags, 0u);
  EXPECT_EQ(entry<kEntryDevicePropsClose>(table)(props), kOk);
  EXPECT_EQ(entry<kEntryRelease>(table)(second, 0, nullptr, nullptr, kReleaseOption, &count, 0),
            kErrInvalidCall);
  EXPECT_EQ(entry<kEntrySourceClose>(table)(second), kOk);
  EXPECT_EQ(stats().illegalCalls, 1u);
  EXPECT_EQ(takePicture(source, kReleaseKindPicture).size(), 1u); // the first handle still works

  closeRemote(source);
  EXPECT_EQ(finish(), kOk);
  EXPECT_EQ(stats().releases, 3u);
  EXPECT_EQ(stats().transfers, 5u);
}

TEST_F(CdSimLibrary, InjectedFailuresOutOfOrderCallsAndLeaksAreReported) {
  const u32 source = openRemote(0);
  m_controls->fail(kEntryRelease, kErrLensCoverClosed, 1);
  u32 count = 0;
  ASSERT_EQ(entry<kEntryBeforeRelease>(table)(source), kOk);
  EXPECT_EQ(entry<kEntryRelease>(table)(source, 0, nullptr, nullptr, kReleaseOption, &count, 0),
            kErrLensCoverClosed);
  EXPECT_EQ(entry<kEntryRelease>(table)(source, 0, nullptr, nullptr, kReleaseOption, &count, 0), kOk);
  EXPECT_EQ(stats().injectedFailures, 1u);

  // A stream that refuses a write stops the transfer; the item stays pending and can be fetched again.
  CanonReleaseItemRecord item{};
  ASSERT_EQ(entry<kEntryReleasedItem>(table)(source, nullptr, nullptr, 0, &item, nullptr, 0), kOk);
  VectorStream shortStream;
  shortStream.failWriteAt = 2500;
  ReleaseDestination destination{kDestinationMemoryStream, &shortStream.record};
  EXPECT_EQ(
      entry<kEntryReleasedItem>(table)(source, nullptr, nullptr, kReleaseOption, &item, &destination, 0),
      kErrIncompleteTransfer);
  EXPECT_EQ(shortStream.closes, 1);
  VectorStream good;
  destination.stream = &good.record;
  EXPECT_EQ(
      entry<kEntryReleasedItem>(table)(source, nullptr, nullptr, kReleaseOption, &item, &destination, 0),
      kOk);
  EXPECT_EQ(good.bytes, payload(0, 0));
  EXPECT_EQ(stats().illegalCalls + stats().invalidHandleCalls, 0u);

  // Out of order: nothing pending, and remote-release mode entered twice.
  EXPECT_EQ(entry<kEntryReleasedItem>(table)(source, nullptr, nullptr, 0, &item, nullptr, 0),
            kErrInvalidCall);
  EXPECT_EQ(entry<kEntryRemoteReleaseEnter>(table)(source, &answerEvents, &events), kErrSessionAlreadyOpen);
  EXPECT_EQ(entry<kEntryAfterTransfer>(table)(source), kOk);
  EXPECT_EQ(stats().illegalCalls, 2u);

  // Leaks: a property handle and the source in remote-release mode at finish.
  u32 props = 0;
  ASSERT_EQ(entry<kEntryDevicePropsOpen>(table)(source, 0, &props), kOk);
  EXPECT_EQ(finish(), kOk);
  const CdSimStats s = stats();
  EXPECT_EQ(s.openSources, 1u);
  EXPECT_EQ(s.openPropertyHandles, 1u);
  EXPECT_EQ(s.openRegistrations, 1u);
  EXPECT_EQ(s.remoteModes, 1u);
  const std::string text = problems();
  EXPECT_NE(text.find("1 device-property handle(s) open"), std::string::npos) << text;
  EXPECT_NE(text.find("remote-release mode entered twice"), std::string::npos) << text;
  // After finishing, the table's entries refuse.
  EXPECT_EQ(entry<kEntryBeforeRelease>(table)(source), kErrInvalidCall);
}

TEST_F(CdSimLibrary, ViewfinderStopJoinsTheFrameThreadAndEventsGetTheirAnswer) {
  const u32 source = openRemote(0);
  struct Frames {
    std::atomic<int> count{0};
    std::atomic<bool> stopped{false};
    std::atomic<int> afterStop{0};
    std::atomic<bool> jpeg{true};
  } frames;
  auto onFrame = [](const void* frame, u32 size, u32 format, void* context) -> u32 {
    auto& f = *static_cast<Frames*>(context);
    const auto* bytes = static_cast<const std::uint8_t*>(frame);
    if (format != kViewfinderFormatJpeg || size < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8)
      f.jpeg = false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5)); // a frame in flight while stop is called
    if (f.stopped)
      ++f.afterStop;
    ++f.count;
    return 0;
  };
  ASSERT_EQ(entry<kEntryViewfinderOutput>(table)(source, kViewfinderOutputMonitorOn), kOk);
  for (int run = 0; run < 3; ++run) {
    frames.stopped = false;
    const int before = frames.count;
    ASSERT_EQ(entry<kEntryViewfinderStart>(table)(source, 0, onFrame, &frames), kOk);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (frames.count < before + 2 && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_EQ(entry<kEntryViewfinderStop>(table)(source, 0), kOk);
    frames.stopped = true;
    const int atStop = frames.count;
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    EXPECT_EQ(frames.count, atStop);
    EXPECT_GE(atStop, before + 2);
  }
  EXPECT_EQ(frames.afterStop, 0);
  EXPECT_TRUE(frames.jpeg);

  EXPECT_EQ(m_controls->fireEvent(0, kEventSleepQuery, nullptr, 0), kAnswerStayAwake);
  const u32 level = 4;
  EXPECT_EQ(m_controls->fireEvent(0, kEventBatteryLevel, &level, sizeof level), 0);
  EXPECT_EQ(events, 2);
  EXPECT_EQ(m_controls->fireEvent(1, kEventSleepQuery, nullptr, 0), -1); // camera 1 is not open

  closeRemote(source);
  EXPECT_EQ(finish(), kOk);
  EXPECT_EQ(problems(), "");
}

TEST_F(CdSimLibrary, AnUnpluggedCameraFailsItsCallsAndComesBackWithNewHandles) {
  const u32 source = openRemote(0);
  ASSERT_EQ(m_controls->unplug(0), 0);
  u32 count = 0;
  EXPECT_EQ(entry<kEntryBeforeRelease>(table)(source), kErrDeviceNotFound);
  EXPECT_EQ(entry<kEntryRelease>(table)(source, 0, nullptr, nullptr, kReleaseOption, &count, 0),
            kErrDeviceNotFound);
  u32 enumeration = 0;
  ASSERT_EQ(entry<kEntrySourceEnumOpen>(table)(kSourceEnumOption, &enumeration), kOk);
  ASSERT_EQ(entry<kEntrySourceEnumCount>(table)(enumeration, &count), kOk);
  EXPECT_EQ(count, 1u);
  entry<kEntrySourceEnumRelease>(table)(enumeration);

  ASSERT_EQ(m_controls->plug(0), 0);
  EXPECT_EQ(entry<kEntryBeforeRelease>(table)(source), kErrDeviceNotFound); // the old handle stays gone
  EXPECT_EQ(entry<kEntryRemoteReleaseLeave>(table)(source), kErrDeviceNotFound);
  closeRemote(source, false); // but can be cleaned up
  const u32 again = openRemote(0);
  EXPECT_NE(again, source);
  EXPECT_EQ(takePicture(again, kReleaseKindPicture).size(), 1u);
  closeRemote(again);
  EXPECT_EQ(finish(), kOk);
  EXPECT_EQ(problems(), "");
}

TEST(CdSimNoStart, TheSecondLibraryLacksOnlyTheStartEntry) {
  void* library = dlopen(libraryPath("libCDSDK-nostart.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  EXPECT_EQ(dlsym(library, kStartSdkExport), nullptr);
  EXPECT_NE(dlsym(library, kGetFunctionsExport), nullptr);
  EXPECT_NE(dlsym(library, kFinishSdkExport), nullptr);
  EXPECT_EQ(dlsym(library, "_ZN6tarsel5cdsim5stateEv"), nullptr); // internals stay hidden
  dlclose(library);
}

namespace {

// The first SOF0 frame's width and height of a JPEG file.
std::pair<int, int> jpegSize(const std::vector<std::uint8_t>& jpeg) {
  for (std::size_t at = 2; at + 9 < jpeg.size();) {
    if (jpeg[at] != 0xFF)
      return {-1, -1};
    const int marker = jpeg[at + 1];
    const std::size_t length = static_cast<std::size_t>(jpeg[at + 2] << 8 | jpeg[at + 3]);
    if (marker == 0xC0)
      return {jpeg[at + 7] << 8 | jpeg[at + 8], jpeg[at + 5] << 8 | jpeg[at + 6]};
    at += 2 + length;
  }
  return {-1, -1};
}

bool contains(const std::vector<std::uint8_t>& bytes, const std::vector<std::uint8_t>& part) {
  return std::search(bytes.begin(), bytes.end(), part.begin(), part.end()) != bytes.end();
}

// A little-endian IFD entry holding one SHORT value.
std::vector<std::uint8_t> shortEntry(u16 tag, u16 value) {
  return {static_cast<std::uint8_t>(tag),   static_cast<std::uint8_t>(tag >> 8),   3, 0, 1, 0, 0, 0,
          static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8), 0, 0};
}

class CdSimPictureCamera : public CdSimLibrary {
protected:
  const char* config() const override {
    return "[sdk]\nchunk = 0\n[camera]\nclock = 1700000000\niso = 88\nflash = 2\nwhite_balance = 3\n"
           "resolutions = 0:320x240, 1:160x120\nimage_formats = 3:0, 3:1\nimage_format = 3:1\n"
           "program_mode = 1\napertures = 32, 40\nexposure_time = 104\nexposure_biases = 32, 24, 21\n"
           "exposure_bias = 21\n";
  }
};

} // namespace

TEST_F(CdSimPictureCamera, PicturesFollowTheImageFormatAndCarryTheSettingsInExif) {
  const u32 source = openRemote(0);
  auto small = takePicture(source, kReleaseKindPicture);
  ASSERT_EQ(small.size(), 1u);
  EXPECT_EQ(jpegSize(small[0].bytes), std::make_pair(160, 120));
  // Odd chunks: many writes of different sizes, none over 4097 bytes.
  EXPECT_GT(small[0].writes.size(), 1u);
  EXPECT_LE(*std::max_element(small[0].writes.begin(), small[0].writes.end()), 4097u);
  EXPECT_NE(small[0].writes[0], small[0].writes[1]);

  ASSERT_EQ(entry<kEntrySetImageFormat>(table)(source, 3, 0, 0), kOk);
  EXPECT_EQ(entry<kEntrySetImageFormat>(table)(source, 2, 0, 0), kErrOperationRefused);
  u32 quality = kImageFormatQualityPreset, size = 9;
  ASSERT_EQ(entry<kEntryImageFormat>(table)(source, &quality, &size, 0), kOk);
  EXPECT_EQ(size, 0u);
  const auto jpeg = takePicture(source, kReleaseKindPicture).at(0).bytes;
  EXPECT_EQ(jpegSize(jpeg), std::make_pair(320, 240));
  const std::string when = "2023:11:14 22:13:20"; // the camera's clock, as it reads
  EXPECT_TRUE(contains(jpeg, std::vector<std::uint8_t>(when.begin(), when.end())));
  EXPECT_TRUE(contains(jpeg, shortEntry(0x8827, 400)));  // ISO code 88
  EXPECT_TRUE(contains(jpeg, shortEntry(0x9209, 0x09))); // flash on: fired
  EXPECT_TRUE(contains(jpeg, shortEntry(0xA403, 1)));    // white balance not automatic

  // An independent reader sees the same.
  tarsel::test::TempDir folder;
  tarsel::test::writeFile(folder.file("picture.jpg"), std::string(jpeg.begin(), jpeg.end()));
  const auto read = tarsel::test::runProgram({"exiftool", "-s", "-s", "-n", "-DateTimeOriginal", "-ISO",
                                              "-Flash", "-WhiteBalance", "-FocalLength", "-ImageSize",
                                              "-Warning", folder.file("picture.jpg")});
  ASSERT_EQ(read.exitCode, 0);
  EXPECT_EQ(read.out, "DateTimeOriginal: 2023:11:14 22:13:20\nISO: 400\nFlash: 9\nWhiteBalance: 1\n"
                      "FocalLength: 5.8\nImageSize: 320 240\n");
  // The exposure of the camera's settings: 1/60 s, f/2.8, +1/3 EV.
  const auto exposure = tarsel::test::runProgram({"exiftool", "-s", "-s", "-ExposureTime", "-FNumber",
                                                  "-ExposureCompensation", folder.file("picture.jpg")});
  EXPECT_EQ(exposure.out, "ExposureTime: 1/60\nFNumber: 2.8\nExposureCompensation: +1/3\n");

  closeRemote(source);
  EXPECT_EQ(finish(), kOk);
  EXPECT_EQ(problems(), "");
}

TEST_F(CdSimPictureCamera, CameraValuesFollowTheCameraRules) {
  const u32 source = openRemote(0);
  EXPECT_EQ(entry<kEntrySetAperture>(table)(source, 40), kErrOperationRefused); // not in program mode 1
  ASSERT_EQ(entry<kEntrySetProgramMode>(table)(source, 3), kOk);
  EXPECT_EQ(entry<kEntrySetAperture>(table)(source, 48), kErrOperationRefused); // not listed
  ASSERT_EQ(entry<kEntrySetAperture>(table)(source, 40), kOk);
  u16 aperture = 0;
  ASSERT_EQ(entry<kEntryAperture>(table)(source, &aperture, 0), kOk);
  EXPECT_EQ(aperture, 40);

  u32 iso = 0, isoSize = 4;
  EXPECT_EQ(entry<kEntryReleaseControlRead>(table)(source, kParamIso, &isoSize, &iso), kErrInvalidLength);
  isoSize = 2;
  ASSERT_EQ(entry<kEntryReleaseControlRead>(table)(source, kParamIso, &isoSize, &iso), kOk);
  EXPECT_EQ(iso, 88u);
  u32 values = 0, valueSize = 0;
  ASSERT_EQ(entry<kEntryParameterValuesOpen>(table)(source, kParamMetering, &values, &valueSize), kOk);
  EXPECT_EQ(valueSize, 1u);
  std::uint8_t metering[2] = {0xEE, 0xEE};
  EXPECT_EQ(entry<kEntryParameterValuesNext>(table)(values, 2, metering), kErrInvalidLength);
  ASSERT_EQ(entry<kEntryParameterValuesNext>(table)(values, 1, metering), kOk);
  EXPECT_EQ(metering[0], 3);
  EXPECT_EQ(metering[1], 0xEE); // nothing written past the value
  EXPECT_EQ(entry<kEntryParameterValuesRelease>(table)(values), kOk);

  u32 props = 0;
  ASSERT_EQ(entry<kEntryDevicePropsOpen>(table)(source, 0, &props), kOk);
  const std::string longOwner(32, 'x');
  u32 ownerSize = 33;
  EXPECT_EQ(entry<kEntryDevicePropWrite>(table)(props, kPropOwnerText, &ownerSize, longOwner.c_str()),
            kErrInvalidPropertyValue);
  ownerSize = 4;
  ASSERT_EQ(entry<kEntryDevicePropWrite>(table)(props, kPropOwnerText, &ownerSize, "Ann"), kOk);
  char owner[64] = {};
  ownerSize = sizeof owner;
  ASSERT_EQ(entry<kEntryDevicePropRead>(table)(props, kPropOwnerText, &ownerSize, owner, 0), kOk);
  EXPECT_STREQ(owner, "Ann");
  EXPECT_EQ(ownerSize, 4u);
  EXPECT_EQ(entry<kEntryDevicePropsClose>(table)(props), kOk);
  EXPECT_EQ(stats().illegalCalls, 0u);

  // Constants the family must pass, and a slot the family never uses.
  EXPECT_EQ(entry<kEntrySetFlash>(table)(source, 1, 0), kErrInvalidParameter);
  reinterpret_cast<u32 (*)()>(table.slot[slotOf(64)])();
  EXPECT_EQ(stats().illegalCalls, 1u);
  EXPECT_EQ(stats().notImplementedCalls, 1u);
  EXPECT_NE(log().find("NotImplemented(64)  -> 0x1"), std::string::npos) << log();

  closeRemote(source);
  EXPECT_EQ(finish(), kOk);
}

TEST_F(CdSimLibrary, CountsTwoThreadsInsideCallsOnOneCameraAndFailsATransferWhenUnplugged) {
  const u32 a = openRemote(0);
  CanonReleaseItemRecord item = releaseOne(a);
  VectorStream stream;
  std::promise<void> otherCallDone;
  auto done = otherCallDone.get_future();
  stream.onWrite = [&] {
    if (stream.writes.size() != 1)
      return;
    std::thread other([&] {
      u32 position = 0;
      entry<kEntryZoomPosition>(table)(a, &position); // the same camera: overlaps
      otherCallDone.set_value();
    });
    done.wait();
    other.join();
  };
  ASSERT_EQ(transfer(a, item, stream), kOk);
  EXPECT_EQ(stats().overlappingCalls, 1u);
  EXPECT_EQ(entry<kEntryAfterTransfer>(table)(a), kOk);

  item = releaseOne(a);
  VectorStream cut;
  cut.onWrite = [&] {
    if (cut.writes.size() == 1)
      m_controls->unplug(0);
  };
  EXPECT_EQ(transfer(a, item, cut), kErrDeviceNotFound);
  EXPECT_EQ(cut.writes.size(), 1u); // stopped at the next chunk
  EXPECT_EQ(cut.closes, 1);
  entry<kEntryRemoteReleaseLeave>(table)(a);
  closeRemote(a, false);
  EXPECT_EQ(finish(), kOk);
  EXPECT_NE(problems().find("1 overlapping call(s) on one source"), std::string::npos);
}

TEST_F(CdSimLibrary, RefusesAnotherVersionAndAStartedLibraryStartedAgain) {
  VersionRecord version{kVersionRecordSize, kVersionMajor, kVersionMinor, {}};
  EXPECT_EQ(start(&version, 0), kErrInvalidCall); // already started
  ASSERT_EQ(finish(), kOk);
  VersionRecord older{kVersionRecordSize, kVersionMajor, 2, {}};
  EXPECT_EQ(start(&older, 0), kErrIncompatibleVersion);
  ASSERT_EQ(start(&version, 0), kOk);
  CanonSdkFunctionTable other{};
  other.slot[0] = 0x07020000;
  EXPECT_EQ(getFunctions(&other), kErrIncompatibleVersion);
  EXPECT_EQ(other.slot[slotOf(kEntrySourceEnumOpen)], 0u);
  EXPECT_EQ(finish(), kOk);
  EXPECT_EQ(stats().illegalCalls, 1u);
}

TEST_F(CdSimLibrary, UnregisteringWaitsForAnEventCallBackThatIsRunning) {
  const u32 source = openSource(0);
  u32 registration = 0;
  struct Slow {
    std::atomic<bool> inside{false};
    std::atomic<bool> finished{false};
  } slow;
  auto callback = [](u32, const void*, u32, void* context) -> u32 {
    auto& s = *static_cast<Slow*>(context);
    s.inside = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    s.finished = true;
    return 0;
  };
  ASSERT_EQ(entry<kEntryEventRegister>(table)(source, callback, &slow, &registration), kOk);
  std::thread fire([&] { m_controls->fireEvent(0, kEventShutterButton, nullptr, 0); });
  while (!slow.inside)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(entry<kEntryEventUnregister>(table)(source, registration), kOk);
  EXPECT_TRUE(slow.finished); // the context may be freed once unregistering returned
  fire.join();
  EXPECT_EQ(m_controls->fireEvent(0, kEventShutterButton, nullptr, 0), -1); // nothing registered now
  EXPECT_EQ(entry<kEntrySourceClose>(table)(source), kOk);
  EXPECT_EQ(finish(), kOk);
  EXPECT_EQ(problems(), "");
}

TEST_F(CdSimLibrary, RecordsHoldTheirFieldsAtTheirOffsetsAndReleasesFillTheVolume) {
  const u32 source = openRemote(0);
  u32 resolutions = 0, count = 0;
  ASSERT_EQ(entry<kEntryResolutionEnumOpen>(table)(source, 0, &resolutions), kOk);
  ASSERT_EQ(entry<kEntryResolutionEnumCount>(table)(resolutions, &count), kOk);
  EXPECT_EQ(count, 2u);
  std::uint8_t raw[sizeof(ResolutionRecord)];
  ASSERT_EQ(entry<kEntryResolutionEnumNext>(table)(resolutions, reinterpret_cast<ResolutionRecord*>(raw)),
            kOk);
  const std::uint8_t first[10] = {0, 0, 0x80, 2, 0, 0, 0xE0, 1, 0, 0}; // size 0, 640, 480
  EXPECT_EQ(std::memcmp(raw, first, sizeof first), 0);
  ASSERT_EQ(entry<kEntryResolutionEnumNext>(table)(resolutions, reinterpret_cast<ResolutionRecord*>(raw)),
            kOk);
  EXPECT_EQ(entry<kEntryResolutionEnumNext>(table)(resolutions, reinterpret_cast<ResolutionRecord*>(raw)),
            kErrEnumEnd);
  EXPECT_EQ(entry<kEntryResolutionEnumRelease>(table)(resolutions), kOk);

  auto volumeWalk = [&](std::uint64_t* freeSpace, u32* items) {
    u32 volumes = 0, volume = 0, itemEnum = 0;
    ASSERT_EQ(entry<kEntryVolumeEnumOpen>(table)(source, &volumes), kOk);
    ASSERT_EQ(entry<kEntryVolumeEnumNext>(table)(volumes, &volume), kOk);
    EXPECT_EQ(entry<kEntryVolumeEnumNext>(table)(volumes, &volume), kErrEnumEnd);
    std::uint8_t info[sizeof(VolumeRecord)];
    ASSERT_EQ(entry<kEntryVolumeInfo>(table)(volume, reinterpret_cast<VolumeRecord*>(info)), kOk);
    std::uint64_t capacity = 0;
    std::memcpy(&capacity, info + 4, 8);
    std::memcpy(freeSpace, info + 12, 8);
    EXPECT_EQ(capacity, 64u << 20);
    EXPECT_EQ(entry<kEntryItemEnumOpen>(table)(volume, 100, 0, &itemEnum), kErrInvalidParameter);
    ASSERT_EQ(entry<kEntryItemEnumOpen>(table)(volume, kItemEnumOption, kItemEnumFlags, &itemEnum), kOk);
    EXPECT_EQ(entry<kEntryItemEnumCount>(table)(itemEnum, items), kOk);
    EXPECT_EQ(entry<kEntryItemEnumRelease>(table)(itemEnum), kOk);
    EXPECT_EQ(entry<kEntryVolumeEnumRelease>(table)(volumes), kOk);
  };
  std::uint64_t freeBefore = 0, freeAfter = 0;
  u32 itemsBefore = 0, itemsAfter = 0;
  volumeWalk(&freeBefore, &itemsBefore);
  const auto pictures = takePicture(source, kReleaseKindWithExtras);
  volumeWalk(&freeAfter, &itemsAfter);
  EXPECT_EQ(itemsAfter, itemsBefore + 3);
  std::uint64_t taken = 0;
  for (const auto& p : pictures)
    taken += p.bytes.size();
  EXPECT_EQ(freeBefore - freeAfter, taken);
  EXPECT_EQ(pictures.at(0).bytes.size() < pictures.at(1).bytes.size(), true); // the thumbnail first

  closeRemote(source);
  EXPECT_EQ(finish(), kOk);
  EXPECT_EQ(stats().illegalCalls, 2u) << problems(); // the item enumerations' wrong flags
}
