// The whole state of the stand-in library: the simulated cameras, the handles
// handed out, the counters, the call log and the failures to inject. One
// instance per loaded library (state()). Every member is guarded by `mutex`;
// no call-back of the family is ever called while it is held, so a call-back
// may call back into the library.
#pragma once

#include "app/cameras/canon/CdSdkAbi.h"
#include "sim/cdsdk/CdSimConfig.h"
#include "sim/cdsdk/CdSimControl.h"
#include "sim/cdsdk/CdSimEventThread.h"
#include "sim/cdsdk/CdSimPictures.h"
#include "sim/cdsdk/CdSimViewfinder.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarsel::cdsim {

using cdsdk::u16;
using cdsdk::u32;

enum class HandleKind {
  SourceEnum,
  Source,
  Registration,
  Props,
  ResolutionEnum,
  VolumeEnum,
  Volume,
  ItemEnum,
  ReleaseControlEnum,
  ImageFormatEnum,
  ValueEnum,
  ParameterValues
};

struct Handle {
  HandleKind kind = HandleKind::SourceEnum;
  int camera = -1;
  u32 generation = 0;      // the camera's plug generation when opened
  std::vector<u32> values; // what an enumeration walks
  std::size_t cursor = 0;
  u32 valueSize = 0;                        // parameter values: bytes per value
  cdsdk::EventCallback* callback = nullptr; // registrations
  void* context = nullptr;
};

struct Item {
  u32 type = 0;
  std::string fileName;
  std::shared_ptr<const Bytes> data;
};

struct Camera {
  CameraConfig config;
  int index = 0;
  bool plugged = true;
  u32 generation = 0;
  u32 remoteSource = 0;     // the source handle in remote-release mode, 0 when none
  u32 viewfinderSource = 0; // the source handle whose viewfinder runs
  bool remote = false;
  cdsdk::EventCallback* remoteCallback = nullptr;
  void* remoteContext = nullptr;
  bool bracket = false;
  u32 releaseKind = cdsdk::kReleaseKindPicture;
  std::deque<Item> pending;
  bool recordGiven = false;
  std::vector<Item> lastRelease;
  u32 pictureNumber = 0;
  u32 clockBase = 0;
  std::chrono::steady_clock::time_point clockSetAt;
  u32 output = cdsdk::kViewfinderOutputMonitorOff;
  bool afLock = false;
  std::unique_ptr<Viewfinder> viewfinder;
  std::map<std::thread::id, int> callsInside;
  std::vector<u32> volumeHandles;
  int eventsInFlight = 0;

  u32 clockNow() const;
  u16 value(ValueList list) const { return config.current[static_cast<int>(list)]; }
  u16& value(ValueList list) { return config.current[static_cast<int>(list)]; }
  const std::vector<u16>& values(ValueList list) const { return config.lists[static_cast<int>(list)]; }
};

struct FailRule {
  u32 entry;
  u32 skip;
  u32 code;
  u32 count;
};

class State {
public:
  std::mutex mutex;
  std::condition_variable eventsDone;
  bool configured = false;
  bool started = false;
  SdkConfig sdk;
  std::vector<std::unique_ptr<Camera>> cameras;
  std::map<u32, Handle> handles;
  u32 nextHandle = 1;
  CdSimStats counts{};
  CdSimStats leaked{}; // what CDFinishSDK found still open (and then closed)
  std::vector<std::string> log;
  std::vector<FailRule> failures;
  EventThread events;
  std::chrono::steady_clock::time_point loadedAt = std::chrono::steady_clock::now();

  // Under the lock, all of these.
  void configure(SdkConfig config);
  void configureFromEnvironment();
  u32 addHandle(Handle handle);
  // The handle when it exists and is of that kind; else counts an invalid call.
  Handle* find(u32 handle, HandleKind kind);
  // The camera of an open source handle: nullptr (invalid handle counted) or the camera;
  // `unplugged` is set when the camera went away since the handle was opened.
  Camera* sourceCamera(u32 source, bool* unplugged);
  // The camera that a handle of any kind concerns, or nullptr.
  Camera* cameraOf(u32 handle);
  void violation(const std::string& what);
  // A fault logged as a violation (and aborting when CDSIM_ABORT_ON_VIOLATION=1), counted by the caller.
  void report(const std::string& what);
  // Whether the caller runs on the event thread or a frame thread (inside a call-back).
  bool onLibraryThread() const;
  void addLog(std::string line);
  // An injected result for this call of the entry, or 0.
  u32 injected(u32 entry);
  CdSimStats stats() const;
  std::string problems() const;
  // Stops the viewfinders and the event thread; the caller must not hold the lock.
  void stopThreads(std::unique_lock<std::mutex>& lock);
  // Ends the camera's remote-release session (not its viewfinder).
  void resetCamera(Camera& camera);
  // Whether a source handle of the camera's current plug generation is open.
  bool isOpen(const Camera& camera) const;
  // Waits until no event call-back of the camera is running (not on the event thread).
  void waitForEvents(std::unique_lock<std::mutex>& lock, const Camera& camera);
  long long millisecondsSinceLoad() const;
};

State& state();

} // namespace tarsel::cdsim
