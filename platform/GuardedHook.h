// A hook (a std::function or other copyable callable) that any thread may
// install or fetch. Both run under a mutex; callers call the copy they
// fetched outside it, so a hook that blocks (a box that stays open) holds up
// nobody else's call or installation, and a hook may install another.
#pragma once

#include <mutex>
#include <utility>

namespace tarsel::platform {

template <typename Hook> class GuardedHook {
public:
  // The installed hook, copied under the lock.
  Hook get() const {
    std::lock_guard lock(m_mutex);
    return m_hook;
  }

  // Installs `hook`; returns the hook it replaces.
  Hook exchange(Hook hook) {
    std::lock_guard lock(m_mutex);
    return std::exchange(m_hook, std::move(hook));
  }

private:
  mutable std::mutex m_mutex;
  Hook m_hook;
};

} // namespace tarsel::platform
