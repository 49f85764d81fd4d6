#include "app/cameras/canon/CanonDeviceProps.h"

#include "app/cameras/canon/CanonCall.h"

#include <cstring>
#include <vector>

using namespace tarsel::canon;
namespace cd = tarsel::cdsdk;

CCanonDeviceProps::CCanonDeviceProps(std::uint32_t source) {
  CallChecked<cd::kEntryDevicePropsOpen>(source, 0u, &m_handle);
}

CCanonDeviceProps::~CCanonDeviceProps() {
  if (m_handle)
    CallQuietly<cd::kEntryDevicePropsClose>(m_handle);
}

std::uint32_t CCanonDeviceProps::ReadWord(std::uint32_t id) {
  std::uint32_t value = 0;
  std::uint32_t size = sizeof value;
  if (CallEntry<cd::kEntryDevicePropRead>(m_handle, id, &size, &value, 0u) != 0)
    return 0;
  return value;
}

std::uint32_t CCanonDeviceProps::GetDeviceFlags() {
  return ReadWord(cd::kPropDeviceFlags);
}

std::uint32_t CCanonDeviceProps::GetBatteryLevel() {
  return ReadWord(cd::kPropBatteryLevel) & 0xFu;
}

std::uint32_t CCanonDeviceProps::GetCameraTime() {
  return ReadWord(cd::kPropCameraTime);
}

void CCanonDeviceProps::SetCameraTime(std::uint32_t seconds) {
  std::uint32_t size = sizeof seconds;
  CallEntry<cd::kEntryDevicePropWrite>(m_handle, cd::kPropCameraTime, &size, &seconds);
}

void CCanonDeviceProps::SetOwnerText(const char* text) {
  const char* owner = text ? text : "";
  // The terminating NUL is part of the property.
  std::uint32_t size = static_cast<std::uint32_t>(std::strlen(owner) + 1);
  CallChecked<cd::kEntryDevicePropWrite>(m_handle, cd::kPropOwnerText, &size,
                                         static_cast<const void*>(owner));
}

std::string CCanonDeviceProps::ReadText(std::uint32_t id, std::size_t maximum) {
  std::vector<char> buffer(maximum, '\0');
  std::uint32_t size = static_cast<std::uint32_t>(maximum);
  if (CallEntry<cd::kEntryDevicePropRead>(m_handle, id, &size, static_cast<void*>(buffer.data()), 0u) != 0)
    return {};
  // A camera may fill the whole buffer without a NUL.
  return std::string(buffer.data(), strnlen(buffer.data(), maximum));
}

std::string CCanonDeviceProps::GetOwnerText() {
  return ReadText(cd::kPropOwnerText);
}

std::string CCanonDeviceProps::GetFirmwareText() {
  return ReadText(cd::kPropFirmwareText);
}

std::string CCanonDeviceProps::GetModelText() {
  return ReadText(cd::kPropModelText);
}
