#include "app/cameras/canon/CanonCapabilities.h"

#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"

#include <algorithm>
#include <new>

using tarsel::canon::CanonCapabilityDefaults;

std::string CCanonCapabilities::ProfilePath(const std::string& folder, std::string_view model) {
  std::string name(model);
  std::replace(name.begin(), name.end(), '/', '_');
  return folder + name + ".camd";
}

void CCanonCapabilities::Clear() {
  for (auto& set : m_sets)
    set.reset();
  m_resolutions.reset();
  m_opticalZoom.reset();
  m_complete = false;
}

void CCanonCapabilities::Load(const std::string& file) {
  Clear();
  const auto& defaults = CanonCapabilityDefaults();
  for (std::size_t i = 0; i < m_sets.size(); ++i) {
    try {
      m_sets[i] = std::make_unique<CCapabilitySet>(file.c_str(), defaults[i].section, CRange(-1, -1),
                                                   defaults[i].table);
    } catch (const std::bad_alloc&) {
      m_sets[i].reset();
    }
  }
  try {
    m_resolutions = std::make_unique<CCanonResolutionSet>(file.c_str(), kResolutionName, nullptr);
    m_opticalZoom = std::make_unique<CRangeItemD>(file.c_str(), kOpticalZoomName);
  } catch (const std::bad_alloc&) {
    throw _brantel_take_error(ERROR_NOT_ENOUGH_MEMORY);
  }
  m_complete =
      m_resolutions->GetCount() > 0 && !m_opticalZoom->IsMissing() &&
      std::none_of(m_sets.begin(), m_sets.end(), [](const auto& set) { return set && set->IsEmpty(); });
}

CCapabilitySet* CCanonCapabilities::Set(int capability) const {
  if (capability < 0 || capability >= static_cast<int>(m_sets.size()))
    return nullptr;
  return m_sets[static_cast<std::size_t>(capability)].get();
}

CCapabilitySet* CCanonCapabilities::Find(const char* lookupName) const {
  return Set(tarsel::canon::CanonCapabilityIndex(lookupName));
}

std::string AddSdkResolution(CCanonResolutionSet& set, const tarsel::cdsdk::ResolutionRecord& record,
                             std::uint16_t quality) {
  const CCanonResolutionSet::SizeRecord size{record.sizeCode, record.width, record.height};
  return set.AddResolution(size, tarsel::canon::CanonQualityTable(), quality);
}
