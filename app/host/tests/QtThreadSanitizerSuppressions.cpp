// What the thread sanitizer leaves out in every test program that posts the
// program's events (host_tests, receiver_tests); each compiles this file.
//
// The Qt library is not built for the thread sanitizer: it cannot see Qt's
// own locks, so the memory calls Qt makes under them (its posted-event list)
// would be reported as races. Only those Qt internals are left out; our own
// code stays checked. The hand-over of an event itself is made visible by
// app/host/TarselEvents.cpp, not here.
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libQt6Core.so.6\n"
         "race:QArrayData::reallocateUnaligned\n"
         "race:QCoreApplicationPrivate::sendPostedEvents\n"
         "race:QCoreApplication::removePostedEvents\n";
}
#endif
