// The library's exports: the SDK's three functions and the test controls.
// Built twice: libCDSDK-nostart.so is compiled with CDSIM_WITHOUT_START and
// lacks CDStartSDK.
#include "sim/cdsdk/CdSimControl.h"
#include "sim/cdsdk/CdSimEntries.h"

#include <algorithm>
#include <cstring>

#define CDSIM_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using namespace tarsel::cdsim;
using namespace tarsel::cdsdk;

constexpr auto kEventAnswerTimeout = std::chrono::seconds(5);

std::size_t copyText(const std::string& text, char* buffer, std::size_t size) {
  if (buffer != nullptr && size > 0) {
    const std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = 0;
  }
  return text.size();
}

Camera* cameraAt(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= state().cameras.size())
    return nullptr;
  return state().cameras[static_cast<std::size_t>(index)].get();
}

// Closes what the family left open when the SDK finishes, keeping the count of it.
void closeLeftovers(u32 viewfindersRunning) {
  State& s = state();
  const CdSimStats now = s.stats();
  s.leaked.runningViewfinders += viewfindersRunning;
  const std::string problems = s.problems();
  s.leaked.openSources = now.openSources;
  s.leaked.openEnumerations = now.openEnumerations;
  s.leaked.openPropertyHandles = now.openPropertyHandles;
  s.leaked.openRegistrations = now.openRegistrations;
  s.leaked.remoteModes = now.remoteModes;
  s.leaked.openBrackets = now.openBrackets;
  if (!problems.empty())
    s.addLog("CDFinishSDK found: " + problems);
  for (auto it = s.handles.begin(); it != s.handles.end();)
    it = it->second.kind == HandleKind::Volume ? std::next(it) : s.handles.erase(it);
  for (auto& camera : s.cameras)
    s.resetCamera(*camera);
}

} // namespace

#ifndef CDSIM_WITHOUT_START
CDSIM_EXPORT u32 CDStartSDK(const VersionRecord* version, u32 reserved) {
  auto lock = lockState();
  State& s = state();
  if (!s.configured)
    s.configureFromEnvironment();
  u32 result = kOk;
  if (s.started) {
    s.violation("CDStartSDK called twice");
    result = kErrInvalidCall;
  } else if (version == nullptr) {
    result = kErrInvalidPointer;
  } else if (version->size != kVersionRecordSize || version->major != kVersionMajor ||
             version->minor != kVersionMinor ||
             std::any_of(std::begin(version->zero), std::end(version->zero), [](u8 b) { return b != 0; })) {
    result = kErrIncompatibleVersion;
  } else if (reserved != 0) {
    result = kErrInvalidParameter;
  } else {
    s.started = true;
    s.events.start();
  }
  s.addLog("CDStartSDK -> " + std::to_string(result));
  return result;
}
#endif

CDSIM_EXPORT u32 CDGetFunctions(CanonSdkFunctionTable* table) {
  auto lock = lockState();
  State& s = state();
  u32 result = kOk;
  if (!s.started) {
    s.violation("CDGetFunctions called while the SDK is not started");
    result = kErrInvalidCall;
  } else if (table == nullptr) {
    result = kErrInvalidPointer;
  } else if ((table->slot[0] & 0xFFFFFFFFu) != kTableVersion) {
    result = kErrIncompatibleVersion;
  } else {
    fillFunctionTable(*table);
  }
  s.addLog("CDGetFunctions -> " + std::to_string(result));
  return result;
}

CDSIM_EXPORT u32 CDFinishSDK() {
  auto lock = lockState();
  State& s = state();
  if (!s.started) {
    s.violation("CDFinishSDK called while the SDK is not started");
    return kErrInvalidCall;
  }
  if (s.onLibraryThread()) {
    s.violation("CDFinishSDK called from a call-back of the library");
    return kErrInvalidCall;
  }
  const u32 viewfinders = s.stats().runningViewfinders - s.leaked.runningViewfinders;
  s.stopThreads(lock);
  closeLeftovers(viewfinders);
  s.started = false;
  s.addLog("CDFinishSDK -> 0");
  return kOk;
}

CDSIM_EXPORT int cdsim_reset(const char* config) {
  SdkConfig parsed;
  if (config != nullptr) {
    auto result = parseConfig(config);
    if (!result.config) {
      auto lock = lockState();
      state().addLog("cdsim_reset: " + result.error);
      return -1;
    }
    parsed = std::move(*result.config);
  }
  auto lock = lockState();
  State& s = state();
  if (s.onLibraryThread()) {
    s.addLog("cdsim_reset: called from a call-back of the library");
    return -1;
  }
  s.stopThreads(lock);
  s.configure(std::move(parsed));
  s.started = false;
  s.counts = {};
  s.leaked = {};
  s.log.clear();
  s.failures.clear();
  return 0;
}

