// The camera-link driver simulator: the control device and N device nodes
// (cameras, disks, failing nodes), answering the request frames of the
// device sockets. Hosted in-process by tests (with a virtual clock, so busy
// times and 45-second time-outs pass at once) and by the vesk-simd daemon
// (with a real clock).
//
// Usage: add devices, then connect() to a node (like opening its socket) and
// hand each request to the connection; the Response says whether to send a
// reply, stay silent or close. Device slots keep their index for the
// engine's life; unplug() makes a node disappear (its connections close, the
// control device stops counting it when it was the last one) and plug()
// brings it back with a fresh link, the card kept.
//
// Thread-safe: every member may be called from any thread; each device
// serialises its own requests. Callbacks run without any engine lock held.
// The engine must outlive its connections.
#pragma once

#include "sim/vesk/VeskSimCamera.h"
#include "sim/vesk/VeskSimCameraState.h"
#include "sim/vesk/VeskSimClock.h"
#include "sim/vesk/VeskSimConnection.h"
#include "sim/vesk/VeskSimModel.h"
#include "sim/vesk/VeskSimTypes.h"
#include "sim/vesk/VeskSimVirtualClock.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tarsel::vesksim {

class VeskSimControlDevice;
class VeskSimDevice;

class VeskSimEngine {
public:
  // No clock: a virtual clock starting at 0.
  explicit VeskSimEngine(std::shared_ptr<VeskSimClock> clock = nullptr);
  ~VeskSimEngine();
  VeskSimEngine(const VeskSimEngine&) = delete;
  VeskSimEngine& operator=(const VeskSimEngine&) = delete;

  VeskSimClock& clock() { return *m_clock; }
  // The virtual clock, or null when the engine runs on another clock.
  VeskSimVirtualClock* virtualClock() { return m_virtualClock; }
  // The camera clock (seconds since 1970) of cameras added from now on, at clock time 0.
  void setCameraClockStart(std::int64_t seconds) { m_cameraClockStart = seconds; }

  // ---- devices; each returns the new slot's index ----
  int addCamera(const CameraModel& model, const CardSetup& card = {});
  int addDisk(const std::string& product = "VIRTUAL DISK");
  int addFailingNode(std::uint32_t win32Error = kWireCommandFailed);
  int deviceCount() const;
  std::optional<DeviceKind> deviceKind(int index) const;
  bool isPresent(int index) const;
  // What the control device answers: highest present slot + 1.
  std::uint32_t reportedCount() const;
  bool unplug(int index);
  bool plug(int index);
  // Called with (index, present) whenever a node appears or disappears.
  void setPresenceListener(std::function<void(int, bool)> listener);
  // Called after every request with what it was answered.
  void setRequestLog(std::function<void(const LogEntry&)> log);
  // Every connection closes and waiting requests end (daemon shutdown).
  void shutdown();

  // ---- the wire ----
  // Null when no node is present at the index.
  std::unique_ptr<VeskSimConnection> connect(int index);
  std::unique_ptr<VeskSimConnection> connectControl();
  // One request without a connection (index kControlDevice: the control device).
  Response handle(int index, const Request& request);

  // ---- faults (index kControlDevice: the control device) ----
  std::optional<FaultId> injectFault(int index, const Fault& fault);
  void clearFaults(int index);
  void clearAllFaults();
  std::uint32_t faultFired(int index, FaultId id) const;
  std::optional<Stats> stats(int index) const;
  void resetStats(int index);

  // ---- cameras, from the camera's side (null or false for other slots) ----
  std::shared_ptr<VeskSimCamera> camera(int index) const;
  std::optional<std::uint32_t> cameraRegister(int index, std::uint8_t reg) const;
  bool setCameraRegister(int index, std::uint8_t reg, std::uint32_t value);
  std::size_t pictureCount(int index) const;
  std::optional<PictureInfo> picture(int index, std::size_t number) const;
  // Writes every picture of the current folder into dir; returns how many, or
  // nullopt with an error text.
  std::optional<std::size_t> dumpCard(int index, const std::string& dir, std::string& error) const;

private:
  friend class VeskSimConnection;
  std::shared_ptr<VeskSimDevice> device(int index) const;
  int addDevice(std::shared_ptr<VeskSimDevice> device);
  void notifyPresence(int index, bool present);
  void log(int index, const Request& request, const Response& response);
  Response handleOn(int index, VeskSimDevice& device, const Request& request);

  std::shared_ptr<VeskSimClock> m_clock;
  VeskSimVirtualClock* m_virtualClock = nullptr;
  std::int64_t m_cameraClockStart = 1714564800; // 2024-05-01 12:00:00
  mutable std::mutex m_mutex;
  std::vector<std::shared_ptr<VeskSimDevice>> m_devices;
  std::shared_ptr<VeskSimControlDevice> m_control;
  std::shared_ptr<std::function<void(int, bool)>> m_presenceListener;
  std::shared_ptr<std::function<void(const LogEntry&)>> m_log;
};

} // namespace tarsel::vesksim
