// What the two fuzz targets of the Canon family's reading of SDK replies run
// (CanonSdkReplies.h): the family's real camera and discovery code against a
// fake SDK table that answers every call from the input (FakeCanonSdk.h).
//
// Besides the fake's own books (handles, bounds, the memory stream's model,
// calls after the replies ran out) it checks what the family makes of the
// replies: texts no longer than the SDK gave and equal to them, counts and
// tables within the family's bounds, sums over volumes as the volumes said,
// the transferred pictures byte for byte as the SDK wrote them into the
// stream, the clock read and written back unchanged, the zoom put back after
// detection, events handed to the status sink as their data says.
#include "app/cameras/canon/tests/CanonSdkReplies.h"

#include "app/cameras/canon/CanonCDSdkWrapper.h"
#include "app/cameras/canon/CanonCDWr.h"
#include "app/cameras/canon/CanonCameraClock.h"
#include "app/cameras/canon/CanonCapabilityDefaults.h"
#include "app/cameras/canon/CanonDeviceProps.h"
#include "app/cameras/canon/CanonLimits.h"
#include "app/cameras/canon/CanonSdkLibrary.h"
#include "app/cameras/canon/tests/FakeCanonSdk.h"
#include "app/core/CanonResolutionSet.h"
#include "app/core/CapabilitySet.h"
#include "app/core/ICapabilitiesCallback.h"
#include "app/core/ISdkCallback.h"
#include "app/pictures/PictureFromCamera.h"
#include "env/BrantelTakeError.h"
#include "hostapi/RefPtr.h"
#include "platform/testsupport/FuzzScratch.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using tarsel::canon::fuzz::ByteReader;
using tarsel::canon::fuzz::CanonRepliesFocus;
using tarsel::canon::fuzz::Check;
using tarsel::canon::fuzz::FakeCanonSdk;
namespace cd = tarsel::cdsdk;

constexpr unsigned kScriptLengths = 9;
// The owner text, " - " or the like, and the model name.
constexpr std::size_t kDisplayNameBound = CCanonDeviceProps::kTextSize + 3 + sizeof CanonSourceRecord{}.name;

struct StatusSink : _ISdkCallback {
  void OnStatus(std::int32_t code, std::intptr_t argument) override { statuses.emplace_back(code, argument); }
  std::vector<std::pair<std::int32_t, std::intptr_t>> statuses;
};

// Answers true until `stopAfter` lines were logged (0: never stops).
struct Log : _ICapabilitiesCallback {
  bool LogLine(const char* text) override { return Line(text); }
  bool LogIndentedLine(const char* text) override { return Line(text); }
  bool Line(const char* text) {
    Check(text != nullptr && std::strlen(text) < 1024, "a detection log line without bound");
    return stopAfter == 0 || ++lines < stopAfter;
  }
  unsigned stopAfter = 0;
  unsigned lines = 0;
};

// Keeps what the camera hands over, without decoding it.
class RecordingPicture : public CPictureFromCamera {
public:
  void SetImage(const void* bytes, DWORD size, const char*, IPictureInfo*) override {
    Check(bytes != nullptr || size == 0, "a picture handed over from no bytes");
    const auto* begin = static_cast<const std::uint8_t*>(bytes);
    images.emplace_back(begin, begin + size);
  }
  void SetFileName(const char* name) override { names.emplace_back(name); }
  std::vector<std::vector<std::uint8_t>> images;
  std::vector<std::string> names;
};

std::size_t Rows(const tarsel::core::CapabilityValue* table) {
  std::size_t rows = 0;
  while (table && table[rows].label)
    ++rows;
  return rows;
}

void CheckText(const std::string& text, std::size_t maximum, const char* what) {
  Check(text.size() <= maximum && text.find('\0') == std::string::npos, what);
}

// `justRead`: the identity was read last, so the firmware text is the SDK's last.
void CheckIdentity(CanonCD_Wr& camera, FakeCanonSdk& sdk, bool justRead) {
  const std::string label = camera.GetCameraLabel();
  CheckText(label, CCanonDeviceProps::kTextSize, "the firmware text longer than the SDK's field");
  Check(!justRead || label == sdk.LastText(cd::kPropFirmwareText),
        "the firmware text differs from what the SDK answered");
  CheckText(camera.GetModelName(), sizeof CanonSourceRecord{}.name, "the model name past its record field");
  CheckText(camera.GetCameraName(), kDisplayNameBound, "the camera name without bound");
}

