#include "app/cameras/lunet/LunetExtraCameras.h"

#include "platform/PrivateProfile.h"

#include <vector>

namespace tarsel::lunet {

namespace {

constexpr const char* kExtraCamsFile = "ExtraCams.cams";
constexpr const char* kUsedCamerasSection = "Used Cameras";
constexpr std::size_t kMaxNameLength = 260;

} // namespace

std::string ExtraCameraName(const std::string& dataFolder) {
  const std::string path = dataFolder + kExtraCamsFile;
  std::vector<char> keys(4096, '\0');
  GetPrivateProfileStringA(kUsedCamerasSection, nullptr, "", keys.data(), static_cast<DWORD>(keys.size() - 1),
                           path.c_str());
  std::string name(keys.data());
  name = name.substr(0, name.find(','));
  if (name.size() > kMaxNameLength)
    name.resize(kMaxNameLength);
  return name;
}

} // namespace tarsel::lunet
