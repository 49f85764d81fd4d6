// The camera window's tests run in one widget application (offscreen);
// reserving the event types also lets thread sanitizer builds see each
// event's hand-over to this thread.
#include "app/host/TarselEvents.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  tarsel::host::ReserveTarselEventTypes();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
