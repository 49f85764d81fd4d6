// The widgets need an application object before any test makes one.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
