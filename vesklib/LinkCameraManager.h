// The process's camera manager: the camera list of the last enumeration, the
// link and protocol under it, and one operation per kind of camera access
// (register, record, text, transfer, action) that the exports call with the
// camera's numbers.
//
// Every camera operation runs under the command guard: an unknown camera
// number is error 24, a camera that is not connected 26, a camera with a
// command running 30; the busy flag is held for the transaction and
// released on every path. Commands for different cameras run in parallel on
// their callers' threads. An asynchronous Capture or Preview runs on a
// command thread of its own; the thread clears the busy flag and then calls
// the completion call-back, so the call-back may call the manager again.
// Progress call-backs run on the thread of the transfer. The two call-back
// slots (function and context together) are shared by all cameras; the last
// caller's slot wins. Texts are returned in a buffer per camera number, valid
// until the next text call for that camera. Failures are thrown as VeskFault.
// The destructor waits for every command thread.
#pragma once

#include "vesklib/CameraList.h"
#include "vesklib/CameraManager.h"
#include "vesklib/CameraProtocol.h"
#include "vesklib/ScsiLink.h"
#include "vesklib/VeskDLL.h"

#include <array>
#include <atomic>
#include <chrono>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

namespace tarsel::vesk {

class CLinkCameraManager : public CCameraManager {
public:
  // The size of each camera's text buffer, terminating NUL included.
  static constexpr std::size_t kTextBufferSize = 256;

  explicit CLinkCameraManager(std::unique_ptr<IDeviceBackend> backend,
                              std::uint32_t timeoutMs = CScsiLink::kDefaultTimeoutMs);
  ~CLinkCameraManager() override;

  // Waits up to `limit` for every command thread to end; false when one is
  // still running then (a camera that does not answer).
  bool waitForCommands(std::chrono::milliseconds limit);

  int Enumerate() override;
  int InitControl() override;
  DWORD Connect(int camera) override;
  int Close(int camera) override;
  int StartCommandThread(std::function<void()> procedure, int& errorNumber) override;

  void UseDriveNames(bool flag) { m_link.useDriveNames(flag); }
  // Not busy; false for a number not in the list.
  bool IsReady(int camera) const;
  // The model name; null for a number not in the list. Stays valid as long
  // as the manager lives.
  const char* GetModelName(int camera);

  std::uint32_t readRegister(int camera, std::uint8_t reg);
  int writeRegister(int camera, std::uint8_t reg, std::uint32_t value);
  // Reads a record object: record is filled only when the whole object
  // arrived; what the camera did not send reads as zero.
  int readRecord(int camera, std::uint8_t object, std::span<std::uint8_t> record);
  int writeRecord(int camera, std::uint8_t object, std::span<const std::uint8_t> record);
  // Writes the exposure record, first keeping its exposure time in whole
  // seconds as the camera's extra open time-out.
  int writeExposure(int camera, std::span<const std::uint8_t> record);
  // Reads a text object into the camera's text buffer.
  const char* readText(int camera, std::uint8_t object);
  int writeText(int camera, std::uint8_t object, const char* text, std::size_t maxLength);
  // Reads a picture, index or preview object into buffer (at most bufferSize
  // bytes); a non-null call-back first replaces the progress slot. 1 on success.
  int readTransfer(int camera, std::uint8_t object, int bufferSize, void* buffer,
                   VESK_PROGRESS_CALLBACK progress, void* context);
  int runAction(int camera, std::uint8_t action, std::uint8_t parameter);
  // Capture or preview: synchronous (0), or on a command thread (its handle).
  // A non-null call-back first replaces the completion slot.
  int runCommand(int camera, std::uint8_t action, bool asynchronous, VESK_COMPLETION_CALLBACK completion,
                 void* context);

  CScsiLink& link() { return m_link; }

private:
  struct CallbackSlot {
    VESK_PROGRESS_CALLBACK function = nullptr;
    void* context = nullptr;
  };
  struct CommandThread {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };

  template <class Work> auto guarded(int camera, Work&& work);
  std::shared_ptr<CCameraRecord> acquireCamera(int camera);
  std::span<char> textBuffer(int camera);
  CallbackSlot progressSlot() const;
  void callCompletion(int camera);
  void reapFinishedThreads();

  CScsiLink m_link;
  CameraProtocol m_protocol;
  CCameraList m_cameras;

  mutable std::mutex m_slotLock;
  CallbackSlot m_progress;
  CallbackSlot m_completion;

  std::mutex m_textLock;
  std::map<int, std::unique_ptr<std::array<char, kTextBufferSize>>> m_texts;
  std::set<std::string> m_modelNames;

  std::mutex m_threadLock;
  std::list<CommandThread> m_threads;
  int m_lastThreadHandle = 0;
};

} // namespace tarsel::vesk
