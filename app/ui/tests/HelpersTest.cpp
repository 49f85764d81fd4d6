// The message pump, the clipboard guard, the program folder, and a question
// whose parent window goes while it waits.
#include "app/ui/ClipboardGuard.h"
#include "app/ui/MessageQuestion.h"
#include "app/ui/ProgramFolder.h"
#include "app/ui/PumpWaitingMessages.h"
#include "env/BrantelTakeError.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

namespace {

class CountingObject : public QObject {
public:
  int seen = 0;
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) {
      ++seen;
      return true;
    }
    return QObject::event(e);
  }
};

TEST(PumpWaitingMessages, HandlesEveryEventWaitingThenReturns) {
  CountingObject target;
  for (int i = 0; i < 5; ++i)
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
  EXPECT_EQ(0, target.seen);
  PumpWaitingMessages(nullptr);
  EXPECT_EQ(5, target.seen);
  PumpWaitingMessages(nullptr);
  EXPECT_EQ(5, target.seen);
}

TEST(ClipboardGuard, EmptiesTheClipboardAndOffersEveryFormatSet) {
  QGuiApplication::clipboard()->setText("old text");
  {
    CClipboardGuard guard(nullptr);
    EXPECT_TRUE(guard.isOpen());
    EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty());
    guard.SetData("application/x-tarsel-test", QByteArray("\x01\x02", 2));
    QImage picture(4, 3, QImage::Format_RGB32);
    picture.fill(Qt::red);
    guard.SetImage(picture);
    EXPECT_THROW(guard.SetData(QString(), QByteArray("x")), _brantel_take_error);
  }
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(nullptr, data);
  EXPECT_EQ(QByteArray("\x01\x02", 2), data->data("application/x-tarsel-test"));
  ASSERT_TRUE(data->hasImage());
  EXPECT_EQ(QSize(4, 3), qvariant_cast<QImage>(data->imageData()).size());
}

TEST(ClipboardGuard, CannotBeOpenedOffTheGuiThread) {
  bool threw = false;
  HRESULT code = 0;
  std::thread worker([&] {
    try {
      CClipboardGuard guard(nullptr);
    } catch (const _brantel_take_error& error) {
      threw = true;
      code = error.Error();
    }
  });
  worker.join();
  EXPECT_TRUE(threw);
  EXPECT_EQ(5, code);
}

TEST(ProgramFolder, IsTheRunningProgramsFolderWithATrailingSeparator) {
  char buffer[kProgramFolderSize];
  ASSERT_TRUE(GetProgramFolder(buffer, sizeof buffer));
  const std::string expected = QCoreApplication::applicationDirPath().toStdString() + "/";
  EXPECT_EQ(expected, buffer);

  char small[4];
  std::memset(small, 'x', sizeof small);
  EXPECT_FALSE(GetProgramFolder(small, sizeof small));
  EXPECT_STREQ("", small);
}

} // namespace

TEST(AskUser, AParentClosedWhileTheQuestionWaitsEndsItAsCancelled) {
  auto* parent = new QWidget;
  QTimer::singleShot(0, parent, [parent] { parent->deleteLater(); });
  EXPECT_EQ(tarsel::ui::AskUser(parent, QString("Still there?"), tarsel::ui::Buttons::YesNo,
                                tarsel::ui::Icon::Question),
            tarsel::ui::IDCANCEL);
}
