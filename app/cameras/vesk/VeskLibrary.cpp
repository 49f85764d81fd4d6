#include "app/cameras/vesk/VeskLibrary.h"

#include "app/cameras/common/FailureEntry.h"
#include "app/cameras/common/LastDiagnostics.h"
#include "app/cameras/vesk/VeskCall.h"
#include "app/cameras/vesk/VeskDllWr.h"
#include "app/cameras/vesk/VeskSdkWrapper.h"
#include "app/ui/ProgramFolder.h"
#include "env/BrantelTakeError.h"
#include "env/ErrorReport.h"
#include "platform/Module.h"

#include <array>
#include <atomic>
#include <cstring>
#include <mutex>

namespace tarsel::vesk {
namespace {

constexpr std::array<const char*, kExportCount> kNames = {
#define TARSEL_VESK_NAME(name) #name,
    TARSEL_VESK_EXPORTS(TARSEL_VESK_NAME)
#undef TARSEL_VESK_NAME
};

struct Binding {
  std::mutex lock; // load and unload
  platform::Module module;
  std::array<std::atomic<void*>, kExportCount> table{};
};

Binding& binding() {
  static Binding instance;
  return instance;
}

// The diagnostics text last appended to a log entry; several camera workers
// may log at once.
tarsel::cameras::CLastDiagnostics& lastDiagnostics() {
  static tarsel::cameras::CLastDiagnostics instance;
  return instance;
}

// Set while the library is being initialised: the SDK object may be in the
// middle of its creation then, and asking it for its diagnostics would wait
// for that creation forever.
thread_local int initialising = 0;

std::string diagnosticsText() {
  if (initialising > 0)
    return {};
  return tarsel::cameras::CLastDiagnostics::Read([] { return GetVeskSdkWrapper(nullptr); });
}

std::string cameraText(CVeskDllWr* camera) {
  if (camera->GetCameraNumber() == -1)
    return "unknown (-1)";
  const auto getType = BoundExport<Export::GetPropConnectCamera>();
  if (!getType)
    return "unknown (NULL)";
  try {
    const char* type = getType(camera->GetCameraNumber());
    return type ? type : "";
  } catch (...) {
    return "unknown (exception)";
  }
}

} // namespace

const char* ExportName(Export which) {
  return kNames[static_cast<std::size_t>(which)];
}

void* ExportAddress(Export which) {
  return binding().table[static_cast<std::size_t>(which)].load(std::memory_order_acquire);
}

std::string CleanFunctionName(const char* name) {
  return tarsel::cameras::ShortenPlace(name, tarsel::cameras::PlaceCut::kLastDot);
}

} // namespace tarsel::vesk

using namespace tarsel::vesk;

std::string VeskDllDefaultPath() {
  char folder[kProgramFolderSize] = {};
  GetProgramFolder(folder, sizeof folder);
  return std::string(folder) + "libVeskDLL.so";
}

void LoadVeskDll(const std::string& path) {
  Binding& b = binding();
  const std::lock_guard<std::mutex> guard(b.lock);
  if (b.module.isLoaded())
    return;
  if (!b.module.load(path))
    return;
  for (std::size_t i = 0; i < kExportCount; ++i)
    b.table[i].store(b.module.symbol(kNames[i]), std::memory_order_release);
}

void FreeVeskDll() {
  Binding& b = binding();
  const std::lock_guard<std::mutex> guard(b.lock);
  // No entry may point into an unloaded library.
  for (auto& entry : b.table)
    entry.store(nullptr, std::memory_order_release);
  b.module.unload();
}

int VeskInitControl() {
  LoadVeskDll();
  ++initialising;
  try {
    const int result = CallThrowing<Export::InitControl>(nullptr, [](auto init) { return init(); });
    --initialising;
    return result;
  } catch (...) {
    --initialising;
    throw;
  }
}

int VeskGetPropCameraCount() {
  return CallThrowing<Export::GetPropCameraCount>(nullptr, [](auto count) { return count(); });
}

void ThrowVeskError(const CVeskNVError& error, const char* explanation) {
  throw _brantel_take_error(VeskErrorToHResult(error), explanation);
}

HRESULT VeskErrorToHResult(const CVeskNVError& error) {
  if (error.kind() == 1)
    return _brantel_take_error(error.code()).Error();
  return static_cast<HRESULT>((static_cast<std::uint32_t>(error.code()) & 0xFFFFu) |
                              static_cast<std::uint32_t>(kVeskFacilityBase));
}

void CheckVeskResult(const CVeskNVError& error, const char* function, CVeskDllWr* camera) {
  // The logged code is the code the caller receives.
  FormatVeskError(VeskErrorToHResult(error), function, camera);
}

void FormatVeskError(HRESULT code, const char* function, CVeskDllWr* camera) {
  try {
    const std::string type = camera ? cameraText(camera) : std::string();
    std::string text = tarsel::cameras::FailureEntryText(
        "SDK: 3.x", _brantel_take_error(code), CleanFunctionName(function), camera ? &type : nullptr);
    text += lastDiagnostics().Changed(diagnosticsText());
    WriteErrorInfo(text.c_str());
  } catch (...) {
    // Logging never replaces the error being logged.
  }
}