void Capabilities(CanonCD_Wr& camera, FakeCanonSdk& sdk) {
  Log log;
  log.stopAfter = sdk.Input().Byte() % 64u;
  sdk.ClearZoom();
  camera.ObtainCapabilitiesFromCamera(&log);
  CCanonCapabilities& cache = camera.Capabilities();
  for (int capability = 0; capability < tarsel::canon::kCapabilityCount; ++capability) {
    CCapabilitySet* set = cache.Set(capability);
    if (!set || set->IsUnsupported())
      continue;
    const std::size_t bound = capability == tarsel::canon::kDigitalZoom ? tarsel::canon::kMaxDigitalZoomSteps
                                                                        : tarsel::canon::kMaxEnumerated;
    Check(Rows(set->GetValues()) <= bound + 1, "a value table longer than the family believes");
  }
  if (CCanonResolutionSet* resolutions = cache.Resolutions())
    Check(resolutions->GetCount() <= tarsel::canon::kMaxEnumerated,
          "more resolutions than the family believes");
  // The digital zoom steps went through at most the believed positions and
  // the zoom went back where the camera said it was.
  Check(sdk.ZoomSetCalls() <= tarsel::canon::kMaxDigitalZoomSteps + 1,
        "more digital zoom steps than believed");
  if (sdk.ZoomAnswered())
    Check(sdk.ZoomSetCalls() > 0 && sdk.ZoomPositionSet() == sdk.ZoomPositionAnswered(),
          "the zoom not put back after the digital zoom step");
}

void CaptureAndTransfer(CanonCD_Wr& camera, FakeCanonSdk& sdk) {
  const std::uint8_t how = sdk.Input().Byte();
  if (how & 1) {
    camera.Capture(how >> 2, (how & 2) != 0);
  } else if (camera.PrepareCapture(0) == 0) {
    camera.FirePreparedCapture();
  }
  const std::uint32_t flags = how & CanonCD_Wr::kNameAfterCameraFile;
  const std::size_t deliveredBefore = sdk.DeliveredPictures().size();
  const std::uint32_t recordCallsBefore = sdk.TransferRecordCalls();
  const CRefPtr<RecordingPicture> picture(new RecordingPicture);
  camera.TransferPicture(picture.get(), flags);
  Check(sdk.TransferRecordCalls() - recordCallsBefore <= tarsel::canon::kMaxReleaseItems,
        "more items fetched than one release may leave");
  const auto& delivered = sdk.DeliveredPictures();
  Check(picture->images.size() == delivered.size() - deliveredBefore,
        "a picture the SDK delivered was not handed over, or one more was");
  for (std::size_t i = 0; i < picture->images.size(); ++i)
    Check(picture->images[i] == delivered[deliveredBefore + i].bytes,
          "a picture's bytes differ from what the SDK wrote into the stream");
  Check(picture->names.size() == (flags ? picture->images.size() : 0), "the camera's file names not kept");
  for (std::size_t i = 0; i < picture->names.size(); ++i)
    Check(picture->names[i] == delivered[deliveredBefore + i].fileName,
          "a picture's file name differs from the item record's");
}

