// The preview's stop serves the events of the application object's thread,
// and the camera host posts its status events to it: one application object
// for the whole run.
#include "app/host/TarselEvents.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  tarsel::host::ReserveTarselEventTypes();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
