#include "vesklib/bench/BenchSetup.h"

#include "platform/reg/Registry.h"

#include <cstdlib>
#include <filesystem>

namespace tarsel::vesk::bench {

std::string programFolder() {
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string(".") : self.parent_path().string();
}

bool nameSimulatedCamera(const std::string& dir) {
  ::setenv("TARSEL_REGISTRY_DIR", (dir + "/registry").c_str(), 1);
  ::setenv("TARSEL_MACHINE_REGISTRY", (dir + "/registry/machine.reg").c_str(), 1);
  std::error_code ec;
  std::filesystem::create_directories(dir + "/registry", ec);
  HKEY key = nullptr;
  DWORD disposition = 0;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Brantel\\Vesk\\SupportedCamera", 0, nullptr,
                      REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key, &disposition) != 0)
    return false;
  static const char kModels[] = "XC-701";
  const LONG result =
      RegSetValueExA(key, "Type_S", 0, REG_SZ, reinterpret_cast<const BYTE*>(kModels), sizeof kModels);
  RegCloseKey(key);
  return result == 0;
}

} // namespace tarsel::vesk::bench