void Volumes(CanonCD_Wr& camera, FakeCanonSdk& sdk) {
  sdk.ClearTally();
  bool media = true;
  if (camera.HasMedia(&media) == 0) {
    bool any = false;
    for (const cd::VolumeRecord& volume : sdk.TallyOfAnswers().volumes)
      any |= volume.capacity != 0;
    Check(media == any, "media reported other than the volumes said");
  } else {
    Check(!media, "media reported from a failed read");
  }

  sdk.ClearTally();
  std::uint32_t count = 1;
  if (camera.GetPropPicCount(&count) == 0) {
    std::uint64_t expected = 0;
    for (const std::uint32_t items : sdk.TallyOfAnswers().itemCounts)
      expected += std::min(items, tarsel::canon::kMaxEnumerated);
    Check(count == expected, "the picture count differs from the volumes' believed counts");
  }

  sdk.ClearTally();
  std::uint64_t space = 1;
  if (camera.GetMemoryFree(&space) == 0) {
    // Summed wider than the family sums, then capped.
    unsigned __int128 sum = 0;
    for (const cd::VolumeRecord& volume : sdk.TallyOfAnswers().volumes)
      sum += volume.freeSpace;
    const auto expected = static_cast<std::uint64_t>(
        std::min<unsigned __int128>(sum, std::numeric_limits<std::uint64_t>::max()));
    Check(space == expected, "the free space differs from the volumes' (at most the largest number)");
  }
}

void Clock(CanonCD_Wr& camera, FakeCanonSdk& sdk) {
  FILETIME time{};
  if (camera.GetPropCameraTime(&time) != 0)
    return;
  const std::uint32_t seconds = sdk.LastWord(cd::kPropCameraTime);
  Check(tarsel::canon::FileTimeToCameraClock(time) == seconds, "the camera clock does not read back");
  if (camera.SetPropCameraTime(time) == 0)
    Check(sdk.LastCameraTimeWritten() == seconds, "the camera clock written other than it was read");
}

void Zoom(CanonCD_Wr& camera, FakeCanonSdk& sdk) {
  std::int32_t steps = 0;
  if (camera.GetDigitalZoomSteps(&steps) == 0)
    Check(steps == -1 ||
              (steps >= 1 && static_cast<std::uint32_t>(steps) <= tarsel::canon::kMaxDigitalZoomSteps),
          "digital zoom steps beyond what the family believes");
  std::int32_t position = 0;
  double factor = 0.0;
  camera.GetPropOpticalZoom(&position, &factor);
  Check(std::isfinite(factor) && factor >= 0.0, "a zoom factor that is no number");
  camera.SetDigitalZoomSteps(sdk.Input().Byte());
  camera.LeaveDigitalZoom();
}

void Properties(CanonCD_Wr& camera) {
  std::uint32_t value = 0;
  camera.GetPropFlash(&value);
  Check(value <= 0xFFFF, "a flash code wider than 16 bits");
  camera.GetPropExpoBias(&value);
  Check(value <= 0xFFFF, "an exposure bias wider than 16 bits");
  camera.GetPropMetering(&value);
  Check(value <= 0xFF, "a metering code wider than 8 bits");
  camera.GetPropIsoSpeed(&value);
  Check(value <= 0xFFFF, "an ISO code wider than 16 bits");
  camera.GetPropWhiteBalance(&value);
  camera.GetPropAFDistance(&value);
  camera.GetRemainCount(&value);
  std::uint32_t program = 0;
  std::uint32_t aperture = 0;
  std::uint32_t exposureTime = 0;
  camera.GetExposure(&program, &aperture, &exposureTime);
  Check(program <= 0xFFFF, "a program mode wider than 16 bits");
  std::int32_t resolution = 0;
  camera.GetPropResolution(&resolution);
  const CCanonResolutionSet* resolutions = camera.Capabilities().Resolutions();
  Check(resolution == -1 || (resolutions && resolution >= 0 &&
                             static_cast<std::size_t>(resolution) < resolutions->GetCount()),
        "a resolution index outside the set");
  std::int32_t level = 0;
  if (camera.GetBatteryStatus(&level) == 0)
    Check(level >= static_cast<std::int32_t>(CanonCD_Wr::kBatteryUnknown) &&
              level <= static_cast<std::int32_t>(CanonCD_Wr::kBatteryEmpty),
          "a battery state outside the mapped ones");
  std::uint32_t support = 0;
  camera.GetAFLockSupport(&support);
  Check(support == 0 || support == 8, "an AF lock support word other than 0 or 8");
  bool locked = false;
  camera.SetAFLock(true, &locked);
  camera.SetAFLock(false, &locked);
}

