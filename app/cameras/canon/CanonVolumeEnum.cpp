#include "app/cameras/canon/CanonVolumeEnum.h"

#include "app/cameras/canon/CanonCall.h"
#include "app/cameras/canon/CanonLimits.h"

#include <algorithm>

#include <cstring>

using namespace tarsel::canon;
namespace cd = tarsel::cdsdk;

CCanonVolumeEnum::CCanonVolumeEnum(std::uint32_t source) {
  CallChecked<cd::kEntryVolumeEnumOpen>(source, &m_handle);
}

CCanonVolumeEnum::~CCanonVolumeEnum() {
  if (m_handle)
    CallQuietly<cd::kEntryVolumeEnumRelease>(m_handle);
}

std::uint32_t CCanonVolumeEnum::Next(std::uint32_t* volume) {
  *volume = 0;
  if (m_handedOut == kMaxEnumerated)
    return cd::kErrEnumEnd;
  ++m_handedOut;
  return CallEntry<cd::kEntryVolumeEnumNext>(m_handle, volume);
}

void CCanonVolumeEnum::GetVolumeInfo(std::uint32_t volume, cd::VolumeRecord* out) {
  std::memset(out, 0, sizeof *out);
  CallChecked<cd::kEntryVolumeInfo>(volume, out);
}

CCanonItemEnum::CCanonItemEnum(std::uint32_t volume) {
  CallChecked<cd::kEntryItemEnumOpen>(volume, cd::kItemEnumOption, cd::kItemEnumFlags, &m_handle);
}

CCanonItemEnum::~CCanonItemEnum() {
  if (m_handle)
    CallQuietly<cd::kEntryItemEnumRelease>(m_handle);
}

std::uint32_t CCanonItemEnum::GetCount() {
  std::uint32_t count = 0;
  CallChecked<cd::kEntryItemEnumCount>(m_handle, &count);
  return std::min(count, kMaxEnumerated);
}
