// The program's application object: a QApplication whose notify is the last
// net under every event handler. What a handler lets out (which the
// handler's own guard should have caught) is reported as Guard reports it,
// with the receiver's window as parent, and the event counts as not handled.
// User-interface thread only.
#pragma once

#include <QApplication>

namespace tarsel::ui {

class GuardedApplication : public QApplication {
  Q_OBJECT

public:
  GuardedApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace tarsel::ui
