#include "app/cameras/canon/CanonSdkLibrary.h"

#include "app/cameras/canon/CanonError.h"
#include "app/ui/ProgramFolder.h"
#include "env/BrantelTakeError.h"
#include "platform/Module.h"
#include "platform/Win32Error.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace tarsel::canon {
namespace {

struct Library {
  platform::Module module;
  CanonSdkFunctionTable table{};
  bool started = false;
  bool tableReady = false; // without a library loaded: a test's table
};

Library& library() {
  static Library instance;
  return instance;
}

[[noreturn]] void throwLoaderError(const platform::Module& module) {
  const DWORD code = GetLastError();
  throw _brantel_take_error(static_cast<HRESULT>(code ? code : ERROR_MOD_NOT_FOUND),
                            module.errorText().c_str());
}

} // namespace

std::string CanonSdkLibraryPath() {
  char folder[kProgramFolderSize] = {};
  GetProgramFolder(folder, sizeof folder);
  const std::string beside = std::string(folder) + cdsdk::kLibraryName;
  std::error_code error;
  if (std::filesystem::exists(beside, error))
    return beside;
  const char* named = std::getenv("TARSEL_CDSDK");
  return named && *named ? std::string(named) : beside;
}

void LoadCanonSdk(const std::string& path) {
  Library& lib = library();
  if (lib.module.isLoaded() || lib.tableReady)
    return;
  if (!lib.module.load(path))
    throwLoaderError(lib.module);
  try {
    auto* start = lib.module.function<cdsdk::FnStartSdk*>(cdsdk::kStartSdkExport);
    if (!start)
      throwLoaderError(lib.module);
    cdsdk::VersionRecord version{};
    version.size = cdsdk::kVersionRecordSize;
    version.major = cdsdk::kVersionMajor;
    version.minor = cdsdk::kVersionMinor;
    ThrowIfCanonError(start(&version, 0));
    lib.started = true;
    auto* getFunctions = lib.module.function<cdsdk::FnGetFunctions*>(cdsdk::kGetFunctionsExport);
    if (!getFunctions)
      throwLoaderError(lib.module);
    CanonSdkFunctionTable table{};
    table.slot[0] = cdsdk::kTableVersion;
    ThrowIfCanonError(getFunctions(&table));
    lib.table = table;
    lib.tableReady = true;
  } catch (...) {
    // Whatever was started is finished again: a half-made start holds nothing.
    FinishCanonSdk();
    throw;
  }
}

void FinishCanonSdk() noexcept {
  Library& lib = library();
  const bool loaded = lib.module.isLoaded();
  if (!loaded && !lib.tableReady)
    return;
  if (loaded && lib.started) {
    if (auto* finish = lib.module.function<cdsdk::FnFinishSdk*>(cdsdk::kFinishSdkExport)) {
      try {
        finish();
      } catch (...) {
      }
    }
  }
  lib.started = false;
  lib.tableReady = false;
  std::memset(&lib.table, 0, sizeof lib.table);
  if (loaded)
    lib.module.unload();
}

bool IsCanonSdkStarted() {
  return library().started && library().tableReady;
}

const CanonSdkFunctionTable& CanonSdkTable() {
  return library().table;
}

void UseCanonSdkTable(const CanonSdkFunctionTable& table) {
  FinishCanonSdk();
  Library& lib = library();
  lib.table = table;
  lib.started = true;
  lib.tableReady = true;
}

} // namespace tarsel::canon
