// The frame tests need a widget application before any test makes a window;
// reserving the event types also lets thread sanitizer builds see each
// event's hand-over to this thread.
#include "app/host/TarselEvents.h"

#include <QApplication>

#include <gtest/gtest.h>

#if defined(__SANITIZE_THREAD__)
// The widgets start Qt's own pooled threads, and the Qt libraries are not
// built for the thread sanitizer: memory calls made inside them (under
// Qt's own locks, which the sanitizer cannot see) are left out. Every
// access of our own code stays checked. The sanitizer's runtime looks the
// function up dynamically, so it must be visible despite -fvisibility=hidden.
extern "C" __attribute__((visibility("default"))) const char* __tsan_default_options() {
  return "ignore_noninstrumented_modules=1";
}
#endif

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  tarsel::host::ReserveTarselEventTypes();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
