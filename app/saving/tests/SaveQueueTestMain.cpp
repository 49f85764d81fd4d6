// The posted events need an application object before any test makes one.
#include "app/host/TarselEvents.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  tarsel::host::ReserveTarselEventTypes();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
