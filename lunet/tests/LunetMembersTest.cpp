#include "lunet/LunetMembers.h"
#include "lunet/LunetCtrl.h"

#include "hostapi/RefPtr.h"
#include "platform/com/PropertyBag.h"

#include <gtest/gtest.h>

using namespace tarsel::lunet;
using tarsel::com::Variant;

namespace {

struct Expected {
  DISPID id;
  const char* name;
  const char* kind;  // "get/set", "get", "set" for properties; "method"
  const char* types; // the property type, or result then parameters ("-" for none)
};

// The interface as published to its callers: identifier, name, access and types.
const Expected kInterface[] = {
    {1, "propSpeed", "get/set", "long"},
    {2, "propPort", "get/set", "long"},
    {3, "propCancel", "get/set", "long"},
    {4, "propOpticalZoom", "get/set", "long"},
    {5, "propElectricZoom", "get/set", "long"},
    {6, "propFlash", "get/set", "long"},
    {7, "propResolution", "get/set", "long"},
    {8, "propLed", "set", "long"},
    {9, "propCameraID", "get/set", "BSTR"},
    {10, "propCameraTime", "get/set", "DATE"},
    {11, "propFolderName", "get/set", "BSTR"},
    {12, "propLCDBrightness", "get/set", "long"},
    {13, "propCameraType", "get", "BSTR"},
    {14, "propFileName", "get", "BSTR"},
    {15, "propFolderCount", "get", "long"},
    {16, "propFreeMemory", "get", "long"},
    {17, "propIndexSize", "get", "long"},
    {18, "propPicCount", "get", "long"},
    {19, "propPicSize", "get", "long"},
    {20, "propPowerSaveCamera", "get/set", "long"},
    {21, "propPowerSaveHost", "get/set", "long"},
    {22, "propPowerSaveLCD", "get/set", "long"},
    {23, "propProtect", "get/set", "long"},
    {24, "propRemainCount", "get", "long"},
    {25, "propTimeFormat", "get/set", "long"},
    {26, "propCameraReady", "get", "BOOL"},
    {27, "propCurrentPicture", "set", "long"},
    {28, "propFolderNo", "set", "long"},
    {29, "propWhiteBalance", "get/set", "long"},
    {30, "propExpoBias", "get/set", "long"},
    {31, "propMetering", "get/set", "long"},
    {32, "propIsoSpeed", "get/set", "long"},
    {33, "propFocusMode", "get/set", "long"},
    {34, "propFocusPosition", "get/set", "long"},
    {35, "Connect", "method", "long"},
    {36, "DisConnect", "method", "long"},
    {37, "Capture", "method", "-"},
    {38, "SetLcdMode", "method", "- long"},
    {39, "EraseAll", "method", "-"},
    {40, "EraseLast", "method", "-"},
    {41, "GetMemoryPropVB", "method", "- out out"},
    {42, "GetPictureProp", "method", "- VARIANT"},
    {43, "GetPicturePropVB", "method", "- out out out out"},
    {44, "GetPicTagProp", "method", "- VARIANT"},
    {45, "GetIndex", "method", "- long VARIANT"},
    {46, "GetPicture", "method", "- long VARIANT"},
    {47, "UploadPicture", "method", "- long VARIANT"},
    {48, "GetCaptureProp", "method", "- VARIANT"},
    {49, "GetCapturePropVB", "method", "- out out out out out"},
    {50, "SetCaptureProp", "method", "- VARIANT"},
    {51, "SetCapturePropVB", "method", "- long long long"},
    {52, "GetFolderProp", "method", "- VARIANT"},
    {53, "GetFolderPropVB", "method", "- outBSTR out out"},
    {54, "SetExposureProp", "method", "- VARIANT"},
    {55, "SetExposurePropVB", "method", "- long long long"},
    {56, "GetExposureProp", "method", "- VARIANT"},
    {57, "GetExposurePropVB", "method", "- out out out"},
    {58, "GetCameraProp", "method", "- VARIANT"},
    {59, "GetCameraPropVB", "method", "- out out out out out"},
    {60, "GetMemoryProp", "method", "- VARIANT"},
    {61, "Preview", "method", "-"},
    {62, "GetPreview", "method", "- long VARIANT"},
    {63, "ErasePicture", "method", "-"},
    {64, "GetPicTagPropVB", "method", "- out out out outBSTR out out out out out"},
};

std::string typeName(VARTYPE type) {
  switch (type) {
  case VT_EMPTY:
    return "-";
  case VT_I4:
    return "long";
  case VT_BSTR:
    return "BSTR";
  case VT_DATE:
    return "DATE";
  case VT_BOOL:
    return "BOOL";
  case VT_VARIANT:
    return "VARIANT";
  case VT_BYREF | VT_I4:
    return "out";
  case VT_BYREF | VT_BSTR:
    return "outBSTR";
  default:
    return "?";
  }
}

} // namespace

