#include "app/cameras/common/KeptPictureSearch.h"
#include "app/cameras/lunet/LunetCall.h"
#include "app/cameras/lunet/LunetWr.h"
#include "app/core/ITarselCallback.h"
#include "hostapi/IPictureFromCamera.h"
#include "hostapi/IPictureInfo.h"

#include <charconv>
#include <string>

using tarsel::lunet::CLunetConnection;
using tarsel::lunet::CLunetLock;
using tarsel::lunet::LunetCall;
using tarsel::lunet::LunetResult;

namespace {

// "%#3.1lf" in the C locale.
std::string ZoomText(double factor) {
  char buffer[64];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, factor, std::chars_format::fixed, 1);
  std::string text(buffer, end.ptr);
  if (text.size() < 3)
    text.insert(0, 3 - text.size(), ' ');
  return text;
}

} // namespace

HRESULT CLunetWr::SetLcdMode(std::int32_t mode) {
  return LunetResult(
      [this, mode] {
        const CLunetLock lock(this);
        LunetCall(this, "m_Lunet.SetLcdMode(nLcdMode)",
                  [mode](CLunet& control) { control.SetLcdMode(mode); });
        m_lcdMode = mode;
      },
      kLunetOtherError);
}

HRESULT CLunetWr::LcdOn(std::int32_t) {
  return SetLcdMode(kMonitorOn);
}

HRESULT CLunetWr::LcdOff() {
  return SetLcdMode(kMonitorOff);
}

HRESULT CLunetWr::GetBatteryStatus(std::int32_t* level) {
  if (!level)
    return E_POINTER;
  return LunetResult(
      [this, level] {
        std::int32_t battery = 0;
        LunetCall(this, "GetBatteryStatus", [&battery](CLunet& control) {
          std::int32_t resolution = 0, flash = 0, count = 0, remaining = 0;
          control.GetCameraPropVB(&resolution, &flash, &count, &remaining, &battery);
        });
        *level = battery;
      },
      kLunetOtherError);
}

HRESULT CLunetWr::ReportStatus(_ITarselCallback* callback) {
  if (!callback)
    return E_POINTER;
  const HRESULT result = LunetResult([this, callback] {
    // One connection for the three readings.
    const CLunetConnection connection(this);
    std::string focus;
    switch (GetPropFocusMode()) {
    case 1:
      focus = "A";
      break;
    case 2:
      focus = "M";
      break;
    case 4:
      focus = std::to_string(GetPropFocusPosition());
      break;
    default:
      break;
    }
    double factor = 0.0;
    GetPropOpticalZoom(&factor);
    const std::string text = "F=" + focus + " Z=" + ZoomText(factor) + " LCD=" + (IsLcdOn() ? "On" : "Off");
    callback->SetStatusText(text.c_str());
  });
  if (result != 0) {
    try {
      callback->SetStatusText("Error");
    } catch (...) {
    }
  }
  return result;
}

HRESULT CLunetWr::Capture(std::uint32_t, bool) {
  return LunetResult([this] {
    const CLunetConnection connection(this);
    ApplyRememberedSettings();
    ApplyBracketingStep();
    LunetCall(this, "m_Lunet.Capture()", [](CLunet& control) { control.Capture(); });
  });
}

HRESULT CLunetWr::PrepareCapture(std::uint32_t) {
  return LunetResult([this] {
    const CLunetConnection connection(this);
    ApplyRememberedSettings();
  });
}

HRESULT CLunetWr::FirePreparedCapture() {
  return LunetResult([this] { LunetCall(this, "RawCapture", [](CLunet& control) { control.Capture(); }); },
                     kLunetOtherError);
}

HRESULT CLunetWr::TransferPicture(IPictureFromCamera* picture, std::uint32_t flags) {
  if (!picture)
    return E_POINTER;
  return LunetResult([this, picture, flags] {
    // The lock for the whole transfer: no preview frame may select its own
    // picture between the selection and the download.
    const CLunetLock lock(this);
    const CLunetConnection connection(this);
    m_keptPicture = {};
    const std::int32_t count = GetPropPicCount();
    // Picture 0 is the preview slot: erasing after it would lose the last
    // stored picture.
    if (count < 1)
      throw _brantel_take_error(kNoPicture, "The camera holds no picture to transfer.");
    SetPropCurrentPicture(count);
    const std::string cardName = (flags & 3) ? GetPropFileName() : std::string();
    if (flags & 2)
      picture->SetFileName(cardName.c_str());
    const std::vector<std::uint8_t> tag = ReadPicTag();
    const std::int32_t size = GetPropPicSize();
    if (size <= 0)
      throw _brantel_take_error(kNoPicture, "The camera reports the picture as empty.");
    const std::vector<std::uint8_t> bytes = ReadPicture(size, "m_Lunet.GetPicture(nPictureSize, buff)");
    const std::unique_ptr<IPictureInfo> info = MakePictureInfo(tag, size);
    picture->SetImage(bytes.data(), static_cast<DWORD>(bytes.size()), GetRawFileExtension(), info.get());
    if (!(flags & 1))
      EraseLast();
    else
      m_keptPicture = {count, cardName};
  });
}

CardPicture CLunetWr::GetKeptPicture() {
  const CLunetLock lock(this);
  return m_keptPicture;
}

HRESULT CLunetWr::EraseKeptPicture(const CardPicture& picture) {
  return LunetResult([&]() -> HRESULT {
    // One lock and connection for the search and the erase: a preview frame
    // in between would select its own picture.
    const CLunetLock lock(this);
    const CLunetConnection connection(this);
    tarsel::cameras::StoredPictures stored{[this] { return GetPropPicCount(); },
                                           [this](std::int32_t index) { SetPropCurrentPicture(index); },
                                           [this] { return GetPropFileName(); }, [this] { ErasePicture(); }};
    return tarsel::cameras::EraseKeptPicture(picture, stored);
  });
}

HRESULT CLunetWr::DownloadPicture(IPictureFromCamera* picture, std::int32_t index) {
  if (!picture)
    return E_POINTER;
  return LunetResult([this, picture, index] {
    const CLunetLock lock(this);
    const CLunetConnection connection(this);
    SetPropCurrentPicture(index);
    picture->SetFileName(GetPropFileName().c_str());
    const std::int32_t size = GetPropPicSize();
    if (size <= 0)
      throw _brantel_take_error(kNoPicture, "The camera reports the picture as empty.");
    const std::vector<std::uint8_t> bytes = ReadPicture(size, "m_Lunet.GetPicture(nPictureSize, buff)");
    picture->SetImage(bytes.data(), static_cast<DWORD>(bytes.size()), GetRawFileExtension(), nullptr);
  });
}
