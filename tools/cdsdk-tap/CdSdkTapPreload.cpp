// Preloaded into a program (LD_PRELOAD), this library sends the program's
// dlopen of the Canon SDK library (any path ending in libCDSDK.so) to the
// tap beside it (libCDSDKTap.so), which loads the real one and passes every
// call on. Every other dlopen, and the tap's own, goes to the system's.
#include "tools/cdsdk-tap/CdSdkTap.h"

#include "app/cameras/canon/CdSdkAbi.h"

#include <dlfcn.h>

#include <cstring>
#include <string>

namespace {

using DlOpen = void*(const char*, int);

bool endsWith(const char* text, const char* tail) {
  const std::size_t length = std::strlen(text);
  const std::size_t tailLength = std::strlen(tail);
  return length >= tailLength && std::strcmp(text + length - tailLength, tail) == 0 &&
         (length == tailLength || text[length - tailLength - 1] == '/');
}

std::string tapPath() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&tapPath), &info) == 0 || !info.dli_fname)
    return kCdSdkTapLibrary;
  const std::string self = info.dli_fname;
  const auto slash = self.rfind('/');
  return slash == std::string::npos ? kCdSdkTapLibrary : self.substr(0, slash + 1) + kCdSdkTapLibrary;
}

} // namespace

extern "C" __attribute__((visibility("default"))) void* dlopen(const char* file, int mode) {
  static DlOpen* const system = reinterpret_cast<DlOpen*>(dlsym(RTLD_NEXT, "dlopen"));
  if (file && endsWith(file, tarsel::cdsdk::kLibraryName)) {
    Dl_info caller{};
    const bool fromTap = dladdr(__builtin_return_address(0), &caller) != 0 && caller.dli_fname &&
                         endsWith(caller.dli_fname, kCdSdkTapLibrary);
    if (!fromTap)
      return system(tapPath().c_str(), mode);
  }
  return system(file, mode);
}
