#include "app/main/EnvHooks.h"

#include "app/host/TarselEvents.h"
#include "app/ui/HelpWindow.h"
#include "app/ui/UiGuard.h"
#include "env/ErrorReport.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QMainWindow>
#include <QMessageBox>
#include <QStatusBar>
#include <QThread>
#include <QUrl>
#include <QWidget>

#include <cstdio>
#include <mutex>
#include <utility>

namespace tarsel::program {
namespace {

QEvent::Type callEventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

// Work handed from another thread to the user-interface thread.
class CallEvent : public QEvent {
public:
  explicit CallEvent(std::function<void()> call) : QEvent(callEventType()), m_call(std::move(call)) {}
  ~CallEvent() override { tarsel::host::AcquireHandoff(this); }
  void run() const { m_call(); }

private:
  std::function<void()> m_call;
};

void showMessageBox(QWidget* parent, const QString& text, const QString& caption, MessageBoxIcon icon) {
  QMessageBox box(icon == MessageBoxIcon::Error ? QMessageBox::Critical : QMessageBox::Information, caption,
                  text, QMessageBox::Ok, parent);
  box.exec();
}

} // namespace

// What the installed hooks share with the object; the hooks keep it alive,
// so a hook fetched just before the object goes never touches freed memory.
struct EnvHooks::Shared {
  QThread* const userInterfaceThread = QThread::currentThread();
  const ShowBox showBox;
  std::mutex lock;
  EnvHooks* receiver = nullptr;

  // True while a box is open (user-interface thread only).
  bool boxOpen = false;

  explicit Shared(ShowBox show) : showBox(std::move(show)) {}

  // Shows one box at a time. A box runs a nested event loop in which takes
  // go on and may fail again: an error that arrives while a box is open goes
  // to the error log and the status line instead of a box inside the box.
  void showOneBox(QWidget* parent, const QString& text, const QString& caption, MessageBoxIcon icon) {
    if (boxOpen) {
      WriteErrorInfo((caption + QStringLiteral(": ") + text).toStdString().c_str());
      const QString firstLine = text.section(QLatin1Char('\n'), 0, 0);
      for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<QMainWindow*>(widget))
          window->statusBar()->showMessage(firstLine);
      return;
    }
    boxOpen = true;
    try {
      showBox(parent, text, caption, icon);
    } catch (...) {
      boxOpen = false;
      throw;
    }
    boxOpen = false;
  }

  bool onUserInterfaceThread() const { return QThread::currentThread() == userInterfaceThread; }

  // Posts `call` to the user-interface thread; false when the object is gone.
  bool post(std::function<void()> call) {
    const std::lock_guard guard(lock);
    if (!receiver)
      return false;
    tarsel::host::PostToUserInterfaceThread(receiver, new CallEvent(std::move(call)));
    return true;
  }
};

EnvHooks::EnvHooks(ShowBox showBox)
    : m_shared(std::make_shared<Shared>(showBox ? std::move(showBox) : ShowBox(showMessageBox))) {
  m_shared->receiver = this;
  const std::shared_ptr<Shared> shared = m_shared;

  m_previousBox = SetMessageBoxHook(
      [shared](HWND parent, const std::string& text, const std::string& caption, MessageBoxIcon icon) {
        const QString boxText = QString::fromStdString(text);
        const QString boxCaption = QString::fromStdString(caption);
        if (shared->onUserInterfaceThread()) {
          shared->showOneBox(static_cast<QWidget*>(parent), boxText, boxCaption, icon);
          return;
        }
        // The parent may be gone by the time the box shows, so the box stands alone.
        if (shared->post([shared, boxText, boxCaption, icon] {
              shared->showOneBox(nullptr, boxText, boxCaption, icon);
            }))
          return;
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        std::fflush(stderr);
      });

  m_previousHelp = CHtmlHelp::SetDisplayHook([shared](HWND parent, const std::string& url) {
    const QUrl page(QString::fromStdString(url));
    if (shared->onUserInterfaceThread()) {
      tarsel::ui::HelpWindow::Display(static_cast<QWidget*>(parent), page);
      return;
    }
    // The parent may be gone by the time the page shows.
    shared->post(
        [page] { tarsel::ui::Guard(nullptr, [&page] { tarsel::ui::HelpWindow::Display(nullptr, page); }); });
  });
}

EnvHooks::~EnvHooks() {
  CHtmlHelp::SetDisplayHook(std::move(m_previousHelp));
  SetMessageBoxHook(std::move(m_previousBox));
  // Calls that fetched the hooks before this point post nothing more; what
  // they posted already is deleted undelivered with this object.
  const std::lock_guard guard(m_shared->lock);
  m_shared->receiver = nullptr;
}

bool EnvHooks::event(QEvent* event) {
  if (event->type() != callEventType())
    return QObject::event(event);
  tarsel::host::AcquireHandoff(event);
  static_cast<CallEvent*>(event)->run();
  return true;
}

} // namespace tarsel::program
