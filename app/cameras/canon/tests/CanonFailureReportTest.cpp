#include "app/cameras/canon/CanonFailureReport.h"
#include "app/cameras/canon/CanonCDWr.h"
#include "env/BrantelTakeError.h"
#include "env/FacilityRegistry.h"

#include <gtest/gtest.h>

using tarsel::canon::CanonFailureText;
using tarsel::canon::ShortenPlaceText;

TEST(CanonFailureReport, NamesTheCalledOperationAndTheCamera) {
  EXPECT_EQ(ShortenPlaceText("return m_source->Open()"), "m_source->Open");
  EXPECT_EQ(ShortenPlaceText("return"), "");
  EXPECT_EQ(ShortenPlaceText("sdk.props.GetFlags(x)"), "props.GetFlags");

  RegisterFacility(0x107, TarselEnvMessageTable());
  const _brantel_take_error error(static_cast<HRESULT>(0x81070080u));
  CanonSourceInfo source;
  source.index = 1;
  CanonCD_Wr unnamed(source);
  EXPECT_EQ(
      CanonFailureText(error, "CanonCD_Wr::InitCameraObject", &unnamed),
      "SDK: CanonCD\r\nERROR: Device not found.(0x81070080) produced by CanonCD_Wr::InitCameraObject\r\n"
      "Camera: unknown (NULL)\r\n");
  source.displayName = "Owner (A)";
  CanonCD_Wr named(source);
  EXPECT_EQ(CanonFailureText(error, "x", &named),
            "SDK: CanonCD\r\nERROR: Device not found.(0x81070080) produced by x\r\nCamera: Owner (A)\r\n");
  UnregisterFacility(0x107);
}
