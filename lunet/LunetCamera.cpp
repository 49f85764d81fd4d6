#include "lunet/LunetCamera.h"

#include "platform/Bytes.h"
#include "vantic/Vantic.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace tarsel::lunet {

namespace {

// Speed indexes of the search, fastest first.
constexpr int kFastestSpeed = 6;

// Removes the progress call-back on every way out of a transfer.
class CallbackScope {
public:
  CallbackScope(CamProgressCallback callback, void* user) {
    m_rc = Cam_setup_callback(callback, reinterpret_cast<intptr_t>(user));
  }
  ~CallbackScope() { Cam_setup_callback(nullptr, 0); }
  CallbackScope(const CallbackScope&) = delete;
  CallbackScope& operator=(const CallbackScope&) = delete;
  int result() const { return m_rc; }

private:
  int m_rc = 0;
};

// Results that say the camera did not answer or could not be reached, as
// against one that answered and refused.
bool noAnswer(int rc) {
  switch (rc) {
  case CAM_NO_PORT:
  case CAM_BAD_CLOSE:
  case CAM_BAD_WRITE:
  case CAM_BAD_READ:
  case CAM_BAD_OPEN:
  case CAM_NOT_RESPONDING:
  case CAM_USB_FAILED:
    return true;
  default:
    return false;
  }
}

} // namespace

LunetCamera::LunetCamera(LunetTimings timings) : m_timings(timings) {}

LunetCamera::CallScope::CallScope(LunetCamera& camera, Call call) {
  if (call == Call::None)
    return;
  m_limited = true;
  const LunetTimings& timings = camera.m_timings;
  if (!camera.m_unresponsive) {
    VanticSetTimeLimit(timings.answerWaitMs);
    return;
  }
  // The camera stopped answering: one short ask first. A call that reports
  // by result is that ask itself.
  VanticSetTimeLimit(timings.probeMs);
  if (call == Call::Reporting)
    return;
  try {
    if (Cam_ready() != 1) {
      const int rc = Cam_error();
      camera.raiseIf(noAnswer(rc) ? rc : kNotResponding);
    }
  } catch (...) {
    VanticSetTimeLimit(0);
    throw;
  }
  camera.m_unresponsive = false;
  VanticSetTimeLimit(timings.answerWaitMs);
}

LunetCamera::CallScope::~CallScope() {
  if (m_limited)
    VanticSetTimeLimit(0);
}

void LunetCamera::noteAnswer(int rc) {
  if (rc == CAM_OK)
    m_unresponsive = false;
  else if (noAnswer(rc))
    m_unresponsive = true;
}

std::recursive_mutex& LunetCamera::lock() {
  static std::recursive_mutex instance;
  return instance;
}

long LunetCamera::connect() {
  Cam_reset_dll();
  int handle = 0;
  if (propSpeed == 0 && portHandle != CAM_PORT_USB) {
    handle = Cam_set_port(static_cast<int>(propPort));
    if (handle == -1)
      return kNoPortFound;
    if (handle == CAM_PORT_USB) {
      lastResult = Cam_session_enabled(1);
    } else {
      // From the fastest speed down: a camera that refuses a speed answers
      // the next lower one; one that does not answer at all ends the search.
      for (int index = kFastestSpeed; index >= 1; --index) {
        Cam_set_speed(index);
        lastResult = Cam_session_enabled(1);
        if (lastResult == CAM_OK) {
          propSpeed = index;
          break;
        }
        if (lastResult == CAM_NOT_RESPONDING)
          break;
      }
    }
  } else {
    handle = Cam_set_port(static_cast<int>(propPort));
    if (handle == -1)
      return kNoPortFound;
    if (handle != CAM_PORT_USB)
      Cam_set_speed(static_cast<int>(propSpeed));
    lastResult = Cam_session_enabled(1);
  }
  portHandle = handle;
  propPort = handle;
  propCancel = 0;
  noteAnswer(static_cast<int>(lastResult));
  return lastResult;
}

long LunetCamera::disconnect() {
  lastResult = Cam_session_enabled(0);
  return lastResult;
}

void LunetCamera::raiseIf(int rc) {
  lastResult = rc;
  noteAnswer(rc);
  if (rc != CAM_OK)
    throw LunetRaise{rc};
}

void LunetCamera::check(int rc) {
  raiseIf(rc);
  waitReady();
}

long LunetCamera::plain(int value) {
  // After a read the camera did not answer, the ready wait asks only briefly:
  // a camera that answers again gives the value as it came, a silent one
  // fails the member at once.
  if (value == -1 && noAnswer(Cam_error()))
    m_unresponsive = true;
  waitReady();
  return value;
}

