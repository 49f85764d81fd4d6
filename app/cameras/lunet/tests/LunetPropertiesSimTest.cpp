// The camera object's zoom and remembered settings over the real control and
// the simulated camera: what reaches the lens, and what a refusal leaves.
#include "LunetSimulatedCamera.h"

#include "env/BrantelTakeError.h"

using tarsel::lunet::test::SimulatedLunetCamera;

namespace {

// A model whose lens ignores moves of less than 3 tenths.
class LunetZoom : public SimulatedLunetCamera {
protected:
  std::string config() const override {
    return R"({"texts": {"27": "VC320"}, "lens": {"min": 10, "max": 30, "step": 3, "position": 20}})";
  }
};

} // namespace

TEST_F(LunetZoom, NudgesStayWithinTheModelsRange) {
  const auto lensWrites = [this] { return notes("upload to 71:").size(); };
  // The same position: only the digital zoom is reset.
  EXPECT_EQ(camera->SetPropOpticalZoom(20, nullptr), 20);
  EXPECT_EQ(lensWrites(), 0u);
  // Upwards by less than the lens takes: one nudge, then the reading stays.
  double factor = 0;
  EXPECT_EQ(camera->SetPropOpticalZoom(21, &factor), 20);
  EXPECT_DOUBLE_EQ(factor, 2.0);
  EXPECT_EQ(lensWrites(), 2u);
  // At either end of the range no nudge goes beyond it.
  EXPECT_EQ(camera->SetPropOpticalZoom(10, nullptr), 10);
  EXPECT_EQ(lensWrites(), 1u);
  EXPECT_EQ(camera->SetPropOpticalZoom(5, nullptr), 10);
  EXPECT_EQ(camera->SetPropOpticalZoom(-4, nullptr), 10);
  EXPECT_EQ(lensWrites(), 0u);
  EXPECT_EQ(camera->SetPropOpticalZoom(30, nullptr), 30);
  EXPECT_EQ(camera->SetPropOpticalZoom(35, nullptr), 30);
  EXPECT_EQ(lensWrites(), 2u);
  EXPECT_EQ(camera->GetConnectionCount(), 0u);
}

TEST_F(SimulatedLunetCamera, ARefusedSettingIsNotRememberedNorSentAgain) {
  EXPECT_EQ(camera->GetPropMetering(), 2);
  camera->SetPropWhiteBalance(1);
  sim->fault("dc1@reg=20");
  try {
    camera->SetPropWhiteBalance(3);
    ADD_FAILURE() << "the refusal was not reported";
  } catch (const _brantel_take_error& error) {
    EXPECT_EQ(static_cast<std::uint32_t>(error.Error()) & 0xFFFF0000u, 0x81030000u);
  }
  EXPECT_EQ(camera->GetPropWhiteBalance(), 1);
  EXPECT_EQ(camera->GetConnectionCount(), 0u);
  sim->clearFaults();
  notes("");
  // The next capture sends the white balance the camera took, and succeeds.
  EXPECT_EQ(camera->Capture(0, false), 0);
  EXPECT_EQ(notes("register 20 ="), (std::vector<std::string>{"register 20 = 1"}));
}
