#include "app/cameras/lunet/LunetCapabilities.h"

#include "app/cameras/common/FamilyDataFolder.h"
#include "app/cameras/common/ModelFile.h"
#include "app/core/SanitizedName.h"
#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"

namespace tarsel::lunet {
namespace {

// The ranges' defaults when the file holds none.
constexpr std::int32_t kFocusMin = 1;
constexpr std::int32_t kFocusMax = 120;
constexpr std::int32_t kLcdBrightnessMin = 1;
constexpr std::int32_t kLcdBrightnessMax = 7;

} // namespace

std::string LunetModelFile(ITarselSettings* settings, std::string_view cameraType) {
  // An empty type would name the hidden file ".camd" that every camera
  // without a type shares.
  if (cameraType.empty())
    throw _brantel_take_error(static_cast<HRESULT>(ERROR_INVALID_NAME));
  return tarsel::cameras::FamilyDataFolder(settings) + tarsel::core::SanitizedPathComponent(cameraType) +
         ".camd";
}

void CLunetCapabilities::Release() {
  for (auto& set : m_capabilitySets)
    set.reset();
  for (auto& range : m_ranges)
    range.reset();
  m_capabilitiesKnown = 0;
}

void CLunetCapabilities::Load(const std::string& file, const CRange& zoomDefault) {
  Release();
  const char* path = file.empty() ? nullptr : file.c_str();
  if (path)
    tarsel::cameras::MoveOldRanges(file);
  m_ranges[kLunetFocusRange] = std::make_unique<CRangeItem>(path, "Focus", kFocusMin, kFocusMax);
  m_ranges[kLunetOpticalZoomRange] = std::make_unique<CRangeItem>(path, "OpticalZoom", zoomDefault);
  m_ranges[kLunetLcdBrightnessRange] =
      std::make_unique<CRangeItem>(path, "LcdBrightness", kLcdBrightnessMin, kLcdBrightnessMax);
  for (int index = 0; index < kLunetCapabilityCount; ++index) {
    const LunetCapabilityDefaults& defaults = LunetCapabilityDefault(index);
    m_capabilitySets[static_cast<std::size_t>(index)] =
        std::make_unique<CCapabilitySet>(path, defaults.setName, defaults.range, defaults.table);
  }
  m_capabilitiesKnown = 1;
  for (const auto& set : m_capabilitySets)
    if (set && set->IsEmpty())
      m_capabilitiesKnown = 0;
}

CCapabilitySet* CLunetCapabilities::GetSet(const char* name) {
  const int index = LunetCapabilityIndex(name);
  return index < 0 ? nullptr : m_capabilitySets[static_cast<std::size_t>(index)].get();
}

const tarsel::core::CapabilityValue* CLunetCapabilities::GetCapabilityTable(const char* name) {
  CCapabilitySet* set = GetSet(name);
  return set ? set->GetValues() : nullptr;
}

void CLunetCapabilities::SetCapability(const char* name, CCapabilitySet& from, bool store,
                                       const std::string& file) {
  CCapabilitySet* set = GetSet(name);
  if (!set || set == &from)
    return;
  set->AssignTable(from.GetValues());
  if (store)
    set->SaveToIni(file.c_str());
}

CRange CLunetCapabilities::GetCapabilityRange(const char* name) {
  if (LunetCapabilityIndex(name) < 0)
    return CRange(0, 0);
  const CCapabilitySet* set = GetSet(name);
  return set ? set->GetRange() : CRange(-1, -1);
}

CRange CLunetCapabilities::GetRange(const char* name) {
  const int index = LunetRangeIndex(name);
  if (index < 0 || !m_ranges[static_cast<std::size_t>(index)])
    return CRange(-1, -1);
  return m_ranges[static_cast<std::size_t>(index)]->GetRange();
}

void CLunetCapabilities::SetRange(const char* name, const CRange& range, bool store,
                                  const std::string& file) {
  const int index = LunetRangeIndex(name);
  if (index < 0)
    return;
  auto& item = m_ranges[static_cast<std::size_t>(index)];
  if (!item)
    item = std::make_unique<CRangeItem>(nullptr, LunetRangeName(index), -1, -1);
  *item = range;
  if (store)
    item->SaveToIni(file.c_str());
}

CRangeD CLunetCapabilities::GetOpticalZoomRange() {
  const auto& item = m_ranges[kLunetOpticalZoomRange];
  if (!item)
    return CRangeD(-1, -1, 0.0, 0.0);
  return CRangeD(item->Min, item->Max, item->Min / 10.0, item->Max / 10.0);
}

void CLunetCapabilities::SetOpticalZoomRange(const CRange& range) {
  SetRange("OpticalZoom", range, false, {});
}

void CLunetCapabilities::Save(const std::string& file) {
  tarsel::cameras::ReplaceModelFile(file, [this](const std::string& target) {
    for (const auto& range : m_ranges)
      if (range)
        range->SaveToIni(target.c_str());
    for (const auto& set : m_capabilitySets)
      if (set)
        set->SaveToIni(target.c_str());
  });
}

} // namespace tarsel::lunet
