// Exposure-bracketing series of the camera-link camera against the
// simulator: the values each shot is taken with (the camera's exposure
// records read between shots), the camera's values afterwards, a shot that
// fails in the middle, a series switched off, and one that runs into the
// top of its table.
#include "VeskSimulatedCamera.h"

#include "app/core/IBracketing.h"
#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/ITarselSettings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using tarsel::vesk::test::SimulatedCamera;

namespace {

class Bracketing : public SimulatedCamera {
protected:
  void setSeries(DWORD kind, DWORD pictures) {
    ITarselConfigSettings* user = nullptr;
    ASSERT_EQ(GetVeskSdkWrapper(nullptr)->GetSettings()->GetUserSettings(&user, false), 0);
    EXPECT_EQ(user->SetBracketingParam(kind), 0);
    EXPECT_EQ(user->SetBracketingNumPics(pictures), 0);
    user->Release();
  }
  // Word `i` of a simulator object, read by the daemon (hex, low byte first).
  std::int32_t word(int object, std::size_t i) {
    const std::string hex = daemon.control("object 0 " + std::to_string(object));
    std::uint32_t value = 0;
    for (std::size_t b = 4; b-- > 0;)
      value = value << 8 | static_cast<std::uint32_t>(std::stoul(hex.substr(8 * i + 2 * b, 2), nullptr, 16));
    return static_cast<std::int32_t>(value);
  }
  // Program mode, aperture, exposure time and bias as the camera holds them.
  std::vector<std::int32_t> held() { return {word(102, 0), word(102, 1), word(102, 3), word(69, 0)}; }
  // The series as the camera window runs it: a take per step; the value
  // `index` of held() after each shot.
  std::vector<std::int32_t> run(std::size_t index, HRESULT* failure = nullptr) {
    std::vector<std::int32_t> values;
    IBracketing* series = camera->GetBracketing();
    EXPECT_NE(series, nullptr);
    if (!series)
      return values;
    do {
      const HRESULT result = camera->Capture(0, false);
      if (result != 0) {
        if (failure)
          *failure = result;
        break;
      }
      values.push_back(held()[index]);
    } while (series->NextStep());
    series->EndSeries();
    return values;
  }
};

TEST_F(Bracketing, EachProgramModeTakesThreeSteppedPicturesAndPutsTheValuesBack) {
  struct Case {
    DWORD kind;
    std::int32_t mode;
    std::size_t varied;
    std::vector<std::int32_t> expected;
  };
  const Case cases[] = {
      {1, 1, 2, {12500, 16666, 20000}}, // manual: the exposure time around 1/60
      {2, 1, 1, {35, 40, 45}},          // manual: the aperture around f/4
      {1, 2, 3, {-3, 0, 3}},            // automatic: the bias around 0
  };
  int pictures = daemon.pictures(0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.varied);
    camera->SetExposureProp3(c.mode, 40, 16666);
    camera->SetPropExpoBias(0);
    const std::vector<std::int32_t> before = held();
    setSeries(c.kind, 3);
    EXPECT_EQ(run(c.varied), c.expected);
    EXPECT_EQ(held(), before);
    EXPECT_EQ(daemon.pictures(0), pictures += 3);
    // The series is over: a single take later changes nothing.
    ASSERT_EQ(camera->Capture(0, false), 0);
    EXPECT_EQ(held(), before);
    ++pictures;
  }
  EXPECT_EQ(camera->GetConnectionCount(), 0u);
}

TEST_F(Bracketing, AFailedShotInTheMiddleStillRestoresAndTheTopOfTheTableEndsEarly) {
  camera->SetExposureProp3(1, 40, 16666);
  const std::vector<std::int32_t> before = held();
  setSeries(1, 3);
  // The third capture is refused, with 1/50 sent.
  daemon.control("fault 0 status kind=2 number=2 value=0x15 skip=2");
  HRESULT failure = 0;
  EXPECT_EQ(run(2, &failure), (std::vector<std::int32_t>{12500, 16666}));
  EXPECT_NE(failure, 0);
  daemon.control("clear-faults 0");
  EXPECT_EQ(held(), before);
  EXPECT_EQ(camera->GetConnectionCount(), 0u);

  // Bias +2.0 is the table's last row: +1.7 and +2.0, then the series ends.
  camera->SetExposureProp3(2, 40, 16666);
  camera->SetPropExpoBias(20);
  setSeries(1, 3);
  EXPECT_EQ(run(3), (std::vector<std::int32_t>{17, 20}));
  EXPECT_EQ(held()[3], 20);

  // No pictures set: no series, nothing changed.
  setSeries(1, 0);
  EXPECT_FALSE(camera->GetBracketing()->IsEnabled());
  ASSERT_EQ(camera->Capture(0, false), 0);
  EXPECT_EQ(held()[3], 20);
}

} // namespace
