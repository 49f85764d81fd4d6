// What the thread sanitizer leaves out in every test program that posts the
// program's events; each compiles this file.
//
// The Qt library is not built for the thread sanitizer and its locks are
// invisible to it, so the memory calls Qt makes under them (its posted-event
// list, which a worker's post and the window's event loop both change) would
// be reported as races; likewise the memory calls of the threads Qt's
// painting starts for large images. Only those Qt internals are left out;
// our own code stays checked. The hand-over of an event itself is made visible by
// app/host/TarselEvents.cpp.
//
// The programs build with hidden visibility: the function is exported
// explicitly, or the sanitizer's run-time never sees it.
#if defined(__SANITIZE_THREAD__)
extern "C" __attribute__((visibility("default"))) const char* __tsan_default_suppressions() {
  return "called_from_lib:libQt6Core.so.6\n"
         "called_from_lib:libQt6Gui.so.6\n"
         "race:QArrayData::reallocateUnaligned\n"
         "race:QCoreApplicationPrivate::sendPostedEvents\n"
         "race:QCoreApplication::removePostedEvents\n";
}
#endif
