// Drives a modal dialog from inside its modal loop, for the GUI tests that
// open a dialog the way the program does (exec) and steer it meanwhile: every
// few milliseconds `step` runs on the active modal widget when it is a D,
// until it answers true. A step that never does within `patience` fails the
// test and closes the modal widget, so the test goes on. The timer is a child
// of `owner`: deleting the owner ends a drive still waiting, so none reaches
// into a later test's dialog with an earlier test's locals.
//
// User-interface thread only.
#pragma once

#include <QApplication>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

namespace tarsel::test {

template <class D>
void driveModalDialog(QObject* owner, std::function<bool(D&)> step, std::chrono::milliseconds patience) {
  auto* timer = new QTimer(owner);
  const auto deadline = std::chrono::steady_clock::now() + patience;
  QObject::connect(timer, &QTimer::timeout, [timer, step = std::move(step), deadline] {
    auto* dialog = dynamic_cast<D*>(QApplication::activeModalWidget());
    const bool late = std::chrono::steady_clock::now() > deadline;
    if (!(dialog && step(*dialog)) && !late)
      return;
    timer->stop();
    timer->deleteLater();
    EXPECT_FALSE(late) << "a dialog step never came true";
    if (QWidget* modal = QApplication::activeModalWidget(); late && modal)
      modal->close();
  });
  timer->start(5);
}

} // namespace tarsel::test
