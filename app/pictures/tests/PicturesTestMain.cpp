// The picture tests paint with fonts, which need the GUI application object.
#include <QGuiApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  QGuiApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
