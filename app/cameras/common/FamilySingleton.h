// The lock, the singleton and the kept settings object of one camera family,
// as every family's accessor and release function use them. A family whose
// camera library must be bound before its SDK object exists hands in a bind
// and an unbind function: Get binds before it makes the singleton, Release
// unbinds after deleting it (only when a bind succeeded).
//
// Threads: every member takes the lock. Failure: Get throws what the bind
// function throws, and _brantel_take_error(8) when the singleton cannot be
// made; Release never throws (what the singleton's destructor, the unbind
// function or the settings' Release throws is swallowed).
#pragma once

#include "env/BrantelTakeError.h"
#include "hostapi/ITarselSettings.h"
#include "platform/Win32Error.h"

#include <mutex>
#include <new>

namespace tarsel::cameras {

template <class Sdk> class FamilySingleton {
public:
  using LibraryCall = void (*)();

  FamilySingleton() = default;
  FamilySingleton(LibraryCall bind, LibraryCall unbind) : m_bind(bind), m_unbind(unbind) {}
  FamilySingleton(const FamilySingleton&) = delete;
  FamilySingleton& operator=(const FamilySingleton&) = delete;

  Sdk* Get(ITarselSettings* settings) {
    const std::lock_guard<std::mutex> guard(m_lock);
    if (settings) {
      // Take the new reference first: the same object may be handed again.
      settings->AddRef();
      ReleaseSettings();
      m_settings = settings;
    }
    if (!m_instance) {
      if (m_bind && !m_bound) {
        m_bind();
        m_bound = true;
      }
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
    if (m_bound && m_unbind) {
      try {
        m_unbind();
      } catch (...) {
      }
    }
    m_bound = false;
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

  const LibraryCall m_bind = nullptr;
  const LibraryCall m_unbind = nullptr;
  std::mutex m_lock;
  bool m_bound = false;
  Sdk* m_instance = nullptr;
  ITarselSettings* m_settings = nullptr;
};

} // namespace tarsel::cameras
