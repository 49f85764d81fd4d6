// The bracketing series over a fake camera's exposure operations and the
// real user settings: a series cut short puts the camera's value back and
// later takes change nothing, and a camera that fails while the series is
// read or restored is disconnected and left with no series running.
#include "app/cameras/common/FamilyBracketing.h"
#include "app/settings/TarselSettings.h"
#include "env/BrantelTakeError.h"
#include "hostapi/ITarselConfigSettings.h"
#include "platform/Win32Error.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

using tarsel::core::CapabilityValue;
using Log = std::vector<std::string>;

namespace {

const CapabilityValue kBias[] = {{-6, "-2.0"}, {-3, "-1.0"}, {0, "0.0"},
                                 {3, "+1.0"},  {6, "+2.0"},  {0, nullptr}};

struct Camera {
  std::recursive_mutex lock;
  int connections = 0;
  std::int32_t bias = 0;
  bool readFails = false;
  bool biasFails = false;
  Log log;

  std::recursive_mutex& Mutex() { return lock; }
  void Connect() { ++connections; }
  void DisConnect() { --connections; }
  void GetExposureProp3(std::int32_t* mode, std::int32_t* aperture, std::int32_t* time) {
    if (readFails)
      ThrowError(ERROR_GEN_FAILURE);
    *mode = 2;
    *aperture = 40;
    *time = 16666;
  }
  void SetExposureProp3(std::int32_t, std::int32_t, std::int32_t) { log.push_back("exposure"); }
  std::int32_t GetPropExpoBias() { return bias; }
  void SetPropExpoBias(std::int32_t value) {
    if (biasFails)
      ThrowError(ERROR_GEN_FAILURE);
    bias = value;
    log.push_back("bias=" + std::to_string(value));
  }
};

class Series : public tarsel::cameras::CFamilyBracketing<Camera> {
public:
  using CFamilyBracketing::CFamilyBracketing;

protected:
  const CapabilityValue* GetValueTable(const char* name) override {
    return std::string(name) == "ExposureBias" ? kBias : nullptr;
  }
};

class FamilyBracketing : public ::testing::Test {
protected:
  void SetUp() override {
    ITarselConfigSettings* user = nullptr;
    ASSERT_EQ(settings.GetUserSettings(&user, false), 0);
    EXPECT_EQ(user->SetBracketingParam(1), 0);
    EXPECT_EQ(user->SetBracketingNumPics(5), 0);
    user->Release();
    ASSERT_EQ(series.Init(&settings), 0);
  }

  CTarselSettings settings;
  Camera camera;
  Series series{&camera};
};

} // namespace

TEST_F(FamilyBracketing, ASeriesCutShortPutsTheBiasBackAndLaterTakesChangeNothing) {
  camera.bias = 3;
  ASSERT_EQ(series.PrepareSeries(), 0);
  EXPECT_EQ(series.ApplyCurrentStep(), 0);
  ASSERT_TRUE(series.NextStep());
  EXPECT_EQ(series.ApplyCurrentStep(), 0);
  // The take at this step fails, or the user cancels: the window ends the series.
  series.EndSeries();
  EXPECT_EQ(camera.log, (Log{"bias=-3", "bias=0", "bias=3"}));
  EXPECT_FALSE(series.IsEnabled());
  EXPECT_EQ(series.ApplyCurrentStep(), 0);
  series.EndSeries();
  EXPECT_EQ(camera.bias, 3);
  EXPECT_EQ(camera.log.size(), 3u);
  EXPECT_EQ(camera.connections, 0);
}

TEST_F(FamilyBracketing, ACameraThatFailsLeavesItDisconnectedAndTheSeriesEnded) {
  camera.readFails = true;
  EXPECT_THROW(series.PrepareSeries(), _brantel_take_error);
  EXPECT_EQ(camera.connections, 0);
  EXPECT_TRUE(camera.log.empty());

  camera.readFails = false;
  ASSERT_EQ(series.PrepareSeries(), 0);
  ASSERT_EQ(series.ApplyCurrentStep(), 0);
  EXPECT_EQ(camera.bias, -6);
  // The restore fails: the series is over all the same, and the next end
  // puts the value back.
  camera.biasFails = true;
  EXPECT_THROW(series.EndSeries(), _brantel_take_error);
  EXPECT_FALSE(series.IsEnabled());
  camera.biasFails = false;
  series.EndSeries();
  EXPECT_EQ(camera.bias, 0);
  EXPECT_EQ(camera.log, (Log{"bias=-6", "bias=0"}));
}
