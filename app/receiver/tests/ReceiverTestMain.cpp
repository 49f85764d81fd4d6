// Events are posted to and delivered on this thread, so it needs an
// application object before any test runs.
#include <QCoreApplication>

#include <gtest/gtest.h>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace {

// Qt's event queue is not instrumented for the thread sanitizer: delivering
// an event acquires what its poster released on the event's address.
class TestApplication : public QCoreApplication {
public:
  using QCoreApplication::QCoreApplication;

  bool notify(QObject* receiver, QEvent* event) override {
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(event);
#endif
    return QCoreApplication::notify(receiver, event);
  }
};

} // namespace

int main(int argc, char** argv) {
  TestApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
