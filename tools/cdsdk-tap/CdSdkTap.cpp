#include "tools/cdsdk-tap/CdSdkTap.h"

#include "app/cameras/canon/CdSdkAbi.h"
#include "sim/cdsdk/CdSimControl.h"

#include <dlfcn.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#define CDSDK_TAP_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

namespace cdsdk = tarsel::cdsdk;
using cdsdk::u16;
using cdsdk::u32;

constexpr int kCameras = 16;
constexpr std::size_t kMaxStamps = 1 << 20;

struct Tap {
  std::mutex lock;
  void* library = nullptr;
  cdsdk::FnStartSdk* start = nullptr;
  cdsdk::FnGetFunctions* getFunctions = nullptr;
  cdsdk::FnFinishSdk* finish = nullptr;
  cdsdk::FnRelease* release = nullptr;
  std::unique_ptr<tarsel::cdsim::CdSimControls> controls;
  std::vector<std::uint64_t> stamps;
  // The bytes last written per (camera, item), so one release is written once.
  std::map<std::pair<int, u32>, std::string> written;
  int releases = 0;
};

Tap& tap() {
  static Tap instance;
  return instance;
}

std::uint64_t monotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000000000ull + static_cast<std::uint64_t>(now.tv_nsec);
}

std::string besideThisLibrary(const char* name) {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&besideThisLibrary), &info) == 0 || !info.dli_fname)
    return name;
  std::string path = info.dli_fname;
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? name : path.substr(0, slash + 1) + name;
}

// Loads the stand-in once; false when it cannot be loaded.
bool bind(Tap& t) {
  if (t.library)
    return true;
  const char* named = std::getenv("CDSDK_TAP_TARGET");
  const std::string path = named && *named ? named : besideThisLibrary(cdsdk::kLibraryName);
  t.library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!t.library) {
    std::fprintf(stderr, "cdsdk-tap: %s\n", dlerror());
    return false;
  }
  t.start = reinterpret_cast<cdsdk::FnStartSdk*>(dlsym(t.library, cdsdk::kStartSdkExport));
  t.getFunctions = reinterpret_cast<cdsdk::FnGetFunctions*>(dlsym(t.library, cdsdk::kGetFunctionsExport));
  t.finish = reinterpret_cast<cdsdk::FnFinishSdk*>(dlsym(t.library, cdsdk::kFinishSdkExport));
  t.controls = std::make_unique<tarsel::cdsim::CdSimControls>(t.library);
  return true;
}

// Writes the items of every camera's last release that were not written yet.
void keepReleasedItems(Tap& t) {
  const char* folder = std::getenv("CDSDK_TAP_KEPT");
  if (!folder || !*folder || !t.controls || !t.controls->payload)
    return;
  for (int camera = 0; camera < kCameras; ++camera) {
    for (u32 item = 0;; ++item) {
      std::string bytes(t.controls->payload(camera, item, nullptr, 0), '\0');
      if (bytes.empty())
        break;
      t.controls->payload(camera, item, bytes.data(), bytes.size());
      std::string& last = t.written[{camera, item}];
      if (last == bytes)
        continue;
      const bool jpeg = bytes.size() > 2 && bytes[0] == '\xFF' && bytes[1] == '\xD8';
      const std::string path = std::string(folder) + "/cdsdk" + std::to_string(camera) + "-" +
                               std::to_string(t.releases) + "-" + std::to_string(item) +
                               (jpeg ? ".jpg" : ".bin");
      std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      last = std::move(bytes);
    }
  }
}

u32 tappedRelease(u32 source, u16 flag, cdsdk::ProgressCallback* callback, void* context, u32 option,
                  u32* outCount, u32 reserved) {
  Tap& t = tap();
  const std::uint64_t stamp = monotonicNs();
  {
    const std::lock_guard guard(t.lock);
    if (t.stamps.size() < kMaxStamps)
      t.stamps.push_back(stamp);
  }
  const u32 result = t.release(source, flag, callback, context, option, outCount, reserved);
  if (result == 0) {
    const std::lock_guard guard(t.lock);
    ++t.releases;
    keepReleasedItems(t);
  }
  return result;
}

} // namespace

CDSDK_TAP_EXPORT u32 CDStartSDK(const cdsdk::VersionRecord* version, u32 reserved) {
  Tap& t = tap();
  {
    const std::lock_guard guard(t.lock);
    if (!bind(t) || !t.start)
      return cdsdk::kErrNotImplemented;
  }
  return t.start(version, reserved);
}

CDSDK_TAP_EXPORT u32 CDGetFunctions(CanonSdkFunctionTable* table) {
  Tap& t = tap();
  {
    const std::lock_guard guard(t.lock);
    if (!bind(t) || !t.getFunctions)
      return cdsdk::kErrNotImplemented;
  }
  const u32 result = t.getFunctions(table);
  if (result == 0 && table) {
    const std::lock_guard guard(t.lock);
    t.release = cdsdk::entry<cdsdk::kEntryRelease>(*table);
    if (t.release)
      cdsdk::setEntry<cdsdk::kEntryRelease>(*table, &tappedRelease);
  }
  return result;
}

CDSDK_TAP_EXPORT u32 CDFinishSDK() {
  Tap& t = tap();
  {
    const std::lock_guard guard(t.lock);
    if (!bind(t) || !t.finish)
      return cdsdk::kErrNotImplemented;
  }
  return t.finish();
}

CDSDK_TAP_EXPORT std::size_t cdsdk_tap_releases(std::uint64_t* out, std::size_t size) {
  Tap& t = tap();
  const std::lock_guard guard(t.lock);
  if (out)
    std::memcpy(out, t.stamps.data(), std::min(size, t.stamps.size()) * sizeof(std::uint64_t));
  return t.stamps.size();
}
