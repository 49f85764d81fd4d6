// The Canon camera's bracketing series against the SDK stand-in: the bias
// each release is taken with (read from the call log) runs around the
// camera's own value in the family's falling bias table, and the camera's
// value is put back afterwards.
#include "CanonSdkFixture.h"

#include "app/cameras/canon/CanonCDWr.h"
#include "app/core/ConnectedCameras.h"
#include "app/core/IBracketing.h"
#include "app/core/ISdkCallback.h"
#include "app/pictures/PictureFromCamera.h"
#include "app/settings/TarselSettings.h"
#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/RefPtr.h"

#include <sstream>

namespace {

// The full bias list of the family's table (ids falling from -3 to +3 EV).
constexpr const char* kCamera = "[camera]\nexposure_biases = 48,45,44,43,40,37,36,35,32,29,28,27,24,21,20,"
                                "19,16,13,12,11,8,5,4,3,0\nexposure_bias = %d\n";

struct QuietSink : _ISdkCallback {
  void OnStatus(std::int32_t, std::intptr_t) override {}
};

class CanonBracketing : public tarsel::canon::test::CanonSdkTest {
protected:
  void TearDown() override {
    m_camera.reset();
    CanonSdkTest::TearDown();
  }

  void Open(int bias, DWORD pictures) {
    char config[256];
    std::snprintf(config, sizeof config, kCamera, bias);
    UseCameras(config);
    CConnectedCameras list;
    IBaseSDK_Wr* sdk = GetCanonCDSdkWrapper(new CTarselSettings);
    ASSERT_EQ(sdk->EnumerateCameras(nullptr, &list), 1);
    m_camera.reset(static_cast<CanonCD_Wr*>(list.GetAt(0)));
    list.RemoveAt(0);
    ASSERT_EQ(m_camera->InitCameraObject(&m_sink, nullptr), 0) << Log();
    ITarselConfigSettings* user = nullptr;
    ASSERT_EQ(sdk->GetSettings()->GetUserSettings(&user, false), 0);
    EXPECT_EQ(user->SetBracketingParam(1), 0);
    EXPECT_EQ(user->SetBracketingNumPics(pictures), 0);
    user->Release();
  }

  // Runs the series as the camera window does; the bias each release was
  // taken with, and the last bias written.
  std::vector<int> Run(int* last) {
    IBracketing* series = m_camera->GetBracketing();
    EXPECT_NE(series, nullptr);
    if (!series)
      return {};
    do {
      CRefPtr<IPictureFromCamera> picture(new CPictureFromCamera);
      EXPECT_EQ(m_camera->Capture(0, false), 0) << Log();
      EXPECT_EQ(m_camera->TransferPicture(picture.get(), 0), 0) << Log();
    } while (series->NextStep());
    series->EndSeries();
    std::vector<int> released;
    int bias = -1;
    std::istringstream in(m_sim->logText());
    for (std::string line; std::getline(in, line);) {
      const bool done = line.ends_with("-> 0x0");
      if (const auto at = line.find(" SetExposureBias("); at != std::string::npos && done)
        bias = std::stoi(line.substr(line.find(", ", at) + 2));
      else if (line.find(" Release(") != std::string::npos && done)
        released.push_back(bias);
    }
    *last = bias;
    return released;
  }

  QuietSink m_sink;
  std::unique_ptr<CanonCD_Wr> m_camera;
};

} // namespace

TEST_F(CanonBracketing, TheBiasSeriesRunsAroundTheCamerasValueAndPutsItBack) {
  int last = -1;
  Open(24, 3); // 0.0 EV
  EXPECT_EQ(Run(&last), (std::vector<int>{27, 24, 21})) << Log();
  EXPECT_EQ(last, 24);

  // Near the table's end the series ends early: five steps from +2.66 EV.
  m_camera.reset();
  ReleaseCanonCDSdkWrapper();
  Open(3, 5);
  EXPECT_EQ(Run(&last), (std::vector<int>{5, 4, 3, 0})) << Log();
  EXPECT_EQ(last, 3);
}