CDSIM_EXPORT void cdsim_fail_after(u32 entry, u32 skip, u32 code, u32 count) {
  auto lock = lockState();
  auto& failures = state().failures;
  failures.erase(std::remove_if(failures.begin(), failures.end(),
                                [entry](const FailRule& r) { return r.entry == entry; }),
                 failures.end());
  if (count != 0)
    failures.push_back({entry, skip, code, count});
}

CDSIM_EXPORT void cdsim_fail(u32 entry, u32 code, u32 count) {
  cdsim_fail_after(entry, 0, code, count);
}

CDSIM_EXPORT std::int64_t cdsim_fire_event(int index, u32 event, const void* data, u32 size) {
  auto lock = lockState();
  State& s = state();
  Camera* camera = cameraAt(index);
  if (camera == nullptr || s.events.onThread())
    return -1;
  EventCallback* callback = nullptr;
  void* context = nullptr;
  for (const auto& [id, handle] : s.handles)
    if (handle.kind == HandleKind::Registration && handle.camera == camera->index &&
        handle.generation == camera->generation) {
      callback = handle.callback;
      context = handle.context;
      break;
    }
  if (callback == nullptr) {
    callback = camera->remoteCallback;
    context = camera->remoteContext;
  }
  if (callback == nullptr)
    return -1;
  std::vector<std::uint8_t> bytes;
  if (data != nullptr)
    bytes.assign(static_cast<const std::uint8_t*>(data), static_cast<const std::uint8_t*>(data) + size);
  const std::size_t at = static_cast<std::size_t>(index);
  std::packaged_task<u32()> task([=, bytes = std::move(bytes)] {
    const auto began = std::chrono::steady_clock::now();
    const u32 answer =
        callback(event, bytes.empty() ? nullptr : bytes.data(), static_cast<u32>(bytes.size()), context);
    const auto took = std::chrono::steady_clock::now() - began;
    auto inner = lockState();
    if (at < state().cameras.size() && state().cameras[at]->eventsInFlight > 0)
      --state().cameras[at]->eventsInFlight;
    ++state().counts.eventsDelivered;
    if (took > std::chrono::milliseconds(200))
      ++state().counts.slowCallbacks;
    state().eventsDone.notify_all();
    return answer;
  });
  std::future<u32> answer = task.get_future();
  ++camera->eventsInFlight;
  if (!s.events.post(std::move(task))) {
    --camera->eventsInFlight;
    return -1;
  }
  lock.unlock();
  if (answer.wait_for(kEventAnswerTimeout) != std::future_status::ready)
    return -1;
  return answer.get();
}

CDSIM_EXPORT int cdsim_unplug(int index) {
  auto lock = lockState();
  Camera* camera = cameraAt(index);
  if (camera == nullptr)
    return -1;
  camera->plugged = false;
  state().addLog("camera " + std::to_string(index) + " unplugged");
  return 0;
}

CDSIM_EXPORT int cdsim_plug(int index) {
  auto lock = lockState();
  Camera* camera = cameraAt(index);
  if (camera == nullptr || state().onLibraryThread())
    return -1;
  if (camera->plugged)
    return 0;
  camera->plugged = true;
  ++camera->generation;
  state().resetCamera(*camera);
  std::unique_ptr<Viewfinder> stale = std::move(camera->viewfinder);
  state().addLog("camera " + std::to_string(index) + " plugged in");
  lock.unlock();
  stale.reset();
  return 0;
}

CDSIM_EXPORT void cdsim_set_frame_rate(u32 framesPerSecond) {
  auto lock = lockState();
  state().sdk.frameRate = std::max<u32>(1, framesPerSecond);
}

CDSIM_EXPORT void cdsim_set_chunking(u32 bytes) {
  auto lock = lockState();
  state().sdk.chunk = bytes;
}

CDSIM_EXPORT std::size_t cdsim_log(char* buffer, std::size_t size) {
  auto lock = lockState();
  std::string text;
  for (const auto& line : state().log)
    text += line + "\n";
  return copyText(text, buffer, size);
}

CDSIM_EXPORT void cdsim_stats(CdSimStats* out) {
  auto lock = lockState();
  if (out != nullptr)
    *out = state().stats();
}

CDSIM_EXPORT std::size_t cdsim_payload(int index, u32 item, void* buffer, std::size_t size) {
  auto lock = lockState();
  const Camera* camera = cameraAt(index);
  if (camera == nullptr || item >= camera->lastRelease.size())
    return 0;
  const Bytes& data = *camera->lastRelease[item].data;
  if (buffer != nullptr)
    std::memcpy(buffer, data.data(), std::min(size, data.size()));
  return data.size();
}

CDSIM_EXPORT int cdsim_check_clean(char* buffer, std::size_t size) {
  auto lock = lockState();
  const std::string problems = state().problems();
  copyText(problems, buffer, size);
  return problems.empty() ? 0 : 1;
}
