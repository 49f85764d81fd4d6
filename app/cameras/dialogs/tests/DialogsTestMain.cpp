// The dialogs need an application object before any test makes one; it is
// the program's own, whose notify catches what a handler lets out.
#include "app/ui/GuardedApplication.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  tarsel::ui::GuardedApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
