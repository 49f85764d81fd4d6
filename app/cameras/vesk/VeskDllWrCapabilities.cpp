// The camera object's capabilities: the eleven value sets and three ranges
// of its model, from the model's camera-model file and the family's
// built-in defaults.
#include "app/cameras/vesk/VeskDllWr.h"

#include "app/cameras/common/FamilyDataFolder.h"
#include "app/cameras/vesk/VeskCapabilityDefaults.h"
#include "app/cameras/vesk/VeskModelFile.h"
#include "app/cameras/vesk/VeskSdkWrapper.h"
#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

using namespace tarsel::vesk;

static_assert(CVeskDllWr::kCapabilityCount == kDefaultCapabilityCount);

namespace {

constexpr const char* kFocus = "Focus";
constexpr const char* kOpticalZoom = "OpticalZoom";
constexpr const char* kLcdBrightness = "LcdBrightness";

// The file an operation names, or the model file when it names none.
std::string FileOrModelFile(const char* file, CVeskDllWr& camera) {
  return file && *file ? std::string(file) : camera.GetCameraDescriptionFile();
}

} // namespace

int CVeskDllWr::GetCapabilityIndex(const char* name) {
  if (!name)
    return -1;
  for (int index = 0; index < kCapabilityCount; ++index)
    if (std::strcmp(name, DefaultCapability(index, {}).lookupName) == 0)
      return index;
  return -1;
}

CCapabilitySet* CVeskDllWr::GetCapabilitySet(const char* name) {
  const int index = GetCapabilityIndex(name);
  if (index < 0)
    return nullptr;
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  return m_capabilities[static_cast<std::size_t>(index)].get();
}

CRange CVeskDllWr::GetCapabilityRange(const char* name) {
  if (GetCapabilityIndex(name) < 0)
    return CRange(0, 0);
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  const CCapabilitySet* set = GetCapabilitySet(name);
  return set ? set->GetRange() : CRange(-1, -1);
}

CRange CVeskDllWr::GetDefaultOpticalZoomRange() {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  return DefaultOpticalZoomRange(m_cameraType);
}

std::unique_ptr<CRangeItem>* CVeskDllWr::FindRangeItem(const char* name) {
  if (!name)
    return nullptr;
  if (std::strcmp(name, kFocus) == 0)
    return &m_focusRange;
  if (std::strcmp(name, kOpticalZoom) == 0)
    return &m_opticalZoomRange;
  if (std::strcmp(name, kLcdBrightness) == 0)
    return &m_lcdBrightnessRange;
  return nullptr;
}

CRange CVeskDllWr::GetRangeByName(const char* name) {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  const std::unique_ptr<CRangeItem>* item = FindRangeItem(name);
  return item && *item ? (*item)->GetRange() : CRange(-1, -1);
}

void CVeskDllWr::SetOpticalZoomRange(long min, long max) {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  if (!m_opticalZoomRange)
    m_opticalZoomRange = std::make_unique<CRangeItem>(nullptr, kOpticalZoom, -1, -1);
  *m_opticalZoomRange = CRange(static_cast<std::int32_t>(min), static_cast<std::int32_t>(max));
}

HRESULT CVeskDllWr::SetRangeByName(const char* name, const CRange& range, bool save) {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  std::unique_ptr<CRangeItem>* item = FindRangeItem(name);
  if (!item)
    return 0;
  if (!*item)
    *item = std::make_unique<CRangeItem>(nullptr, name, -1, -1);
  **item = range;
  if (save)
    (*item)->SaveToIni(GetCameraDescriptionFile().c_str());
  return 0;
}

HRESULT CVeskDllWr::SetCapabilityValues(const char* name, const tarsel::core::CapabilityValue* table,
                                        bool save) {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  CCapabilitySet* set = GetCapabilitySet(name);
  if (!set)
    return 0;
  set->AssignTable(table);
  if (save)
    set->SaveToIni(GetCameraDescriptionFile().c_str());
  return 0;
}

HRESULT CVeskDllWr::GetCapabilityFileName(char* buffer, int* size) {
  if (!size)
    return ERROR_INVALID_PARAMETER;
  std::string path;
  try {
    path = GetCameraDescriptionFile();
  } catch (const _brantel_take_error& error) {
    return error.Error();
  }
  const int length = static_cast<int>(path.size());
  const bool fits = buffer && *size > length;
  *size = length;
  if (!fits)
    return ERROR_INSUFFICIENT_BUFFER;
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return 0;
}

void CVeskDllWr::SaveCapabilities(const char* file) {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  const std::string path = FileOrModelFile(file, *this);
  const auto writeSections = [&](const std::string& target) {
    for (const auto* item : {m_focusRange.get(), m_opticalZoomRange.get(), m_lcdBrightnessRange.get()})
      if (item)
        item->SaveToIni(target.c_str());
    for (const auto& set : m_capabilities)
      if (set)
        set->SaveToIni(target.c_str());
  };
  // Without a file the writes fail as they always did; with one, the
  // sections go into a scratch copy that then replaces the file whole.
  if (path.empty())
    writeSections(path);
  else
    ReplaceModelFile(path, writeSections);
}

void CVeskDllWr::DeleteCapabilityFile(const char* file) {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  const std::string path = FileOrModelFile(file, *this);
  struct stat st {};
  if (!path.empty() && ::stat(path.c_str(), &st) == 0 && ::unlink(path.c_str()) != 0)
    throw _brantel_take_error(static_cast<HRESULT>(Win32FromErrno(errno)), path.c_str());
  LoadCapabilities();
}

std::string CVeskDllWr::GetCameraDescriptionFile() {
  std::string type;
  {
    const std::lock_guard<std::recursive_mutex> guard(m_lock);
    type = m_cameraType;
  }
  ITarselSettings* settings = GetVeskSdkWrapper(nullptr)->GetSettings();
  // Without a camera type or settings there is no file: the defaults alone apply.
  if (type.empty() || !settings)
    return {};
  return tarsel::cameras::FamilyDataFolder(settings) + ModelFileName(type);
}

void CVeskDllWr::LoadCapabilities() {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  m_capabilitiesComplete = false;
  for (auto& set : m_capabilities)
    set.reset();
  m_focusRange.reset();
  m_opticalZoomRange.reset();
  m_lcdBrightnessRange.reset();

  const std::string path = GetCameraDescriptionFile();
  const char* file = path.empty() ? nullptr : path.c_str();
  if (file)
    MoveOldRanges(path);
  m_focusRange = std::make_unique<CRangeItem>(file, kFocus, 1, 240);
  m_opticalZoomRange = std::make_unique<CRangeItem>(file, kOpticalZoom, GetDefaultOpticalZoomRange());
  m_lcdBrightnessRange = std::make_unique<CRangeItem>(file, kLcdBrightness, 1, 7);

  bool complete = true;
  for (int index = 0; index < kCapabilityCount; ++index) {
    const CapabilityDefaults defaults = DefaultCapability(index, m_cameraType);
    auto& set = m_capabilities[static_cast<std::size_t>(index)];
    set = std::make_unique<CCapabilitySet>(file, defaults.section, defaults.range, defaults.table);
    complete = complete && !set->IsEmpty();
  }
  m_capabilitiesComplete = complete;
}

bool CVeskDllWr::GetCapabilities(bool reload) {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  if (!reload && m_capabilitiesComplete)
    return true;
  try {
    LoadCapabilities();
  } catch (...) {
    // A profile that cannot be read leaves the capabilities incomplete.
  }
  return m_capabilitiesComplete;
}
