// The posted events need an application object before any test makes one.
#include <QCoreApplication>

#include <gtest/gtest.h>

#if defined(__SANITIZE_THREAD__)
// The Qt library is not built for the thread sanitizer: it cannot see Qt's
// own locks, so the memory calls Qt makes under them (its posted-event list)
// would be reported as races. Only those Qt internals are left out; our own
// code stays checked.
extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libQt6Core.so.6\n"
         "race:QArrayData::reallocateUnaligned\n"
         "race:QCoreApplicationPrivate::sendPostedEvents\n"
         "race:QCoreApplication::removePostedEvents\n";
}
#endif

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
