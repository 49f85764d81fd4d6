#include "app/testsupport/FileDialogAnswer.h"

#include <QApplication>
#include <QFileDialog>
#include <QTimer>

namespace tarsel::test {

void answerNextFileDialog(const std::function<void(QFileDialog&)>& answer) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, answer] {
    if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      answer(*dialog);
    }
  });
  timer->start(1);
}

} // namespace tarsel::test
