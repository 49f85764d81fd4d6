// Answering the modal dialog a saver opens inside a call the test makes:
// the answer runs on the user-interface thread once such a dialog shows.
#pragma once

#include <QApplication>
#include <QTimer>

#include <functional>

namespace tarsel::savers::test {

// Runs `answer` on the next modal dialog of type Dialog once it is shown.
template <class Dialog> void AnswerDialog(const std::function<void(Dialog&)>& answer) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, answer] {
    if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      answer(*dialog);
    }
  });
  timer->start(1);
}

} // namespace tarsel::savers::test
