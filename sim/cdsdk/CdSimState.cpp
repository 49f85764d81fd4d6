#include "sim/cdsdk/CdSimState.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

namespace tarsel::cdsim {
namespace {

constexpr std::size_t kMaxLogLines = 200000;

u32 computerWallClock() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return static_cast<u32>(now + local.tm_gmtoff);
}

} // namespace

u32 Camera::clockNow() const {
  const auto elapsed = std::chrono::steady_clock::now() - clockSetAt;
  return clockBase + static_cast<u32>(std::chrono::duration_cast<std::chrono::seconds>(elapsed).count());
}

State& state() {
  static State instance;
  return instance;
}

void State::configure(SdkConfig config) {
  sdk = std::move(config);
  cameras.clear();
  handles.clear();
  nextHandle = 1;
  for (std::size_t i = 0; i < sdk.cameras.size(); ++i) {
    auto camera = std::make_unique<Camera>();
    camera->config = sdk.cameras[i];
    camera->index = static_cast<int>(i);
    camera->clockBase = camera->config.clock.value_or(computerWallClock());
    camera->clockSetAt = std::chrono::steady_clock::now();
    cameras.push_back(std::move(camera));
  }
  // Volumes are known by handles that live as long as the configuration.
  for (auto& camera : cameras) {
    for (std::size_t v = 0; v < camera->config.volumes.size(); ++v) {
      Handle volume;
      volume.kind = HandleKind::Volume;
      volume.camera = camera->index;
      volume.values = {static_cast<u32>(v)};
      camera->volumeHandles.push_back(addHandle(volume));
    }
  }
  configured = true;
}

void State::configureFromEnvironment() {
  const char* path = std::getenv("CDSIM_CONFIG");
  if (path == nullptr || *path == 0) {
    configure(SdkConfig{});
    return;
  }
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  auto parsed = parseConfig(text.str());
  if (!file || !parsed.config) {
    const std::string reason = !file ? "cannot be read" : parsed.error;
    std::fprintf(stderr, "libCDSDK: CDSIM_CONFIG %s: %s; no camera is simulated\n", path, reason.c_str());
    addLog(std::string("CDSIM_CONFIG ") + path + ": " + reason);
    SdkConfig none;
    none.cameras.clear();
    configure(none);
    return;
  }
  configure(std::move(*parsed.config));
}

u32 State::addHandle(Handle handle) {
  while (nextHandle == 0 || handles.count(nextHandle))
    ++nextHandle;
  const u32 id = nextHandle++;
  handles.emplace(id, std::move(handle));
  return id;
}

Handle* State::find(u32 handle, HandleKind kind) {
  const auto it = handles.find(handle);
  if (it == handles.end() || it->second.kind != kind) {
    ++counts.invalidHandleCalls;
    report("handle " + std::to_string(handle) + " is not open as the kind this entry takes");
    return nullptr;
  }
  return &it->second;
}

Camera* State::sourceCamera(u32 source, bool* unplugged) {
  *unplugged = false;
  Handle* handle = find(source, HandleKind::Source);
  if (handle == nullptr)
    return nullptr;
  Camera* camera = cameras.at(static_cast<std::size_t>(handle->camera)).get();
  *unplugged = !camera->plugged || handle->generation != camera->generation;
  return camera;
}

Camera* State::cameraOf(u32 handle) {
  const auto it = handles.find(handle);
  if (it == handles.end() || it->second.camera < 0 || it->second.kind == HandleKind::SourceEnum)
    return nullptr;
  return cameras.at(static_cast<std::size_t>(it->second.camera)).get();
}

void State::violation(const std::string& what) {
  ++counts.illegalCalls;
  report(what);
}

void State::report(const std::string& what) {
  addLog("VIOLATION: " + what);
  if (const char* abortOn = std::getenv("CDSIM_ABORT_ON_VIOLATION"); abortOn != nullptr && *abortOn == '1') {
    for (const auto& line : log)
      std::fprintf(stderr, "%s\n", line.c_str());
    std::abort();
  }
}

