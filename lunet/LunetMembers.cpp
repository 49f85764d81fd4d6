#include "lunet/LunetMembers.h"

#include "platform/AsciiCase.h"

namespace tarsel::lunet {

namespace {

constexpr VARTYPE L = VT_I4;
constexpr VARTYPE V = VT_VARIANT;
constexpr auto OutL = static_cast<VARTYPE>(VT_BYREF | VT_I4);
constexpr auto OutS = static_cast<VARTYPE>(VT_BYREF | VT_BSTR);

constexpr MemberInfo property(DISPID id, std::string_view name, VARTYPE type, bool get, bool set) {
  return {id, name, MemberKind::Property, type, get, set, 0, {}};
}

template <class... P>
constexpr MemberInfo method(DISPID id, std::string_view name, VARTYPE result, P... params) {
  return {id, name, MemberKind::Method, result, false, false, sizeof...(P), {params...}};
}

constexpr MemberInfo kMembers[] = {
    property(1, "propSpeed", L, true, true),
    property(2, "propPort", L, true, true),
    property(3, "propCancel", L, true, true),
    property(4, "propOpticalZoom", L, true, true),
    property(5, "propElectricZoom", L, true, true),
    property(6, "propFlash", L, true, true),
    property(7, "propResolution", L, true, true),
    property(8, "propLed", L, false, true),
    property(9, "propCameraID", VT_BSTR, true, true),
    property(10, "propCameraTime", VT_DATE, true, true),
    property(11, "propFolderName", VT_BSTR, true, true),
    property(12, "propLCDBrightness", L, true, true),
    property(13, "propCameraType", VT_BSTR, true, false),
    property(14, "propFileName", VT_BSTR, true, false),
    property(15, "propFolderCount", L, true, false),
    property(16, "propFreeMemory", L, true, false),
    property(17, "propIndexSize", L, true, false),
    property(18, "propPicCount", L, true, false),
    property(19, "propPicSize", L, true, false),
    property(20, "propPowerSaveCamera", L, true, true),
    property(21, "propPowerSaveHost", L, true, true),
    property(22, "propPowerSaveLCD", L, true, true),
    property(23, "propProtect", L, true, true),
    property(24, "propRemainCount", L, true, false),
    property(25, "propTimeFormat", L, true, true),
    property(26, "propCameraReady", VT_BOOL, true, false),
    property(27, "propCurrentPicture", L, false, true),
    property(28, "propFolderNo", L, false, true),
    property(29, "propWhiteBalance", L, true, true),
    property(30, "propExpoBias", L, true, true),
    property(31, "propMetering", L, true, true),
    property(32, "propIsoSpeed", L, true, true),
    property(33, "propFocusMode", L, true, true),
    property(34, "propFocusPosition", L, true, true),
    method(35, "Connect", L),
    method(36, "DisConnect", L),
    method(37, "Capture", VT_EMPTY),
    method(38, "SetLcdMode", VT_EMPTY, L),
    method(39, "EraseAll", VT_EMPTY),
    method(40, "EraseLast", VT_EMPTY),
    method(41, "GetMemoryPropVB", VT_EMPTY, OutL, OutL),
    method(42, "GetPictureProp", VT_EMPTY, V),
    method(43, "GetPicturePropVB", VT_EMPTY, OutL, OutL, OutL, OutL),
    method(44, "GetPicTagProp", VT_EMPTY, V),
    method(45, "GetIndex", VT_EMPTY, L, V),
    method(46, "GetPicture", VT_EMPTY, L, V),
    method(47, "UploadPicture", VT_EMPTY, L, V),
    method(48, "GetCaptureProp", VT_EMPTY, V),
    method(49, "GetCapturePropVB", VT_EMPTY, OutL, OutL, OutL, OutL, OutL),
    method(50, "SetCaptureProp", VT_EMPTY, V),
    method(51, "SetCapturePropVB", VT_EMPTY, L, L, L),
    method(52, "GetFolderProp", VT_EMPTY, V),
    method(53, "GetFolderPropVB", VT_EMPTY, OutS, OutL, OutL),
    method(54, "SetExposureProp", VT_EMPTY, V),
    method(55, "SetExposurePropVB", VT_EMPTY, L, L, L),
    method(56, "GetExposureProp", VT_EMPTY, V),
    method(57, "GetExposurePropVB", VT_EMPTY, OutL, OutL, OutL),
    method(58, "GetCameraProp", VT_EMPTY, V),
    method(59, "GetCameraPropVB", VT_EMPTY, OutL, OutL, OutL, OutL, OutL),
    method(60, "GetMemoryProp", VT_EMPTY, V),
    method(61, "Preview", VT_EMPTY),
    method(62, "GetPreview", VT_EMPTY, L, V),
    method(63, "ErasePicture", VT_EMPTY),
    method(64, "GetPicTagPropVB", VT_EMPTY, OutL, OutL, OutL, OutS, OutL, OutL, OutL, OutL, OutL),
};

} // namespace

std::span<const MemberInfo> lunetMembers() {
  return kMembers;
}

const MemberInfo* findLunetMember(DISPID id) {
  for (const MemberInfo& m : kMembers) {
    if (m.id == id)
      return &m;
  }
  return nullptr;
}

const MemberInfo* findLunetMember(std::string_view name) {
  for (const MemberInfo& m : kMembers) {
    if (platform::equalsIgnoringAsciiCase(m.name, name))
      return &m;
  }
  return nullptr;
}

} // namespace tarsel::lunet
