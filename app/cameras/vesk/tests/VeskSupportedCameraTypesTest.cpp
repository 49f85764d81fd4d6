// The merge into "Type_S", and what it is for: the camera-link library, in
// a process of its own, accepts a simulated camera of a model once the
// model was chosen.
#include "VeskFamilyTestSupport.h"

#include "app/cameras/vesk/VeskSupportedCameraTypes.h"
#include "app/testsupport/VeskSimulator.h"

#include <filesystem>

using tarsel::test::runProgram;
using tarsel::test::ScopedEnv;
using tarsel::test::TempDir;
using tarsel::vesk::AddSupportedCameraTypesOfUser;
using tarsel::vesk::test::setTypeList;
using tarsel::vesk::test::typeList;

namespace {

// The simulator daemon with one camera of `model`, until destroyed.
class Daemon {
public:
  explicit Daemon(const std::string& model)
      : m_sim(tarsel::test::binDir() + "/vesk-simd", m_dir.path(),
              "[camera]\nmodel = " + model + "\npictures = 0\n") {}
  bool ready() const { return m_sim.ready(); }
  const std::string& dir() const { return m_sim.deviceFolder(); }

private:
  TempDir m_dir;
  tarsel::test::VeskSimulator m_sim;
};

// What the library, loaded in a process of its own, accepts.
std::string probeLibrary() {
  const auto result = runProgram({VESK_TYPE_PROBE, tarsel::test::binDir() + "/libVeskDLL.so"});
  EXPECT_EQ(result.exitCode, 0) << result.out;
  return result.out;
}

} // namespace

TEST(VeskSupportedCameraTypes, AddsOnlyUncontainedIdentificationsSortedAfterOneTrailingComma) {
  tarsel::vesk::test::forgetFamilyState();
  AddSupportedCameraTypesOfUser({"KT-300", "KT-100,KT-110"});
  EXPECT_EQ(typeList(), "KT-100,KT-110,KT-300");

  setTypeList("XC-701 CAMERA,KT-200N,,");
  // Contained texts are skipped even inside longer entries; duplicates merge.
  AddSupportedCameraTypesOfUser({"ZZ-9", "KT-200", "XC-701", "AB-1", "AB-1"});
  EXPECT_EQ(typeList(), "XC-701 CAMERA,KT-200N,,AB-1,ZZ-9");
  AddSupportedCameraTypesOfUser({"AB-1", "200N,,AB"});
  EXPECT_EQ(typeList(), "XC-701 CAMERA,KT-200N,,AB-1,ZZ-9");
}

TEST(VeskSupportedCameraTypes, LibraryInAnotherProcessAcceptsTheCameraOfAChosenModel) {
  tarsel::vesk::test::forgetFamilyState();
  Daemon daemon("KT-300");
  ASSERT_TRUE(daemon.ready());
  ScopedEnv deviceDir("VESK_DEVICE_DIR", daemon.dir());
  setTypeList("XC-701,");
  EXPECT_EQ(probeLibrary(), "count 0\n");

  tarsel::vesk::test::TestVeskSdk sdk;
  sdk.SaveCameraSelection("KT-300\0\0");
  EXPECT_EQ(typeList(), "XC-701,KT-300");
  EXPECT_EQ(probeLibrary(), "count 1\nKT-300\n");
}
