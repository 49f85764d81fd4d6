// One camera of the list: its device path and model name, the open device
// handle (-1 while not connected), the busy flag that lets one command run at
// a time, the transfer counters of the running data transfer, the extra
// seconds of the last exposure setting and the error number of the last
// failed command-thread start.
//
// The busy flag is atomic; whoever acquires it owns the handle and the
// counters until it releases it. Connect and Close take the flag for their
// own short work, so they never race a command. The handle is closed when
// the record goes away, so re-enumeration leaks nothing; a command thread
// that still runs keeps its record alive until it ends.
#pragma once

#include "hostapi/Win32Types.h"
#include "vesklib/VeskDLL.h"

#include <atomic>
#include <string>

namespace tarsel::vesk {

class IDeviceBackend;

class CCameraRecord {
public:
  CCameraRecord(IDeviceBackend& backend, std::string devicePath, std::string modelName);
  ~CCameraRecord();
  CCameraRecord(const CCameraRecord&) = delete;
  CCameraRecord& operator=(const CCameraRecord&) = delete;

  const std::string& devicePath() const { return m_devicePath; }
  const std::string& modelName() const { return m_modelName; }

  int handle() const { return m_handle.load(); }
  bool isConnected() const { return handle() >= 0; }

  // Opens the device unless it is open already (or a command is running,
  // which needs it open): 0 or the Win32 number of the failed open.
  DWORD connect();
  // 0, or 30 while a command runs; closes the device when it is open.
  int close();

  // Takes the busy flag; false when a command already holds it.
  bool tryAcquire() { return !m_busy.exchange(true); }
  void release() { m_busy.store(false); }
  bool isBusy() const { return m_busy.load(); }

  // Owned by the holder of the busy flag.
  VESK_PROGRESS& counters() { return m_counters; }

  std::uint32_t extraSeconds() const { return m_extraSeconds.load(); }
  void setExtraSeconds(std::uint32_t seconds) { m_extraSeconds.store(seconds); }

  int threadStartError() const { return m_threadStartError.load(); }
  void setThreadStartError(int error) { m_threadStartError.store(error); }

private:
  IDeviceBackend& m_backend;
  std::string m_devicePath;
  std::string m_modelName;
  std::atomic<int> m_handle{-1};
  std::atomic<bool> m_busy{false};
  VESK_PROGRESS m_counters{0, 0};
  std::atomic<std::uint32_t> m_extraSeconds{0};
  std::atomic<int> m_threadStartError{0};
};

} // namespace tarsel::vesk
