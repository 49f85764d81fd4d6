#include "savers/file/tests/FileSaverTestSupport.h"
#include "savers/testsupport/AnswerDialog.h"

#include <QApplication>
#include <QFileDialog>

namespace tarsel::filesaver::test {
namespace {

using savers::test::AnswerDialog;

TEST_F(FileSaverTest, TheFileDialogSavesWhereTheUserChoseAndNamesTheNextPicture) {
  FakeSaveInfo info;
  BytesPicture picture("interactive bytes");

  QString proposed;
  AnswerDialog<QFileDialog>([&](QFileDialog& dialog) {
    proposed = dialog.selectedFiles().value(0);
    dialog.reject();
  });
  EXPECT_EQ(1223, save(nullptr, &info, &picture, &settings, FALSE));
  EXPECT_TRUE(proposed.endsWith(QStringLiteral("/IMG0007.JPG"))) << proposed.toStdString();
  EXPECT_EQ(7u, info.counter);
  EXPECT_EQ("", info.target);

  const std::string chosen = (folder / "trip0041.JPG").string();
  AnswerDialog<QFileDialog>([&](QFileDialog& dialog) {
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
