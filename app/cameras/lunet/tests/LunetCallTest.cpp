// The call discipline against the real control: the nested connection, a
// control failure deep inside it, and the trace it leaves in the error log.
#include "LunetCameraTestSupport.h"

#include "app/cameras/lunet/LunetCall.h"
#include "app/cameras/lunet/LunetTrace.h"

#include <functional>
#include <utility>
#include <vector>

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

// The control checks every call against its member table: a wrong member,
// kind or argument type is refused by the layer (a _brantel_take_error),
// while a camera's refusal is the control's own (CLunetDispatchError). The
// operations the other tests do not reach.
TEST_F(LunetDiscipline, ProxyOperationsAreMembersOfTheControlWithTheirKindsAndTypes) {
  using Operation = std::function<void(CLunet&)>;
  std::int32_t a = 0, b = 0, c = 0, d = 0, e = 0;
  const std::vector<std::pair<const char*, Operation>> operations = {
      {"GetPropElectricZoom", [](CLunet& l) { l.GetPropElectricZoom(); }},
      {"SetPropElectricZoom", [](CLunet& l) { l.SetPropElectricZoom(0); }},
      {"GetPropFlash", [](CLunet& l) { l.GetPropFlash(); }},
      {"GetPropResolution", [](CLunet& l) { l.GetPropResolution(); }},
      {"SetPropResolution", [](CLunet& l) { l.SetPropResolution(2); }},
      {"SetPropCameraID", [](CLunet& l) { l.SetPropCameraID("SIMCAM"); }},
      {"GetPropCameraTime", [](CLunet& l) { l.GetPropCameraTime(); }},
      {"SetPropCameraTime", [](CLunet& l) { l.SetPropCameraTime(45000.5); }},
      {"GetPropLCDBrightness", [](CLunet& l) { l.GetPropLCDBrightness(); }},
      {"SetPropLCDBrightness", [](CLunet& l) { l.SetPropLCDBrightness(4); }},
      {"GetPropProtect", [](CLunet& l) { l.GetPropProtect(); }},
      {"SetPropProtect", [](CLunet& l) { l.SetPropProtect(0); }},
      {"SetPropIsoSpeed", [](CLunet& l) { l.SetPropIsoSpeed(0); }},
      {"GetMemoryPropVB", [&](CLunet& l) { l.GetMemoryPropVB(&a, &b); }},
      {"SetExposurePropVB", [](CLunet& l) { l.SetExposurePropVB(2, 4, 100000); }},
      {"GetExposurePropVB", [&](CLunet& l) { l.GetExposurePropVB(&a, &b, &c); }},
      {"GetCameraPropVB", [&](CLunet& l) { l.GetCameraPropVB(&a, &b, &c, &d, &e); }},
      {"ErasePicture",
       [](CLunet& l) {
         l.SetPropCurrentPicture(1);
         l.ErasePicture();
       }},
  };
  const tarsel::lunet::CLunetConnection connection(m_camera.get());
  CLunet& control = m_camera->Proxy();
  for (const auto& [name, operation] : operations) {
    try {
      operation(control);
    } catch (const _brantel_take_error& error) {
      ADD_FAILURE() << name << ": refused by the layer, 0x" << std::hex << error.Error();
    } catch (const CLunetDispatchError& error) {
      ADD_FAILURE() << name << ": the camera refused it, code " << error.Code();
    }
  }
  EXPECT_EQ(actionsDone(7), 1);
}

TEST_F(LunetDiscipline, AControlThatCannotBeMadeFailsInitialisationUntilItIsRegistered) {
  EXPECT_TRUE(m_camera->IsCameraReady()) << "the control answers VARIANT_TRUE";
  const std::string library = tarsel::test::binDir() + "/libLunet.so";
  ASSERT_EQ(tarsel::test::runProgram({tarsel::test::binDir() + "/tarselregsvr", "-u", library}).exitCode, 0);
  CLunetWr camera;
  EXPECT_EQ(camera.InitCameraObject(nullptr, nullptr), 0) << "no window: nothing to do";
  EXPECT_EQ(static_cast<std::uint32_t>(camera.InitCameraObject(nullptr, window())), 0x81031002u);
  ASSERT_EQ(tarsel::test::runProgram({tarsel::test::binDir() + "/tarselregsvr", library}).exitCode, 0);
  EXPECT_EQ(camera.InitCameraObject(nullptr, window()), 0);
  EXPECT_STREQ(camera.GetCameraName(), "SIMCAM");
}
