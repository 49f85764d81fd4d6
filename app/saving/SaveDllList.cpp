#include "app/saving/SaveDllList.h"

#include "app/saving/SaveDllDisplayInfo.h"
#include "app/saving/SaveDllWrapper.h"
#include "app/ui/ProgramFolder.h"
#include "env/BrantelTakeError.h"
#include "env/ErrorReport.h"
#include "platform/Win32Error.h"

#include <fnmatch.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <new>
#include <system_error>

namespace {

std::string programFolder() {
  char folder[kProgramFolderSize];
  if (!GetProgramFolder(folder, sizeof folder))
    return {};
  return folder;
}

// The plug-in file names of `folder`, sorted: the order decides which saver
// comes first when none is named, so it must not depend on the directory's.
std::vector<std::string> pluginNames(const std::string& folder) {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  std::error_code error;
  fs::directory_iterator entry(folder, error);
  if (error)
    return names;
  for (; entry != fs::directory_iterator(); entry.increment(error)) {
    if (error)
      break;
    const std::string name = entry->path().filename().string();
    if (fnmatch("TarselS*.so", name.c_str(), 0) == 0)
      names.push_back(name);
  }
  if (error)
    throw _brantel_take_error(static_cast<HRESULT>(Win32FromErrno(error.value())));
  std::sort(names.begin(), names.end());
  return names;
}

bool equalsIgnoringCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
      return false;
  }
  return *a == *b;
}

std::string displayName(CSaveDllWrapper* saver, ITarselSettings* settings) {
  CSaveDllDisplayInfo info;
  saver->DisplayInfo(settings, &info);
  return info.GetName();
}

} // namespace

CSaveDllList::CSaveDllList(DWORD initValue, const std::string& folder) {
  const std::string base = folder.empty() ? programFolder() : folder;
  const std::string prefix = base.empty() || base.back() == '/' ? base : base + '/';
  try {
    for (const std::string& name : pluginNames(base)) {
      const std::string path = prefix + name;
      std::unique_ptr<CSaveDllWrapper> saver;
      try {
        saver = std::make_unique<CSaveDllWrapper>(path, initValue);
      } catch (const std::bad_alloc&) {
        throw _brantel_take_error(8);
      }
      if (saver->IsValid()) {
        m_savers.push_back(saver.get());
        saver.release();
        continue;
      }
      const std::string line = "Saver plug-in " + path + " left out: " + saver->Problem();
      saver.reset();
      WriteErrorInfo(line.c_str());
    }
  } catch (...) {
    // The destructor does not run for a constructor that throws.
    for (CSaveDllWrapper* saver : m_savers)
      delete saver;
    throw;
  }
}

CSaveDllList::~CSaveDllList() {
  for (CSaveDllWrapper* saver : m_savers)
    delete saver;
}

CSaveDllWrapper* CSaveDllList::GetAt(std::int32_t index) const {
  if (index < 0 || index >= GetCount())
    return nullptr;
  return m_savers[static_cast<std::size_t>(index)];
}

CSaveDllWrapper* CSaveDllList::FindSaver(ITarselSettings* settings, const char* name) {
  if (name && *name) {
    if (CSaveDllWrapper* current = GetAt(m_current); current && displayName(current, settings) == name)
      return current;
    for (std::int32_t i = 0; i < GetCount(); ++i) {
      if (equalsIgnoringCase(displayName(GetAt(i), settings).c_str(), name)) {
        m_current = i;
        return GetAt(i);
      }
    }
    m_current = -1;
    return nullptr;
  }
  for (std::int32_t i = 0; i < GetCount(); ++i) {
    if (equalsIgnoringCase(displayName(GetAt(i), settings).c_str(), "File")) {
      m_current = i;
      return GetAt(i);
    }
  }
  m_current = m_savers.empty() ? -1 : 0;
  return GetAt(m_current);
}
