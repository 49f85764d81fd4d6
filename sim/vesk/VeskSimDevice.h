// One device node of the simulated camera-link driver: a camera, a disk, a
// failing node or the control device. The base class does what every node
// shares: presence (plugged in or not, with a generation that changes on
// every plug so old connections stay dead), request-level fault injection,
// the statistics, and the reply limits (never more data than was asked).
//
// Thread-safe: handle() and every public member may be called from any
// thread; one mutex per device guards its state. A request that must wait
// (busy camera, delay fault) releases the mutex while it waits on the clock.
#pragma once

#include "sim/vesk/VeskSimClock.h"
#include "sim/vesk/VeskSimFaultList.h"
#include "sim/vesk/VeskSimTypes.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tarsel::vesksim {

class VeskSimDevice {
public:
  struct Outcome {
    Response response;
    bool unplugged = false; // this request made the device disappear
  };

  VeskSimDevice(DeviceKind kind, std::shared_ptr<VeskSimClock> clock);
  virtual ~VeskSimDevice();
  VeskSimDevice(const VeskSimDevice&) = delete;
  VeskSimDevice& operator=(const VeskSimDevice&) = delete;

  DeviceKind kind() const { return m_kind; }
  bool present() const { return m_present.load(); }
  std::uint64_t generation() const { return m_generation.load(); }
  // false -> true starts a new generation; true -> false wakes waiting requests.
  void setPresent(bool present);
  // Every request from now on is answered by a closed connection.
  void shutdown();

  Outcome handle(const Request& request);

  FaultId addFault(const Fault& fault);
  void clearFaults();
  std::uint32_t faultFired(FaultId id) const;
  Stats stats() const;
  void resetStats();

protected:
  using Lock = std::unique_lock<std::mutex>;

  // Runs the request (the base has checked presence and request faults). The
  // lock is held; waitUntil() may release it for a while.
  virtual Response run(const Request& request, Lock& lock) = 0;
  // The transaction context of a request, for fault matching.
  virtual FaultEvent eventOf(const Request& request) const;
  virtual void onPlugged(std::uint64_t nowUs);

  // Waits on the clock with the lock released; false when the device went
  // away (or shut down) meanwhile.
  bool waitUntil(std::uint64_t deadlineUs, Lock& lock);
  bool gone() const { return !m_present.load() || m_shutdown.load(); }
  void violation(std::string text);

  static Response good(std::vector<std::uint8_t> data = {});
  static Response win32Error(std::uint32_t error);
  // SCSI CHECK CONDITION with fixed-format sense data; Win32 error 31.
  static Response checkCondition(std::uint8_t senseKey, std::uint8_t asc, std::uint8_t ascq);
  // Standard 36-byte INQUIRY data; texts padded with blanks to their fields.
  static std::vector<std::uint8_t> inquiryData(std::uint8_t peripheral, bool removable,
                                               const std::string& vendor, const std::string& product,
                                               const std::string& revision);

  const std::shared_ptr<VeskSimClock> m_clock;
  mutable std::mutex m_mutex;
  Stats m_stats;
  VeskSimFaultList m_faults;

private:
  const DeviceKind m_kind;
  std::atomic<bool> m_present{true};
  std::atomic<bool> m_shutdown{false};
  std::atomic<std::uint64_t> m_generation{1};
};

} // namespace tarsel::vesksim
