#include "vesklib/LinkCameraManager.h"

#include "platform/Bytes.h"
#include "vesklib/CameraObjects.h"
#include "vesklib/VeskErrors.h"
#include "vesklib/VeskFault.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <system_error>

namespace tarsel::vesk {

namespace {

// Releases a camera's busy flag when the command ends, on every path.
class BusyRelease {
public:
  explicit BusyRelease(CCameraRecord& camera) : m_camera(camera) {}
  ~BusyRelease() { m_camera.release(); }
  BusyRelease(const BusyRelease&) = delete;
  BusyRelease& operator=(const BusyRelease&) = delete;

private:
  CCameraRecord& m_camera;
};

} // namespace

CLinkCameraManager::CLinkCameraManager(std::unique_ptr<IDeviceBackend> backend, std::uint32_t timeoutMs)
    : m_link(std::move(backend), timeoutMs), m_protocol(m_link) {}

CLinkCameraManager::~CLinkCameraManager() {
  // A completion call-back may start another command while we wait: wait
  // until no thread is left.
  for (;;) {
    std::list<CommandThread> threads;
    {
      std::lock_guard guard(m_threadLock);
      threads.swap(m_threads);
    }
    if (threads.empty())
      break;
    for (auto& item : threads) {
      if (item.thread.get_id() == std::this_thread::get_id())
        item.thread.detach();
      else
        item.thread.join();
    }
  }
  m_cameras.clear();
}

bool CLinkCameraManager::waitForCommands(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    {
      std::lock_guard guard(m_threadLock);
      if (std::all_of(m_threads.begin(), m_threads.end(),
                      [](const CommandThread& item) { return item.done->load(); }))
        return true;
    }
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

int CLinkCameraManager::InitControl() {
  return m_link.initControl();
}

int CLinkCameraManager::Enumerate() {
  m_cameras.clear();
  for (auto& found : m_link.enumerate())
    m_cameras.append(std::make_shared<CCameraRecord>(m_link.backend(), found.devicePath, found.modelName));
  return m_cameras.count();
}

DWORD CLinkCameraManager::Connect(int camera) {
  const auto record = m_cameras.find(camera);
  if (!record)
    throw VeskFault::library(VESK_BAD_CAM_NO);
  return record->connect();
}

int CLinkCameraManager::Close(int camera) {
  const auto record = m_cameras.find(camera);
  if (!record)
    throw VeskFault::library(VESK_BAD_CAM_NO);
  return record->close();
}

bool CLinkCameraManager::IsReady(int camera) const {
  const auto record = m_cameras.find(camera);
  return record && !record->isBusy();
}

const char* CLinkCameraManager::GetModelName(int camera) {
  const auto record = m_cameras.find(camera);
  if (!record)
    return nullptr;
  // Model names outlive the records, so a returned name never dangles after
  // a re-enumeration.
  std::lock_guard guard(m_textLock);
  return m_modelNames.insert(record->modelName()).first->c_str();
}

std::shared_ptr<CCameraRecord> CLinkCameraManager::acquireCamera(int camera) {
  auto record = m_cameras.find(camera);
  if (!record)
    throw VeskFault::library(VESK_BAD_CAM_NO);
  if (!record->isConnected())
    throw VeskFault::library(VESK_NOT_CONNECTED);
  if (!record->tryAcquire())
    throw VeskFault::library(VESK_CAMERA_BUSY);
  if (!record->isConnected()) {
    record->release();
    throw VeskFault::library(VESK_NOT_CONNECTED);
  }
  return record;
}

template <class Work> auto CLinkCameraManager::guarded(int camera, Work&& work) {
  const auto record = acquireCamera(camera);
  BusyRelease busy(*record);
  return work(*record);
}

std::uint32_t CLinkCameraManager::readRegister(int camera, std::uint8_t reg) {
  return guarded(camera, [&](CCameraRecord& record) { return m_protocol.readRegister(record, reg); });
}

int CLinkCameraManager::writeRegister(int camera, std::uint8_t reg, std::uint32_t value) {
  return guarded(camera,
                 [&](CCameraRecord& record) { return int{m_protocol.writeRegister(record, reg, value)}; });
}

int CLinkCameraManager::readRecord(int camera, std::uint8_t object, std::span<std::uint8_t> record) {
  std::vector<std::uint8_t> received(record.size(), 0);
  guarded(camera,
          [&](CCameraRecord& target) { return m_protocol.readData(target, object, received, nullptr); });
  std::copy(received.begin(), received.end(), record.begin());
  return 1;
}

int CLinkCameraManager::writeRecord(int camera, std::uint8_t object, std::span<const std::uint8_t> record) {
  return guarded(camera,
                 [&](CCameraRecord& target) { return int{m_protocol.writeData(target, object, record)}; });
}

int CLinkCameraManager::writeExposure(int camera, std::span<const std::uint8_t> record) {
  return guarded(camera, [&](CCameraRecord& target) {
    // The fourth word is the exposure time in microseconds; whole seconds only.
    if (record.size() >= 16)
      target.setExtraSeconds(tarsel::bytes::loadLe32(record, 12) / 1000000u);
    return int{m_protocol.writeData(target, camera::kExposureProp, record)};
  });
}

std::span<char> CLinkCameraManager::textBuffer(int camera) {
  std::lock_guard guard(m_textLock);
  auto& buffer = m_texts[camera];
  if (!buffer)
    buffer = std::make_unique<std::array<char, kTextBufferSize>>();
  return *buffer;
}

const char* CLinkCameraManager::readText(int camera, std::uint8_t object) {
  std::vector<std::uint8_t> received(kTextBufferSize - 1, 0);
  const std::size_t length = guarded(
      camera, [&](CCameraRecord& record) { return m_protocol.readData(record, object, received, nullptr); });
  const std::span<char> buffer = textBuffer(camera);
  std::memcpy(buffer.data(), received.data(), length);
  buffer[length] = '\0';
  return buffer.data();
}

int CLinkCameraManager::writeText(int camera, std::uint8_t object, const char* text, std::size_t maxLength) {
  const std::size_t length = text ? ::strnlen(text, maxLength) : 0;
  const auto bytes = std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text), length);
  return guarded(camera,
                 [&](CCameraRecord& record) { return int{m_protocol.writeData(record, object, bytes)}; });
}

