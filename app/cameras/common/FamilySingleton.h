// The lock, the singleton and the kept settings object of one camera family,
// as every family's accessor and release function use them.
//
// Threads: every member takes the lock. Failure: Get throws
// _brantel_take_error(8) when the singleton cannot be made; Release never
// throws (what the singleton's destructor or the settings' Release throws
// is swallowed).
#pragma once

#include "env/BrantelTakeError.h"
#include "hostapi/ITarselSettings.h"
#include "platform/Win32Error.h"

#include <mutex>
#include <new>

namespace tarsel::cameras {

template <class Sdk> class FamilySingleton {
public:
  Sdk* Get(ITarselSettings* settings) {
    const std::lock_guard<std::mutex> guard(m_lock);
    if (settings) {
      // Take the new reference first: the same object may be handed again.
      settings->AddRef();
      ReleaseSettings();
      m_settings = settings;
    }
    if (!m_instance) {
      m_instance = new (std::nothrow) Sdk();
      if (!m_instance)
        throw _brantel_take_error(ERROR_NOT_ENOUGH_MEMORY);
    }
    return m_instance;
  }

  void Release() noexcept {
    const std::lock_guard<std::mutex> guard(m_lock);
    try {
      delete m_instance;
    } catch (...) {
    }
    m_instance = nullptr;
    ReleaseSettings();
  }

  ITarselSettings* Settings() {
    const std::lock_guard<std::mutex> guard(m_lock);
    return m_settings;
  }

private:
  void ReleaseSettings() noexcept {
    ITarselSettings* const old = m_settings;
    m_settings = nullptr;
    if (!old)
      return;
    try {
      old->Release();
    } catch (...) {
    }
  }

  std::mutex m_lock;
  Sdk* m_instance = nullptr;
  ITarselSettings* m_settings = nullptr;
};

} // namespace tarsel::cameras
