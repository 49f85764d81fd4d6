// The ActiveX camera's bracketing series over a fake camera and the real
// user settings: the values each step sends and what the camera holds after
// the series.
#include "FakeCaptureCamera.h"

#include "app/cameras/lunet/LunetBracketing.h"
#include "app/settings/TarselSettings.h"
#include "hostapi/ITarselConfigSettings.h"

#include <gtest/gtest.h>

using tarsel::lunet::test::FakeCaptureCamera;
using Log = std::vector<std::string>;

namespace {

class Bracketing : public ::testing::Test {
protected:
  // The log of a whole series of `pictures` varying `kind`, as the camera
  // runs it: prepared at the first step, each step applied, then ended.
  Log run(DWORD kind, DWORD pictures) {
    ITarselConfigSettings* user = nullptr;
    EXPECT_EQ(settings.GetUserSettings(&user, false), 0);
    user->SetBracketingParam(kind);
    user->SetBracketingNumPics(pictures);
    user->Release();
    camera.log.clear();
    EXPECT_EQ(series.Init(&settings), 0);
    if (series.IsEnabled()) {
      do {
        if (series.IsFirstStep())
          series.PrepareSeries();
        series.ApplyCurrentStep();
      } while (series.NextStep());
    }
    series.EndSeries();
    return camera.log;
  }

  CTarselSettings settings;
  FakeCaptureCamera camera;
  CLunetBracketing series{&camera};
};

} // namespace

TEST_F(Bracketing, BiasSeriesAreCentredOnTheBiasAndEndAtTheTable) {
  EXPECT_EQ(run(1, 3), (Log{"bias=-3", "bias=0", "bias=3", "bias=0"}));
  EXPECT_EQ(run(1, 2), (Log{"bias=0", "bias=3", "bias=0"}));
  // Near the top the table ends the series before its count.
  camera.bias = 17;
  EXPECT_EQ(run(1, 9), (Log{"bias=7", "bias=10", "bias=13", "bias=15", "bias=17", "bias=20", "bias=17"}));
  EXPECT_EQ(run(1, 0), Log{});
  EXPECT_EQ(camera.connections, 0u);
}

TEST_F(Bracketing, ManualSeriesNeverUseTheShortestTime) {
  camera.mode = 1;
  camera.aperture = 40;
  camera.time = 1562;
  EXPECT_EQ(run(1, 5), (Log{"exposure=1,40,1538", "exposure=1,40,2000", "exposure=1,40,2500",
                            "exposure=1,40,3125", "exposure=1,40,4000", "exposure=1,40,1562"}));
  EXPECT_EQ(run(2, 3),
            (Log{"exposure=1,36,1562", "exposure=1,40,1562", "exposure=1,45,1562", "exposure=1,40,1562"}));
  EXPECT_EQ(camera.connections, 0u);
}
