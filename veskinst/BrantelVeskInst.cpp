// The exports: each runs its work inside one try, so no exception leaves the
// library; an unexpected one is 0x8000FFFF.
#include "veskinst/BrantelVeskInst.h"

#include "platform/Win32Error.h"
#include "veskinst/UdevRuleFile.h"
#include "veskinst/VeskAccessInstaller.h"

#include <algorithm>
#include <cstring>
#include <string>

#include <new>

namespace {

using tarsel::veskinst::VeskAccessInstaller;

template <class Work> int guarded(Work work) noexcept {
  try {
    return work(VeskAccessInstaller(VeskAccessInstaller::pathsFromEnvironment()));
  } catch (const std::bad_alloc&) {
    return static_cast<int>(E_OUTOFMEMORY);
  } catch (...) {
    return static_cast<int>(E_UNEXPECTED);
  }
}

} // namespace

extern "C" int IsBrantelVeskRegisterd(void) {
  const int result = guarded([](const VeskAccessInstaller& installer) { return installer.isRegistered(); });
  return result > 0 ? 1 : 0;
}

extern "C" int UpdateCameras(void) {
  return guarded([](const VeskAccessInstaller& installer) {
    return installer.update(VeskAccessInstaller::supportedNames());
  });
}

extern "C" int RegisterBrantelVesk(int) {
  return guarded([](const VeskAccessInstaller& installer) {
    return installer.install(VeskAccessInstaller::supportedNames());
  });
}

extern "C" int UnregisterBrantelVesk(int) {
  return guarded([](const VeskAccessInstaller& installer) { return installer.uninstall(); });
}

extern "C" int BrantelVeskRefusedModels(char* buffer, int size) {
  try {
    std::string text;
    for (const std::string& name :
         tarsel::veskinst::UdevRuleFile::refusedNames(VeskAccessInstaller::supportedNames())) {
      if (!text.empty())
        text += ", ";
      text += name;
    }
    if (buffer && size > 0) {
      const std::size_t copied = std::min(text.size(), static_cast<std::size_t>(size) - 1);
      std::memcpy(buffer, text.data(), copied);
      buffer[copied] = '\0';
    }
    return static_cast<int>(std::min<std::size_t>(text.size(), 1 << 20));
  } catch (...) {
    return 0;
  }
}
