#include "app/cameras/canon/CanonSourceEnum.h"

#include "app/cameras/canon/CanonCall.h"
#include "app/cameras/canon/CanonLimits.h"

#include <algorithm>

#include <cstring>

using namespace tarsel::canon;
namespace cd = tarsel::cdsdk;

CCanonSourceEnum::CCanonSourceEnum() {
  CallChecked<cd::kEntrySourceEnumOpen>(cd::kSourceEnumOption, &m_handle);
}

CCanonSourceEnum::~CCanonSourceEnum() {
  if (m_handle)
    CallQuietly<cd::kEntrySourceEnumRelease>(m_handle);
}

std::uint32_t CCanonSourceEnum::GetCount() {
  std::uint32_t count = 0;
  CallChecked<cd::kEntrySourceEnumCount>(m_handle, &count);
  return std::min(count, kMaxSources);
}

void CCanonSourceEnum::ReadSourceRecord(int index, CanonSourceRecord* out) {
  std::memset(out, 0, sizeof *out);
  for (int i = 0; i <= index; ++i)
    CallChecked<cd::kEntrySourceEnumNext>(m_handle, out);
}

std::string SourceRecordName(const CanonSourceRecord& record) {
  return std::string(record.name, strnlen(record.name, sizeof record.name));
}