TEST(LunetMembers, InterfaceMatchesThePublishedListAndInvokeHonoursIt) {
  ASSERT_EQ(lunetMembers().size(), std::size(kInterface));
  CRefPtr<CLunetCtrl> control;
  control.Attach(CLunetCtrl::create());
  for (std::size_t i = 0; i < std::size(kInterface); ++i) {
    const Expected& e = kInterface[i];
    const MemberInfo& m = lunetMembers()[i];
    SCOPED_TRACE(e.name);
    EXPECT_EQ(m.id, e.id);
    EXPECT_EQ(m.name, e.name);
    std::string kind = m.kind == MemberKind::Method ? "method"
                       : m.canGet && m.canSet       ? "get/set"
                       : m.canGet                   ? "get"
                                                    : "set";
    EXPECT_EQ(kind, e.kind);
    std::string types = typeName(m.type);
    for (int p = 0; p < m.paramCount; ++p)
      types += " " + typeName(m.params[static_cast<std::size_t>(p)]);
    EXPECT_EQ(types, e.types);

    DISPID id = 0;
    EXPECT_EQ(control->GetIDsOfNames(e.name, &id), S_OK);
    EXPECT_EQ(id, e.id);
    // Accesses the member does not have are refused without a camera call.
    EXCEPINFO info;
    Variant value = Variant::fromLong(0);
    if (kind == "get") {
      EXPECT_EQ(control->Invoke(e.id, DISPATCH_PROPERTYPUT, std::span(&value, 1), nullptr, &info),
                DISP_E_EXCEPTION);
      EXPECT_EQ(info.scode, CTL_E_SETNOTSUPPORTED);
      EXPECT_EQ(info.wCode, 0);
    } else if (kind == "set") {
      EXPECT_EQ(control->Invoke(e.id, DISPATCH_PROPERTYGET, {}, nullptr, &info), DISP_E_EXCEPTION);
      EXPECT_EQ(info.scode, CTL_E_GETNOTSUPPORTED);
    } else if (kind == "method") {
      EXPECT_EQ(control->Invoke(e.id, DISPATCH_PROPERTYGET, {}, nullptr, &info), DISP_E_MEMBERNOTFOUND);
      std::vector<Variant> tooMany(static_cast<std::size_t>(m.paramCount) + 1);
      EXPECT_EQ(control->Invoke(e.id, DISPATCH_METHOD, tooMany, nullptr, &info), DISP_E_BADPARAMCOUNT);
    }
  }
  DISPID id = 0;
  EXPECT_EQ(control->GetIDsOfNames("propNothing", &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(control->Invoke(65, DISPATCH_METHOD, {}, nullptr, nullptr), DISP_E_MEMBERNOTFOUND);
  // An "out" parameter that is not a reference is a type mismatch, found before the camera is asked.
  std::vector<Variant> notReferences(2, Variant::fromLong(0));
  EXPECT_EQ(control->Invoke(41, DISPATCH_METHOD, notReferences, nullptr, nullptr), DISP_E_TYPEMISMATCH);
}

TEST(LunetMembers, PortAndSpeedPersistInAPropertyBag) {
  CRefPtr<CLunetCtrl> control;
  control.Attach(CLunetCtrl::create());
  Variant port = Variant::fromLong(2);
  Variant speed = Variant::fromLong(4);
  ASSERT_EQ(control->Invoke(2, DISPATCH_PROPERTYPUT, std::span(&port, 1), nullptr, nullptr), S_OK);
  ASSERT_EQ(control->Invoke(1, DISPATCH_PROPERTYPUT, std::span(&speed, 1), nullptr, nullptr), S_OK);
  EXPECT_TRUE(control->modified());
  CRefPtr<tarsel::com::PropertyBag> bag;
  bag.Attach(tarsel::com::PropertyBag::create());
  ASSERT_EQ(control->Save(bag.get(), TRUE, FALSE), S_OK);
  EXPECT_FALSE(control->modified());
  EXPECT_EQ(bag->names(), (std::vector<std::string>{"_Version", "propPort", "propSpeed"}));

  CRefPtr<CLunetCtrl> loaded;
  loaded.Attach(CLunetCtrl::create());
  ASSERT_EQ(loaded->Load(bag.get()), S_OK);
  auto get = [&](DISPID id) {
    Variant value;
    std::int32_t number = -1;
    EXPECT_EQ(loaded->Invoke(id, DISPATCH_PROPERTYGET, {}, &value, nullptr), S_OK);
    EXPECT_EQ(value.asLong(number), S_OK);
    return number;
  };
  EXPECT_EQ(get(2), 2);
  EXPECT_EQ(get(1), 4);
  ASSERT_EQ(loaded->InitNew(), S_OK);
  EXPECT_EQ(get(2), 0);
  EXPECT_EQ(get(1), 0);
}
