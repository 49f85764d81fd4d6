#include "app/core/PreviewPauseGuard.h"

#include <atomic>

namespace {

std::atomic<IPreviewBusyListener*> g_listener{nullptr};

} // namespace

void CPreviewPauseGuard::SetListener(IPreviewBusyListener* listener) {
  g_listener.store(listener);
}

CPreviewPauseGuard::CPreviewPauseGuard() : m_paused(g_listener.load()) {
  if (m_paused)
    m_paused->NotifyPreviewBusy(true);
}

CPreviewPauseGuard::~CPreviewPauseGuard() {
  if (!m_paused)
    return;
  try {
    m_paused->NotifyPreviewBusy(false);
  } catch (...) {
    // A destructor must not throw; the preview stays paused at worst.
  }
}
