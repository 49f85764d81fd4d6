#include "app/core/RangeItem.h"

#include "app/core/ResString.h"
#include "app/core/StringIds.h"
#include "env/BrantelTakeError.h"
#include "platform/PrivateProfile.h"
#include "platform/Win32Error.h"

CRangeItem::CRangeItem(const char* file, const char* name, const CRange& defaults)
    : CRangeItem(file, name, defaults.GetMin(), defaults.GetMax()) {}

CRangeItem::CRangeItem(const char* file, const char* name, std::int32_t min, std::int32_t max)
    : Min(min), Max(max), m_section(std::string(name ? name : "") + "Range") {
  if (file)
    LoadFromIni(file);
}

void CRangeItem::LoadFromIni(const char* file) {
  const tarsel::platform::ProfileSnapshot snapshot(file);
  const auto min = static_cast<std::int32_t>(snapshot.number(m_section.c_str(), "Min", -1));
  const auto max = static_cast<std::int32_t>(snapshot.number(m_section.c_str(), "Max", -1));
  if (min != -1)
    Min = min;
  if (max != -1)
    Max = max;
  m_valid = min != -1 && max != -1;
}

void CRangeItem::SaveToIni(const char* file) const {
  tarsel::platform::ProfileWrites writes;
  AddTo(writes);
  if (!writes.apply(file))
    ThrowSaveError();
}

void CRangeItem::AddTo(tarsel::platform::ProfileWrites& writes) const {
  for (const auto& [key, value] : {std::pair{"Min", Min}, std::pair{"Max", Max}})
    if (!writes.setString(m_section.c_str(), key, std::to_string(value).c_str()))
      ThrowSaveError();
}

CRangeItem& CRangeItem::operator=(const CRange& range) {
  Min = range.GetMin();
  Max = range.GetMax();
  m_valid = false;
  return *this;
}

void CRangeItem::ThrowSaveError() {
  using tarsel::core::ids::IDS_CANNOT_SAVE_PARAMETERS;
  throw _brantel_take_error(static_cast<HRESULT>(GetLastError()), CResString(IDS_CANNOT_SAVE_PARAMETERS));
}

void CRangeItem::SaveSet(const char* file, const char* name, const std::string& lines, const CRange& range) {
  tarsel::platform::ProfileWrites writes;
  if (!writes.replaceSection(name, lines.c_str()))
    ThrowSaveError();
  if (range.GetMin() != 0 || range.GetMax() != 0)
    CRangeItem(file, name, range).AddTo(writes);
  if (!writes.apply(file))
    ThrowSaveError();
}
