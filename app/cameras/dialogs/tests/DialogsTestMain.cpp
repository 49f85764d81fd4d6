// The dialogs need an application object before any test makes one; it is
// the program's own, whose notify catches what a handler lets out. Reserving
// the event types lets the camera host's events through and lets thread
// sanitizer builds see each event's hand-over to this thread.
#include "app/host/TarselEvents.h"
#include "app/ui/GuardedApplication.h"

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
  tarsel::ui::GuardedApplication application(argc, argv);
  tarsel::host::ReserveTarselEventTypes();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
