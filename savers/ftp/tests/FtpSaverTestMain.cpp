// The FTP saver's tests run with an application object: its dialogs and the
// questions after failed saves are widgets (offscreen).
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