void Event(CanonCD_Wr& camera, FakeCanonSdk& sdk, StatusSink& sink) {
  static constexpr std::uint32_t kEvents[] = {cd::kEventBatteryLevel,
                                              cd::kEventBatteryLevelOther,
                                              cd::kEventStatus,
                                              cd::kEventShutterButton,
                                              cd::kEventSleepQuery,
                                              cd::kEventBatteryEmpty,
                                              cd::kEventIgnoredBit | cd::kEventBatteryLevel};
  const std::uint8_t pick = sdk.Input().Byte();
  const std::uint32_t event = pick < 0xE0 ? kEvents[pick % 7] : sdk.Input().Word32();
  // The data in a buffer of exactly its size, so a read past it is caught.
  const std::size_t size = sdk.Input().Byte() % 9u;
  const std::unique_ptr<std::uint8_t[]> data(size ? new std::uint8_t[size] : nullptr);
  if (size)
    sdk.Input().CopyTo(data.get(), size);
  cd::EventCallback* callback = sdk.EventCallback() ? sdk.EventCallback() : &CanonCD_Wr::OnCameraEvent;
  void* context = sdk.EventCallback() ? sdk.EventContext() : &camera;
  sink.statuses.clear();
  const std::uint32_t answer = callback(event, data.get(), static_cast<std::uint32_t>(size), context);

  std::uint32_t word = 0;
  const bool hasWord = size >= 4;
  if (hasWord)
    std::memcpy(&word, data.get(), 4);
  const std::uint32_t eventClass = event & cd::kEventClassMask;
  const std::uint32_t code = event & cd::kEventCodeMask;
  std::vector<std::pair<std::int32_t, std::intptr_t>> expected;
  std::uint32_t expectedAnswer = 0;
  if (event & cd::kEventIgnoredBit) {
  } else if ((eventClass == 0 || eventClass == 0x20000) && code == 1) {
    if (hasWord)
      expected.emplace_back(CanonCD_Wr::kStatusBattery, CanonCD_Wr::MapCanonBatteryLevel(word));
  } else if (eventClass == 0 && (code == 0x1E || code == 0x1B)) {
    expected.emplace_back(code == 0x1E ? CanonCD_Wr::kStatusShutterButton : CanonCD_Wr::kStatusCameraEvent,
                          hasWord ? word : 0);
  } else if (eventClass == 0x20000 && code == 5) {
    expectedAnswer = cd::kAnswerStayAwake;
  } else if (eventClass == 0x40000 && code == 1) {
    expected.emplace_back(CanonCD_Wr::kStatusBattery, CanonCD_Wr::kBatteryEmpty);
  }
  Check(answer == expectedAnswer, "an event answered other than its kind says");
  Check(sink.statuses == expected, "an event handed on other than its data says");
}

void Discovery(FakeCanonSdk& sdk) {
  static CanonCDSDK_Wr* const sdkObject = new CanonCDSDK_Wr;
  try {
    const int count = sdkObject->GetCameraCount();
    Check(count >= 0 && static_cast<std::uint32_t>(count) <= tarsel::canon::kMaxSources,
          "more cameras than the family believes");
  } catch (const _brantel_take_error&) {
  }
  const std::vector<std::uint8_t> choice = sdk.Input().Bytes(sdk.Input().Byte() % 8u);
  sdkObject->SaveCameraOfUserChoice(std::string(choice.begin(), choice.end()).c_str(), false);
  int chosen = -1;
  bool use = false;
  try {
    const CanonCameraList list = sdkObject->GetCameraNameList(&chosen, &use);
    Check(list.cameras.size() <= tarsel::canon::kMaxSources, "a camera list longer than the family believes");
    Check(chosen >= -1 && chosen < static_cast<int>(tarsel::canon::kMaxSources),
          "a chosen camera out of range");
    for (const CanonSourceInfo& camera : list.cameras) {
      Check(camera.eligible && camera.index < tarsel::canon::kMaxSources, "an ineligible camera listed");
      CheckText(camera.sourceName, sizeof CanonSourceRecord{}.name, "a source name past its record field");
      CheckText(camera.displayName, kDisplayNameBound, "a display name without bound");
    }
  } catch (const _brantel_take_error&) {
  }
}

