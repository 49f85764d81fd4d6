// The property operations the camera object's own pictures, preview and
// status line are built on.
#include "app/cameras/lunet/LunetCall.h"
#include "app/cameras/lunet/LunetWr.h"
#include "hostapi/IPictureFromCamera.h"

#include <cstring>

using tarsel::lunet::CLunetLock;
using tarsel::lunet::LunetCall;

namespace {

// The camera sent fewer bytes than the picture's size.
constexpr WORD kShortReceive = 0x12;

[[noreturn]] void ThrowShortReceive(CLunetWr* camera, const char* callText) {
  CLunetWr::ReportError(
      static_cast<HRESULT>(static_cast<std::uint32_t>(CLunetWr::kLunetFacilityBase) | kShortReceive),
      callText, camera);
  tarsel::lunet::ThrowLunetError(kShortReceive);
}

} // namespace

std::int32_t CLunetWr::GetPropPicCount() {
  return LunetCall(this, "return m_Lunet.GetPropPicCount()",
                   [](CLunet& control) { return control.GetPropPicCount(); });
}

std::int32_t CLunetWr::GetPropOpticalZoom(double* factor) {
  const std::int32_t position = LunetCall(this, "lZoom = m_Lunet.GetPropOpticalZoom()",
                                          [](CLunet& control) { return control.GetPropOpticalZoom(); });
  if (factor)
    *factor = position / 10.0;
  return position;
}

std::int32_t CLunetWr::GetPropFocusMode() {
  const std::int32_t mode = LunetCall(this, "return m_Lunet.GetPropFocusMode()",
                                      [](CLunet& control) { return control.GetPropFocusMode(); });
  switch (mode) {
  case 1:
    return 2;
  case 2:
    return 1;
  case 3:
    return 4;
  default:
    return 0;
  }
}

std::int32_t CLunetWr::GetPropFocusPosition() {
  return LunetCall(this, "return m_Lunet.GetPropFocusPosition()",
                   [](CLunet& control) { return control.GetPropFocusPosition(); });
}

std::string CLunetWr::GetPropFileName() {
  return LunetCall(this, "return (LPCTSTR)m_Lunet.GetPropFileName()",
                   [](CLunet& control) { return control.GetPropFileName(); });
}

const char* CLunetWr::GetRawFileExtension() {
  return ".BRF";
}

void CLunetWr::SetPropCurrentPicture(std::int32_t index) {
  LunetCall(this, "m_Lunet.SetPropCurrentPicture(nCurrPic)",
            [index](CLunet& control) { control.SetPropCurrentPicture(index); });
}

void CLunetWr::EraseLast() {
  LunetCall(this, "m_Lunet.EraseLast()", [](CLunet& control) { control.EraseLast(); });
}

std::string CLunetWr::GetPropCameraID() {
  return LunetCall(this, "return (LPCTSTR)m_Lunet.GetPropCameraID()",
                   [](CLunet& control) { return control.GetPropCameraID(); });
}

void CLunetWr::Preview() {
  LunetCall(this, "m_Lunet.Preview()", [](CLunet& control) { control.Preview(); });
}

bool CLunetWr::GetPreview(std::int32_t size, void* buffer) {
  const std::vector<std::uint8_t> bytes =
      LunetCall(this, "m_Lunet.GetPreview(nBuffSize, buff)",
                [size](CLunet& control) { return control.GetPreview(size); });
  if (size > 0 && buffer)
    std::memcpy(buffer, bytes.data(), bytes.size());
  return bytes.size() == static_cast<std::size_t>(size > 0 ? size : 0);
}

bool CLunetWr::GetPicture(std::int32_t size, void* buffer) {
  const std::vector<std::uint8_t> bytes =
      LunetCall(this, "m_Lunet.GetPicture(nBuffSize, buff)",
                [size](CLunet& control) { return control.GetPicture(size); });
  if (size > 0 && buffer)
    std::memcpy(buffer, bytes.data(), bytes.size());
  return bytes.size() == static_cast<std::size_t>(size > 0 ? size : 0);
}

std::int32_t CLunetWr::GetPropPicSize() {
  return LunetCall(this, "return m_Lunet.GetPropPicSize()",
                   [](CLunet& control) { return control.GetPropPicSize(); });
}

bool CLunetWr::GetPreviewPicture(IPictureFromCamera* picture) {
  try {
    std::vector<std::uint8_t> bytes;
    {
      const CLunetLock lock(this);
      const tarsel::lunet::CLunetConnection connection(this);
      LunetCall(this, "GetAndLoadPreview", [](CLunet& control) { control.Preview(); });
      LunetCall(this, "GetAndLoadPreview", [](CLunet& control) { control.SetPropCurrentPicture(0); });
      const std::int32_t size =
          LunetCall(this, "GetAndLoadPreview", [](CLunet& control) { return control.GetPropPicSize(); });
      if (size <= 0)
        return false;
      bytes =
          LunetCall(this, "GetAndLoadPreview", [size](CLunet& control) { return control.GetPreview(size); });
      if (bytes.size() != static_cast<std::size_t>(size))
        ThrowShortReceive(this, "GetAndLoadPreview");
    }
    picture->SetImage(bytes.data(), static_cast<DWORD>(bytes.size()), GetRawFileExtension(), nullptr);
    return true;
  } catch (const _brantel_take_error& error) {
    // Control failures were traced where they happened.
    if ((static_cast<std::uint32_t>(error.Error()) & 0xFFFF0000u) !=
        static_cast<std::uint32_t>(kLunetFacilityBase))
      ReportError(error.Error(), "GetAndLoadPreview", this);
    throw;
  } catch (...) {
    ReportError(E_UNEXPECTED, "GetAndLoadPreview", this);
    throw;
  }
}

std::vector<std::uint8_t> CLunetWr::ReadPicTag() {
  return LunetCall(this, "m_Lunet.GetPicTagProp(buff)",
                   [](CLunet& control) { return control.GetPicTagProp(); });
}

std::vector<std::uint8_t> CLunetWr::ReadPicture(std::int32_t size, const char* callText) {
  std::vector<std::uint8_t> bytes =
      LunetCall(this, callText, [size](CLunet& control) { return control.GetPicture(size); });
  if (bytes.size() != static_cast<std::size_t>(size))
    ThrowShortReceive(this, callText);
  return bytes;
}
