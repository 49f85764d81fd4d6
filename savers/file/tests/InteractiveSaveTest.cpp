#include "savers/file/tests/FileSaverTestSupport.h"

#include <QApplication>
#include <QFileDialog>
#include <QTimer>

#include <functional>

namespace tarsel::filesaver::test {
namespace {

// Answers the next file dialog as soon as it is shown.
void answerFileDialog(const std::function<void(QFileDialog&)>& answer) {
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

TEST_F(FileSaverTest, TheFileDialogSavesWhereTheUserChoseAndNamesTheNextPicture) {
  FakeSaveInfo info;
  BytesPicture picture("interactive bytes");

  QString proposed;
  answerFileDialog([&](QFileDialog& dialog) {
    proposed = dialog.selectedFiles().value(0);
    dialog.reject();
  });
  EXPECT_EQ(1223, save(nullptr, &info, &picture, &settings, FALSE));
  EXPECT_TRUE(proposed.endsWith(QStringLiteral("/IMG0007.JPG"))) << proposed.toStdString();
  EXPECT_EQ(7u, info.counter);
  EXPECT_EQ("", info.target);

  const std::string chosen = (folder / "trip0041.JPG").string();
  answerFileDialog([&](QFileDialog& dialog) {
    dialog.selectFile(QString::fromStdString(chosen));
    static_cast<QDialog&>(dialog).accept();
  });
  ASSERT_EQ(0, save(nullptr, &info, &picture, &settings, FALSE));
  EXPECT_EQ("interactive bytes", ReadFile(chosen));
  EXPECT_EQ(chosen, picture.fileName);
  EXPECT_EQ("trip", info.prefix);
  EXPECT_EQ(42u, info.counter);
  EXPECT_EQ(folder.string() + "/", info.target);
  char stored[300] = {};
  DWORD size = sizeof stored;
  EXPECT_EQ(0, saverKey()->GetString("LastUsedSavePicDir", stored, &size));
  EXPECT_EQ(info.target, stored);
}

} // namespace
} // namespace tarsel::filesaver::test

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