void State::addLog(std::string line) {
  if (log.size() >= kMaxLogLines)
    log.erase(log.begin(), log.begin() + kMaxLogLines / 2);
  log.push_back(std::move(line));
}

u32 State::injected(u32 entry) {
  for (auto it = failures.begin(); it != failures.end(); ++it) {
    if (it->entry != entry)
      continue;
    if (it->skip > 0) {
      --it->skip;
      return 0;
    }
    const u32 code = it->code;
    if (it->count != 0xFFFFFFFFu && --it->count == 0)
      failures.erase(it);
    ++counts.injectedFailures;
    return code;
  }
  return 0;
}

CdSimStats State::stats() const {
  CdSimStats s = counts;
  s.started = started ? 1 : 0;
  s.openSources += leaked.openSources;
  s.openEnumerations += leaked.openEnumerations;
  s.openPropertyHandles += leaked.openPropertyHandles;
  s.openRegistrations += leaked.openRegistrations;
  s.remoteModes += leaked.remoteModes;
  s.runningViewfinders += leaked.runningViewfinders;
  s.openBrackets += leaked.openBrackets;
  for (const auto& [id, handle] : handles) {
    switch (handle.kind) {
    case HandleKind::Source:
      ++s.openSources;
      break;
    case HandleKind::Registration:
      ++s.openRegistrations;
      break;
    case HandleKind::Props:
      ++s.openPropertyHandles;
      break;
    case HandleKind::Volume:
      break;
    default:
      ++s.openEnumerations;
    }
  }
  for (const auto& camera : cameras) {
    s.remoteModes += camera->remote ? 1 : 0;
    s.runningViewfinders += camera->viewfinder ? 1 : 0;
    s.openBrackets += camera->bracket ? 1 : 0;
  }
  return s;
}

std::string State::problems() const {
  const CdSimStats s = stats();
  std::string text;
  auto add = [&text](std::uint32_t n, const char* what) {
    if (n != 0)
      text += std::to_string(n) + " " + what + "\n";
  };
  add(s.openSources, "source(s) open");
  add(s.openEnumerations, "enumeration(s) open");
  add(s.openPropertyHandles, "device-property handle(s) open");
  add(s.openRegistrations, "event registration(s) left");
  add(s.remoteModes, "source(s) left in remote-release mode");
  add(s.runningViewfinders, "viewfinder(s) left running");
  add(s.invalidHandleCalls, "call(s) with an invalid handle");
  add(s.illegalCalls, "illegal call(s)");
  add(s.overlappingCalls, "overlapping call(s) on one source");
  if (!text.empty()) {
    for (const auto& line : log)
      if (line.rfind("VIOLATION", 0) == 0)
        text += line + "\n";
  }
  return text;
}

void State::stopThreads(std::unique_lock<std::mutex>& lock) {
  std::vector<std::unique_ptr<Viewfinder>> running;
  for (auto& camera : cameras)
    if (camera->viewfinder)
      running.push_back(std::move(camera->viewfinder));
  lock.unlock();
  running.clear(); // joins each frame thread
  events.stop();
  lock.lock();
}

bool State::onLibraryThread() const {
  if (events.onThread())
    return true;
  for (const auto& camera : cameras)
    if (camera->viewfinder && camera->viewfinder->onFrameThread())
      return true;
  return false;
}

void State::resetCamera(Camera& camera) {
  camera.remote = false;
  camera.remoteCallback = nullptr;
  camera.remoteContext = nullptr;
  camera.bracket = false;
  camera.pending.clear();
  camera.recordGiven = false;
  camera.remoteSource = 0;
}

bool State::isOpen(const Camera& camera) const {
  for (const auto& [id, handle] : handles)
    if (handle.kind == HandleKind::Source && handle.camera == camera.index &&
        handle.generation == camera.generation)
      return true;
  return false;
}

void State::waitForEvents(std::unique_lock<std::mutex>& lock, const Camera& camera) {
  if (events.onThread())
    return;
  eventsDone.wait(lock, [&camera] { return camera.eventsInFlight == 0; });
}

long long State::millisecondsSinceLoad() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - loadedAt)
      .count();
}

} // namespace tarsel::cdsim