CLinkCameraManager::CallbackSlot CLinkCameraManager::progressSlot() const {
  std::lock_guard guard(m_slotLock);
  return m_progress;
}

int CLinkCameraManager::readTransfer(int camera, std::uint8_t object, int bufferSize, void* buffer,
                                     VESK_PROGRESS_CALLBACK progress, void* context) {
  if (progress) {
    std::lock_guard guard(m_slotLock);
    m_progress = {progress, context};
  }
  // The buffer size bounds the copy: the camera's block lengths are untrusted.
  const std::size_t capacity = buffer && bufferSize > 0 ? static_cast<std::size_t>(bufferSize) : 0;
  const std::span<std::uint8_t> destination(static_cast<std::uint8_t*>(buffer), capacity);
  const CameraProtocol::ProgressSink sink = [this, camera](const VESK_PROGRESS& counters) {
    const CallbackSlot slot = progressSlot();
    if (slot.function)
      slot.function(camera, &counters, slot.context);
  };
  guarded(camera,
          [&](CCameraRecord& record) { return m_protocol.readData(record, object, destination, &sink); });
  return 1;
}

int CLinkCameraManager::runAction(int camera, std::uint8_t action, std::uint8_t parameter) {
  guarded(camera, [&](CCameraRecord& record) {
    m_protocol.runAction(record, action, parameter);
    return 0;
  });
  return 0;
}

void CLinkCameraManager::callCompletion(int camera) {
  CallbackSlot slot;
  {
    std::lock_guard guard(m_slotLock);
    slot = m_completion;
  }
  if (!slot.function)
    return;
  try {
    slot.function(camera, nullptr, slot.context);
  } catch (...) {
    // Nothing can take a failure from a command thread.
  }
}

int CLinkCameraManager::runCommand(int camera, std::uint8_t action, bool asynchronous,
                                   VESK_COMPLETION_CALLBACK completion, void* context) {
  if (completion) {
    std::lock_guard guard(m_slotLock);
    m_completion = {completion, context};
  }
  if (!asynchronous)
    return runAction(camera, action, 0);

  const auto record = acquireCamera(camera);
  auto procedure = [this, record, camera, action] {
    try {
      m_protocol.runAction(*record, action, 0);
    } catch (...) {
      // A failing asynchronous action shows only as the call-back that follows.
    }
    // Ready before the call-back: a call-back that calls the library is not refused as busy.
    record->release();
    callCompletion(camera);
  };
  int errorNumber = 0;
  int handle = 0;
  try {
    handle = StartCommandThread(std::move(procedure), errorNumber);
  } catch (...) {
    record->release();
    throw;
  }
  if (handle != 0)
    return handle;
  record->setThreadStartError(errorNumber);
  BusyRelease busy(*record);
  m_protocol.runAction(*record, action, 0);
  return 0;
}

void CLinkCameraManager::reapFinishedThreads() {
  for (auto it = m_threads.begin(); it != m_threads.end();) {
    if (it->done->load()) {
      it->thread.join();
      it = m_threads.erase(it);
    } else {
      ++it;
    }
  }
}

int CLinkCameraManager::StartCommandThread(std::function<void()> procedure, int& errorNumber) {
  std::lock_guard guard(m_threadLock);
  reapFinishedThreads();
  auto done = std::make_shared<std::atomic<bool>>(false);
  try {
    std::thread thread([procedure = std::move(procedure), done] {
      procedure();
      done->store(true);
    });
    m_threads.push_back({std::move(thread), std::move(done)});
  } catch (const std::system_error& error) {
    errorNumber = error.code().value();
    return 0;
  }
  // Handles are opaque, non-zero and positive.
  m_lastThreadHandle = m_lastThreadHandle == std::numeric_limits<int>::max() ? 1 : m_lastThreadHandle + 1;
  return m_lastThreadHandle;
}

} // namespace tarsel::vesk