void LunetCamera::waitReady() {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(m_timings.readyWaitMs);
  // Each ask ends by the deadline (and within the answer wait); the
  // member's own limit is back afterwards, whatever the way out.
  auto restore = [this] { VanticSetTimeLimit(m_timings.answerWaitMs); };
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    long long limit = std::max<long long>(left, 1);
    const int wait = m_unresponsive ? m_timings.probeMs : m_timings.answerWaitMs;
    if (wait > 0)
      limit = std::min<long long>(limit, wait);
    VanticSetTimeLimit(static_cast<int>(limit));
    if (Cam_ready() != 0) {
      m_unresponsive = false;
      break;
    }
    // A camera that no longer answers will not become ready by waiting.
    if (const int rc = Cam_error(); noAnswer(rc)) {
      restore();
      raiseIf(rc);
    }
    const auto now = Clock::now();
    if (now >= deadline) {
      restore();
      raiseIf(kNotResponding);
    }
    std::this_thread::sleep_for(
        std::min<Clock::duration>(std::chrono::milliseconds(m_timings.readyPollMs), deadline - now));
  }
  restore();
}

bool LunetCamera::readyNow() {
  if (Cam_ready() == 1) {
    m_unresponsive = false;
    return true;
  }
  if (noAnswer(Cam_error()))
    m_unresponsive = true;
  return false;
}

std::string LunetCamera::text(const char* bytes, std::size_t bound) {
  const auto* end = static_cast<const char*>(std::memchr(bytes, '\0', bound));
  return std::string(bytes, end != nullptr ? end : bytes + bound);
}

int LunetCamera::progressCallback(intptr_t user, int, short percent) {
  auto* self = reinterpret_cast<LunetCamera*>(user);
  if (self->propCancel == 1)
    return 0;
  try {
    if (self->onProgress)
      self->onProgress(percent);
  } catch (...) {
    // Nothing may pass back into the camera library; the transfer goes on.
  }
  return 1;
}

std::shared_ptr<com::ByteArray> LunetCamera::transferArray(const com::Variant& variant, long size) {
  // The array must hold all `size` bytes: a shorter one is refused, never overrun.
  auto array = variant.array();
  if (!array || !array->hasData() || size < 0 || array->size() < static_cast<std::size_t>(size))
    raiseIf(kMemoryError);
  return array;
}

void LunetCamera::download(Download kind, long size, const com::Variant& variant) {
  CallbackScope callback(&LunetCamera::progressCallback, this);
  raiseIf(callback.result());
  com::ByteArray::Access access(*transferArray(variant, size));
  std::vector<std::uint8_t> work(static_cast<std::size_t>(size));
  const int capacity = static_cast<int>(size);
  int rc = CAM_OK;
  switch (kind) {
  case Download::Thumbnail:
    rc = Cam_get_thumbnail_buffer(work.data(), static_cast<int>(propCurrentPicture), capacity);
    break;
  case Download::Picture:
    rc = Cam_get_picture_buffer(work.data(), static_cast<int>(propCurrentPicture), capacity);
    break;
  case Download::Preview:
    rc = Cam_get_picture_buffer(work.data(), 0, capacity);
    break;
  }
  if (rc == CAM_OK)
    std::copy(work.begin(), work.end(), access.bytes().begin());
  raiseIf(rc);
  waitReady();
}

void LunetCamera::upload(long size, const com::Variant& variant) {
  {
    CallbackScope callback(&LunetCamera::progressCallback, this);
    raiseIf(callback.result());
    com::ByteArray::Access access(*transferArray(variant, size));
    raiseIf(Cam_load_picture_data(access.bytes().data(), static_cast<int>(size)));
  }
  waitReady();
  check(Cam_write_loaded_data());
}

void LunetCamera::requireArray(const com::Variant& variant, std::size_t size) {
  const auto array = variant.array();
  if (!array || !array->hasData() || array->size() < size)
    throw LunetRaise{kMemoryError};
}

void LunetCamera::toArray(std::span<const std::uint8_t> bytes, const com::Variant& variant) {
  requireArray(variant, bytes.size());
  const auto array = variant.array();
  com::ByteArray::Access access(*array);
  std::copy(bytes.begin(), bytes.end(), access.bytes().begin());
}

std::vector<std::uint8_t> LunetCamera::fromArray(const com::Variant& variant, std::size_t size) {
  requireArray(variant, size);
  const auto array = variant.array();
  com::ByteArray::Access access(*array);
  return {access.bytes().begin(), access.bytes().begin() + static_cast<std::ptrdiff_t>(size)};
}

std::vector<std::uint8_t> bytesOfWords(std::span<const std::int32_t> words) {
  std::vector<std::uint8_t> bytes(words.size() * 4);
  for (std::size_t i = 0; i < words.size(); ++i)
    bytes::storeLe32(bytes, i * 4, static_cast<std::uint32_t>(words[i]));
  return bytes;
}

std::vector<std::int32_t> wordsOfBytes(std::span<const std::uint8_t> bytes) {
  std::vector<std::int32_t> words(bytes.size() / 4);
  for (std::size_t i = 0; i < words.size(); ++i)
    words[i] = static_cast<std::int32_t>(bytes::loadLe32(bytes, i * 4));
  return words;
}

} // namespace tarsel::lunet