void OwnerText(CanonCD_Wr& camera, FakeCanonSdk& sdk) {
  std::string owner;
  for (std::uint8_t length = sdk.Input().Byte() % 32u; length > 0; --length)
    owner += static_cast<char>('A' + sdk.Input().Byte() % 26u);
  if (camera.SetPropCameraID(owner.c_str()) != 0)
    return;
  Check(sdk.LastOwnerWritten() == owner, "the owner text written other than given");
  Check(camera.GetCameraName() == CanonCD_Wr::DisplayName(owner, camera.GetModelName()),
        "the camera not named after its new owner text");
}

void Setup() {
  // The camera clock reads back exactly without daylight saving. The
  // family's failures go to the error log in the documents folder, here a
  // home of the run's own whose log leads to /dev/null, so a long run fills
  // no disk.
  setenv("TZ", "UTC", 1);
  const std::filesystem::path home = tarsel::test::FuzzScratchPath("home");
  std::filesystem::create_directories(home / "Documents" / "Tarsel");
  std::error_code ignored;
  std::filesystem::create_symlink("/dev/null", home / "Documents" / "Tarsel" / "ErrorLog.txt", ignored);
  setenv("HOME", home.c_str(), 1);
  // No user-dirs.dirs there: the documents folder is the home's "Documents".
  setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
  tarsel::canon::UseCanonSdkTable(FakeCanonSdk::Table());
}

// What each operation of the script does; which ones a target runs.
enum Operation : unsigned {
  kDetect,
  kCaptureAndTransfer,
  kVolumes,
  kClock,
  kZoom,
  kProperties,
  kEvent,
  kDiscovery,
  kOwnerText,
  kIdentity,
  kOperations
};

// The operation a script byte asks for; kDetect stands for none, as
// detection runs once at the start of its own target. Detection's target
// runs only the reads of the tables detection built, the session's target
// every other operation.
unsigned OperationOf(CanonRepliesFocus focus, std::uint8_t byte) {
  const unsigned operation = byte % kOperations;
  if (focus == CanonRepliesFocus::Detection && operation != kZoom && operation != kProperties)
    return kDetect;
  return operation;
}

} // namespace

namespace tarsel::canon::fuzz {

void RunCanonSdkReplies(const std::uint8_t* data, std::size_t size, CanonRepliesFocus focus) {
  static const bool ready = (Setup(), true);
  (void)ready;
  ByteReader input(data, size);
  const std::uint8_t head = input.Byte();
  const std::vector<std::uint8_t> script = input.Bytes(head % kScriptLengths);
  FakeCanonSdk sdk(input);
  {
    StatusSink sink;
    CanonSourceInfo source;
    source.index = (head / kScriptLengths) % 3u;
    auto camera = std::make_unique<CanonCD_Wr>(source);
    camera->InitCameraObject(&sink, nullptr);
    CheckIdentity(*camera, sdk, true);
    if (focus == CanonRepliesFocus::Detection)
      Capabilities(*camera, sdk);
    for (const std::uint8_t byte : script) {
      switch (OperationOf(focus, byte)) {
      case kDetect:
        break; // none
      case kCaptureAndTransfer:
        CaptureAndTransfer(*camera, sdk);
        break;
      case kVolumes:
        Volumes(*camera, sdk);
        break;
      case kClock:
        Clock(*camera, sdk);
        break;
      case kZoom:
        Zoom(*camera, sdk);
        break;
      case kProperties:
        Properties(*camera);
        break;
      case kEvent:
        Event(*camera, sdk, sink);
        break;
      case kDiscovery:
        Discovery(sdk);
        break;
      case kOwnerText:
        OwnerText(*camera, sdk);
        break;
      default:
        CheckIdentity(*camera, sdk, false);
        break;
      }
    }
    // Leaving remote-release mode closes the source (the destructor then has
    // no steps that wait for the SDK's threads).
    camera->LeaveRemoteMode();
    Check(camera->Source().GetHandle() == 0, "the source still open after leaving remote-release mode");
    camera.reset();
  }
  sdk.CheckAllReleased();
}

} // namespace tarsel::canon::fuzz
