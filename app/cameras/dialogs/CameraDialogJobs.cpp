#include "app/cameras/dialogs/CameraDialogJobs.h"

#include "app/host/CameraWindow.h"
#include "app/host/EventSink.h"
#include "app/host/TarselEvents.h"
#include "app/ui/UiGuard.h"
#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"

#include <QEvent>
#include <QWidget>

namespace tarsel::dialogs {

namespace {

QEvent::Type JobEndedType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

// The outcome of one job, on its way to the user-interface thread.
class JobEndedEvent : public QEvent {
public:
  JobEndedEvent(std::function<void(HRESULT)> done, HRESULT code)
      : QEvent(JobEndedType()), m_done(std::move(done)), m_code(code) {}
  ~JobEndedEvent() override { tarsel::host::AcquireHandoff(this); }

  void Deliver() const {
    if (m_done)
      m_done(m_code);
  }

private:
  std::function<void(HRESULT)> m_done;
  HRESULT m_code;
};

} // namespace

CCameraDialogJobs::CCameraDialogJobs(ICameraWindow* window, QWidget* owner)
    : QObject(owner), m_window(window), m_owner(owner), m_sink(tarsel::host::EventSink::Create(this)) {
  tarsel::host::ReserveTarselEventTypes();
}

CCameraDialogJobs::~CCameraDialogJobs() {
  m_sink->Detach();
}

bool CCameraDialogJobs::Run(std::function<void()> work, std::function<void(HRESULT)> done) {
  if (!m_window)
    return false;
  const bool queued =
      m_window->QueueCameraCall([sink = m_sink, work = std::move(work),
                                 done = std::move(done)](ICameraHiLevel&, std::stop_token) mutable {
        HRESULT code = 0;
        try {
          work();
        } catch (const _brantel_take_error& error) {
          code = error.Error();
        } catch (...) {
          code = E_UNEXPECTED;
        }
        sink->Post(new JobEndedEvent(std::move(done), code));
      });
  if (queued)
    ++m_pending;
  return queued;
}

bool CCameraDialogJobs::event(QEvent* event) {
  if (event->type() != JobEndedType())
    return QObject::event(event);
  tarsel::host::AcquireHandoff(event);
  --m_pending;
  tarsel::ui::Guard(m_owner, [event] { static_cast<const JobEndedEvent*>(event)->Deliver(); });
  return true;
}

} // namespace tarsel::dialogs
