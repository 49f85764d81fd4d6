// The guard of the user-interface entry points, its connect helper and the
// application's last-resort net: what escapes a handler is shown once, with
// the right code and owner, and the program goes on.
#include "app/ui/UiGuard.h"
#include "app/ui/GuardedApplication.h"
#include "env/BrantelTakeError.h"
#include "env/ErrorReport.h"

#include <QCoreApplication>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Box {
  HWND parent;
  std::string text;
};

class UiGuardTest : public ::testing::Test {
protected:
  void SetUp() override {
    _brantel_take_error::DoReporting(true);
    SetMessageBoxHook([this](HWND parent, const std::string& text, const std::string&, MessageBoxIcon) {
      boxes.push_back({parent, text});
    });
  }
  void TearDown() override {
    SetMessageBoxHook({});
    _brantel_take_error::DoReporting(false);
  }
  // The code a box shows ("...(0x8000ffff)...").
  static bool shows(const Box& box, const char* code) { return box.text.find(code) != std::string::npos; }

  std::vector<Box> boxes;
};

// Throws from its event handler, as a faulty handler would.
class ThrowingWidget : public QWidget {
protected:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::User)
      throw std::runtime_error("handler fault");
    return QWidget::event(event);
  }
};

TEST_F(UiGuardTest, ATakeErrorIsReportedAsItselfAnythingElseAsUnexpectedAndQuietShowsNothing) {
  QWidget window;
  EXPECT_TRUE(tarsel::ui::Guard(&window, [] {}));
  EXPECT_FALSE(tarsel::ui::Guard(&window, [] { throw _brantel_take_error(5); }));
  EXPECT_FALSE(tarsel::ui::Guard(nullptr, [] { throw std::runtime_error("not ours"); }));
  EXPECT_FALSE(tarsel::ui::Guard(
      &window, [] { throw 42; }, tarsel::ui::Reporting::Quiet));
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].parent, static_cast<HWND>(&window));
  EXPECT_TRUE(shows(boxes[0], "(0x05)")) << boxes[0].text;
  EXPECT_EQ(boxes[1].parent, nullptr);
  EXPECT_TRUE(shows(boxes[1], "0x8000ffff")) << boxes[1].text;
}

TEST_F(UiGuardTest, AThrowingSlotIsReportedAndTheSignalReachesTheNextSlot) {
  QWidget window;
  QTimer timer;
  int later = 0;
  tarsel::ui::ConnectGuarded(&timer, &QTimer::timeout, &window, [] { throw _brantel_take_error(87); });
  QObject::connect(&timer, &QTimer::timeout, &window, [&later] { ++later; });
  QMetaObject::invokeMethod(&timer, "timeout", Qt::DirectConnection);
  EXPECT_EQ(later, 1);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].parent, static_cast<HWND>(&window));
}

TEST_F(UiGuardTest, TheApplicationCatchesWhatAnEventHandlerLetsOutAndGoesOn) {
  auto* application = qobject_cast<tarsel::ui::GuardedApplication*>(QCoreApplication::instance());
  ASSERT_NE(application, nullptr);
  ThrowingWidget widget;
  QCoreApplication::postEvent(&widget, new QEvent(QEvent::User));
  QCoreApplication::postEvent(&widget, new QEvent(QEvent::User));
  QCoreApplication::sendPostedEvents(&widget, QEvent::User);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].parent, static_cast<HWND>(&widget));
  EXPECT_TRUE(shows(boxes[1], "0x8000ffff")) << boxes[1].text;
}

} // namespace
