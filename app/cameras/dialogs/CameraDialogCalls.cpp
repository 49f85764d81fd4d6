#include "app/cameras/dialogs/CameraDialogCalls.h"

#include "app/core/ITarselCallback.h"
#include "app/core/StringIds.h"
#include "app/host/CameraWindow.h"
#include "app/ui/ResText.h"
#include "env/ErrorReport.h"

#include <QApplication>
#include <QWidget>

namespace tarsel::dialogs {

namespace {

CameraDialogCalls::BeepHook& BeepHookSlot() {
  static CameraDialogCalls::BeepHook hook;
  return hook;
}

} // namespace

CameraDialogCalls::CameraDialogCalls(QWidget* owner, ICameraWindow* window,
                                     std::function<void()> pendingChanged)
    : m_owner(owner), m_window(window), m_pendingChanged(std::move(pendingChanged)) {}

bool CameraDialogCalls::Run(std::function<void()> work, std::function<void()> done,
                            std::function<void()> failed) {
  if (!m_window || !m_owner)
    return false;
  QPointer<QWidget> owner = m_owner;
  const bool queued = m_window->QueueCameraCall(
      std::move(work), m_owner,
      [this, owner, done = std::move(done), failed = std::move(failed)](HRESULT code) {
        // The relay is the owner's child: the owner, and so this object, is alive.
        Ended();
        if (code != 0) {
          ShowStatus(tarsel::ui::ResText(tarsel::core::ids::IDS_ERROR).toStdString());
          ReportError(code, owner.data());
          if (failed && owner)
            failed();
          return;
        }
        if (done)
          done();
      });
  if (!queued)
    return false;
  ++m_pending;
  if (m_pendingChanged)
    m_pendingChanged();
  return true;
}

void CameraDialogCalls::Ended() {
  if (m_pending > 0)
    --m_pending;
  if (m_pendingChanged)
    m_pendingChanged();
}

void CameraDialogCalls::ShowStatus(const std::string& text) const {
  if (_ITarselCallback* callback = m_window ? m_window->StatusCallback() : nullptr)
    callback->SetStatusText(text.c_str());
}

CameraDialogCalls::BeepHook CameraDialogCalls::SetBeepHook(BeepHook hook) {
  return std::exchange(BeepHookSlot(), std::move(hook));
}

void CameraDialogCalls::Beep() {
  if (const BeepHook& hook = BeepHookSlot())
    hook();
  else
    QApplication::beep();
}

} // namespace tarsel::dialogs
