#include "app/core/ExposureBracketing.h"

#include "env/BrantelTakeError.h"
#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/ITarselSettings.h"
#include "hostapi/RefPtr.h"
#include "platform/Win32Error.h"

#include <algorithm>
#include <limits>

using Guard = std::lock_guard<std::recursive_mutex>;

bool CExposureBracketing::IsEnabled() {
  const Guard guard(m_lock);
  return m_stepCount > 0;
}

bool CExposureBracketing::NextStep() {
  const Guard guard(m_lock);
  if (++m_currentStep >= m_stepCount)
    return false;
  return m_startPosition + m_currentStep < static_cast<std::int32_t>(m_ids.size());
}

void CExposureBracketing::EndSeries() {
  const Guard guard(m_lock);
  // Disabled first: a failed restore must not leave a series that later
  // single takes would apply.
  Disable();
  RestoreSettings();
}

int CExposureBracketing::GetCurrentStep() {
  const Guard guard(m_lock);
  return m_currentStep;
}

int CExposureBracketing::GetStepCount() {
  const Guard guard(m_lock);
  return m_stepCount;
}

void CExposureBracketing::Disable() {
  m_currentStep = 0;
  m_stepCount = 0;
  m_startPosition = -1;
}

HRESULT CExposureBracketing::Init(ITarselSettings* settings) {
  const Guard guard(m_lock);
  Disable();
  m_kind = -1;
  m_hasTable = false;
  m_ids.clear();
  if (!settings)
    ThrowIfFailed(E_POINTER);
  ITarselConfigSettings* raw = nullptr;
  const LONG opened = settings->GetUserSettings(&raw, true);
  CRefPtr<ITarselConfigSettings> user;
  user.Attach(raw);
  ThrowIfFailed(opened);
  if (!user.get())
    ThrowIfFailed(E_POINTER);
  const DWORD kind = user->GetBracketingParam();
  const DWORD count = user->GetBracketingNumPics();
  constexpr DWORD kLargest = std::numeric_limits<std::int32_t>::max();
  m_kind = kind > kLargest ? -1 : static_cast<std::int32_t>(kind);
  m_stepCount = static_cast<std::int32_t>(std::min(count, kLargest));
  return 0;
}

bool CExposureBracketing::IsFirstStep() {
  const Guard guard(m_lock);
  return m_currentStep == 0;
}

HRESULT CExposureBracketing::PrepareSeries() {
  const Guard guard(m_lock);
  Connect();
  try {
    ReadStartValues();
  } catch (...) {
    try {
      DisConnect();
    } catch (...) {
      // The first error is the one to report.
    }
    throw;
  }
  DisConnect();
  return 0;
}

void CExposureBracketing::ReadStartValues() {
  m_startPosition = -1;
  m_hasTable = false;
  m_ids.clear();
  m_saved = GetExposure();
  m_manual = IsManualMode(m_saved.programMode);
  if (!m_manual) {
    m_savedBias = GetExposureBias();
    FindStart("ExposureBias", m_savedBias, 0);
  } else if (m_kind == kVaryExposureTime) {
    // The first exposure-time row is never used.
    FindStart("ExposureTime", m_saved.exposureTime, 1);
  } else if (m_kind == kVaryAperture) {
    FindStart("Aperture", m_saved.aperture, 0);
  } else {
    // Nothing to vary: no series rather than a take that fails.
    Disable();
  }
}

void CExposureBracketing::FindStart(const char* table, std::int32_t current, std::int32_t lowest) {
  const tarsel::core::CapabilityValue* rows = GetValueTable(table);
  m_hasTable = rows != nullptr;
  for (const auto* row = rows; row && row->label; ++row)
    m_ids.push_back(row->id);
  const auto size = static_cast<std::int32_t>(m_ids.size());
  // A table may run downwards (a bias table from -3 to +3 whose ids fall
  // from 48 to 0): the walk then passes the rows whose id is not below the
  // current value, so the series is centred either way.
  const bool falling = size - lowest > 1 &&
                       m_ids[static_cast<std::size_t>(size - 1)] < m_ids[static_cast<std::size_t>(lowest)];
  const auto reached = [&](std::int32_t id) { return falling ? id >= current : id <= current; };
  std::int32_t position = lowest;
  while (position < size && reached(m_ids[static_cast<std::size_t>(position)]))
    ++position;
  m_startPosition =
      std::max(position - static_cast<std::int32_t>((std::int64_t{m_stepCount} + 1) / 2), lowest);
}

HRESULT CExposureBracketing::ApplyCurrentStep() {
  const Guard guard(m_lock);
  if (m_stepCount <= 0)
    return 0; // a dropped series applies nothing
  if (m_startPosition == -1 || m_currentStep >= m_stepCount)
    return kStepOutOfRange;
  if (!m_hasTable)
    return kNoValueTable;
  const std::int32_t index = m_startPosition + m_currentStep;
  if (index >= static_cast<std::int32_t>(m_ids.size()))
    return kStepOutOfRange;
  const std::int32_t id = m_ids[static_cast<std::size_t>(index)];
  if (!m_manual)
    SetExposureBias(id);
  else if (m_kind == kVaryExposureTime)
    SetExposure({m_saved.programMode, m_saved.aperture, id});
  else
    SetExposure({m_saved.programMode, id, m_saved.exposureTime});
  m_changed = true;
  return 0;
}

HRESULT CExposureBracketing::RestoreSettings() {
  const Guard guard(m_lock);
  if (!m_changed)
    return 0;
  if (m_manual)
    SetExposure(m_saved);
  else
    SetExposureBias(m_savedBias);
  m_changed = false;
  return 0;
}
