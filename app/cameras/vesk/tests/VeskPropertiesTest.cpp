// The camera's property operations over the stub library: the focus modes
// both ways, the zoom's stepping against lenses that ignore every move or
// never settle, and what an operation leaves after a failure.
#include "StubLibrary.h"
#include "VeskTestSupport.h"

#include "app/cameras/vesk/VeskDllWr.h"
#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using tarsel::vesk::test::LogHome;
using tarsel::vesk::test::StubLibrary;

namespace {

template <class Call> HRESULT codeOf(Call&& call) {
  try {
    call();
  } catch (const _brantel_take_error& error) {
    return error.Error();
  }
  return 0;
}

std::vector<int> zoomSent(const StubState& state) {
  return {state.zoomSent, state.zoomSent + std::min<int>(state.zoomSends, 32)};
}

} // namespace

TEST(VeskProperties, FocusModesAreTranslatedBothWays) {
  LogHome home;
  StubLibrary stub(STUB_FULL_PATH);
  CVeskDllWr camera(0);
  const int read[][2] = {{1, 2}, {2, 1}, {3, 4}, {0, 0}, {4, 0}};
  for (const auto& [library, program] : read) {
    stub.state().focusMode = library;
    EXPECT_EQ(camera.GetPropFocusMode(), program) << library;
  }
  const int sent[][2] = {{1, 2}, {2, 1}, {4, 3}, {3, 2}, {0, 2}, {-7, 2}};
  for (const auto& [program, library] : sent) {
    camera.SetPropFocusMode(program);
    EXPECT_EQ(stub.state().focusModeSent, library) << program;
  }
}

TEST(VeskProperties, ZoomSteppingIsBoundedAndNeverSendsANegativePosition) {
  LogHome home;
  StubLibrary stub(STUB_FULL_PATH);
  CVeskDllWr camera(0);
  double factor = 0;

  // At the target already: digital zoom goes off, the lens is not moved.
  EXPECT_EQ(camera.SetPropOpticalZoom(28, &factor), 28);
  EXPECT_DOUBLE_EQ(factor, 2.8);
  EXPECT_EQ(stub.state().electricZoomSent, 0);
  EXPECT_EQ(stub.state().zoomSends, 0);

  // A lens that ignores every move: nudged a tenth further each time, down
  // to 0 and never below.
  stub.state().zoom = 2;
  EXPECT_EQ(camera.SetPropOpticalZoom(0, nullptr), 2);
  EXPECT_EQ(zoomSent(stub.state()), (std::vector<int>{0, 1, 0}));

  // A lens whose reading keeps falling while it is asked to rise: the
  // nudges end after a bounded number.
  stub.state().zoomSends = 0;
  stub.state().zoom = 28;
  stub.state().zoomDrift = -1;
  const int reached = camera.SetPropOpticalZoom(40, nullptr);
  EXPECT_LT(reached, 28);
  EXPECT_GT(stub.state().zoomSends, 2);
  EXPECT_LE(stub.state().zoomSends, 16);
  EXPECT_EQ(zoomSent(stub.state()).front(), 40);
  EXPECT_EQ(codeOf([&] { camera.SetPropOpticalZoom(-1, nullptr); }), E_INVALIDARG);
  EXPECT_EQ(camera.GetConnectionCount(), 0u);
  EXPECT_EQ(home.entries(), 0) << home.log();
}

TEST(VeskProperties, AFailureLeavesTheCameraDisconnectedWithOneLogEntry) {
  LogHome home;
  StubLibrary stub(STUB_FULL_PATH);
  CVeskDllWr camera(0);
  // The reading inside the zoom's stepping fails, inside a job's connection.
  stub.state().throwingExport = StubExport::GetPropOpticalZoom;
  stub.state().throwKind = StubThrow::Library;
  stub.state().throwCode = 14;
  ASSERT_EQ(camera.Connect(), 1);
  EXPECT_EQ(codeOf([&] { camera.SetPropOpticalZoom(50, nullptr); }), static_cast<HRESULT>(0x8104000Eu));
  EXPECT_EQ(camera.GetConnectionCount(), 0u);
  EXPECT_EQ(stub.state().opens, stub.state().closes);
  EXPECT_EQ(home.entries(), 1) << home.log();
  EXPECT_NE(home.log().find("produced by GetPropOpticalZoom\r\n"), std::string::npos) << home.log();

  // An export the library lacks fails before the camera is connected.
  const int opens = stub.state().opens;
  EXPECT_EQ(codeOf([&] { camera.GetPropFlash(); }), static_cast<HRESULT>(0x81041000u));
  EXPECT_EQ(stub.state().opens, opens);
  EXPECT_EQ(home.entries(), 1);
}
