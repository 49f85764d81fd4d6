// The camera object's zoom over the real control and the simulated camera:
// what reaches the lens.
#include "LunetCameraTestSupport.h"

#include "sim/vantic/testsupport/MiniJson.h"

using tarsel::lunet::test::LunetCameraTest;

namespace {

// A model whose lens ignores moves of less than 3 tenths.
class LunetZoom : public LunetCameraTest {
protected:
  std::string cameraConfig() const override {
    return R"({"texts": {"27": "VC320"}, "lens": {"min": 10, "max": 30, "step": 3, "position": 20}})";
  }
  // The lens positions sent since the last call.
  std::size_t lensWrites() {
    std::size_t count = 0;
    const tarsel::vantic::test::Json log = m_sim->takeLog();
    for (const auto& note : log["notes"].items)
      count += note["text"].text.rfind("upload to 71:", 0) == 0;
    return count;
  }
};

} // namespace

TEST_F(LunetZoom, NudgesStayWithinTheModelsRange) {
  // The same position: only the digital zoom is reset.
  EXPECT_EQ(m_camera->SetPropOpticalZoom(20, nullptr), 20);
  EXPECT_EQ(lensWrites(), 0u);
  // Upwards by less than the lens takes: one nudge, then the reading stays.
  double factor = 0;
  EXPECT_EQ(m_camera->SetPropOpticalZoom(21, &factor), 20);
  EXPECT_DOUBLE_EQ(factor, 2.0);
  EXPECT_EQ(lensWrites(), 2u);
  // At either end of the range no nudge goes beyond it.
  EXPECT_EQ(m_camera->SetPropOpticalZoom(10, nullptr), 10);
  EXPECT_EQ(lensWrites(), 1u);
  EXPECT_EQ(m_camera->SetPropOpticalZoom(5, nullptr), 10);
  EXPECT_EQ(m_camera->SetPropOpticalZoom(-4, nullptr), 10);
  EXPECT_EQ(lensWrites(), 0u);
  EXPECT_EQ(m_camera->SetPropOpticalZoom(30, nullptr), 30);
  EXPECT_EQ(m_camera->SetPropOpticalZoom(35, nullptr), 30);
  EXPECT_EQ(lensWrites(), 2u);
  EXPECT_EQ(m_camera->GetConnectionCount(), 0u);
}
