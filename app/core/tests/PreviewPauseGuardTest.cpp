#include "app/core/PreviewPauseGuard.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

struct RecordingFrame : IPreviewBusyListener {
  void NotifyPreviewBusy(bool busy) override {
    calls.push_back(busy);
    if (!busy && throwOnRelease)
      throw std::runtime_error("preview window gone");
  }
  std::vector<bool> calls;
  bool throwOnRelease = false;
};

} // namespace

TEST(PreviewPauseGuard, PausesTheRegisteredFrameForItsScopeAndNestsInOrder) {
  RecordingFrame frame;
  CPreviewPauseGuard::SetListener(&frame);
  {
    CPreviewPauseGuard outer;
    { CPreviewPauseGuard inner; }
  }
  CPreviewPauseGuard::SetListener(nullptr);
  EXPECT_EQ(frame.calls, (std::vector<bool>{true, true, false, false}));
}

TEST(PreviewPauseGuard, DoesNothingWithoutAFrameAndSwallowsAFailingRelease) {
  { CPreviewPauseGuard noFrame; }
  RecordingFrame frame;
  frame.throwOnRelease = true;
  CPreviewPauseGuard::SetListener(&frame);
  EXPECT_NO_THROW({ CPreviewPauseGuard guard; });
  CPreviewPauseGuard::SetListener(nullptr);
  EXPECT_EQ(frame.calls, (std::vector<bool>{true, false}));
}
