// The call discipline against the real control: the nested connection, a
// control failure deep inside it, and the trace it leaves in the error log.
#include "LunetCameraTestSupport.h"

#include "app/cameras/lunet/LunetCall.h"
#include "app/cameras/lunet/LunetTrace.h"

using tarsel::lunet::LunetCall;
using tarsel::lunet::OperationName;
using tarsel::lunet::test::LunetCameraTest;

namespace {

class LunetDiscipline : public LunetCameraTest {};

} // namespace

TEST(LunetTrace, OperationNamesComeFromTheCallTexts) {
  EXPECT_EQ(OperationName("return (LPCTSTR)m_Lunet.GetPropCameraID()"), "GetPropCameraID");
  EXPECT_EQ(OperationName("return m_Lunet.GetPropProtect() != 0"), "GetPropProtect");
  EXPECT_EQ(OperationName("m_Lunet.SetPropProtect(nProtect != false)"), "SetPropProtect");
  EXPECT_EQ(OperationName("GetCameraTime"), "GetCameraTime");
  EXPECT_EQ(OperationName("RawCapture"), "RawCapture");
  EXPECT_EQ(OperationName(nullptr), "");
}

TEST_F(LunetDiscipline, NestedConnectionsOpenTheControlOnceAndCloseItWithTheLastLevel) {
  const int before = usbConnections();
  EXPECT_EQ(m_camera->DisConnect(), 0) << "nothing is open";
  EXPECT_EQ(m_camera->Connect(), 1);
  const int connected = usbConnections();
  EXPECT_GT(connected, before);
  EXPECT_EQ(m_camera->Connect(), 2);
  EXPECT_EQ(m_camera->DisConnect(), 1);
  EXPECT_EQ(openConnections(1), 1);
  EXPECT_EQ(usbConnections(), connected) << "the inner level opened nothing";
  EXPECT_EQ(m_camera->DisConnect(), 0);
  EXPECT_EQ(openConnections(0), 0);
  EXPECT_EQ(m_camera->DisConnect(), 0);
}

TEST_F(LunetDiscipline, AFailureThreeLevelsDeepDropsTheConnectionAndTracesOnce) {
  for (int level = 1; level <= 3; ++level)
    ASSERT_EQ(m_camera->Connect(), level);
  const int before = usbConnections();
  m_sim->fault("dc1@op=0@reg=7");
  HRESULT code = 0;
  try {
    LunetCall(m_camera.get(), "m_Lunet.SetPropFlash(n)", [](CLunet& control) { control.SetPropFlash(1); });
  } catch (const _brantel_take_error& error) {
    code = error.Error();
  }
  EXPECT_EQ(static_cast<std::uint32_t>(code), 0x8103000Fu);
  EXPECT_EQ(m_camera->GetConnectionCount(), 0u);
  EXPECT_EQ(openConnections(0), 0);
  for (int level = 0; level < 3; ++level)
    EXPECT_EQ(m_camera->DisConnect(), 0);
  EXPECT_EQ(usbConnections(), before) << "the control was not connected again";

  const std::string entry = "SDK: 2.0\r\nERROR: CAM_DC1_RESPONSE.(0x8103000F) produced by SetPropFlash\r\n"
                            "Camera: VC-320 Zoom\r\n\r\n";
  const std::string log = errorLog();
  ASSERT_NE(log.find(entry), std::string::npos) << log;
  EXPECT_EQ(log.find("ERROR:", log.find(entry) + entry.size()), std::string::npos) << "one entry only";

  // The next call connects afresh and works.
  m_sim->clearFaults();
  EXPECT_NO_THROW(
      LunetCall(m_camera.get(), "m_Lunet.SetPropFlash(n)", [](CLunet& control) { control.SetPropFlash(1); }));
  EXPECT_EQ(m_sim->registers()["registers"]["7"].integer(), 1);
}
