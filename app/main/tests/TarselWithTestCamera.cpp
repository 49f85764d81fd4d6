// The program Tarsel with one camera of the test family in place of the
// product's families, for the end-to-end test: the camera appends each take
// to the file that TARSEL_TEST_CAMERA_TAKES names.
#include "app/main/ProgramMain.h"
#include "app/testcamera/FakeCameraFamily.h"

#include <utility>

int main(int argc, char** argv) {
  tarsel::testcamera::FakeCameraFamily family;
  TarselMAppOptions options;
  options.frame.families.push_back(
      {family.GetSdkName(), [&family](ITarselSettings*) -> IBaseSDK_Wr* { return &family; }, [] {}});
  return tarsel::program::RunTarselProgram(argc, argv, std::move(options));
}
