#include "app/frame/SdkFamily.h"

#include "app/cameras/canon/CanonCDSdkWrapper.h"
#include "app/cameras/lunet/LunetSdkWrapper.h"
#include "app/cameras/vesk/VeskSdkWrapper.h"

namespace tarsel::frame {

std::vector<SdkFamily> ProductFamilies() {
  std::vector<SdkFamily> families;
  families.push_back({"camera-link",
                      [](ITarselSettings* settings) -> IBaseSDK_Wr* { return GetVeskSdkWrapper(settings); },
                      [] { ReleaseVeskSdkWrapper(); }});
  families.push_back({"ActiveX", [](ITarselSettings* settings) { return GetLunetSdkWrapper(settings); },
                      [] { ReleaseLunetSdkWrapper(); }});
  families.push_back({"Canon", [](ITarselSettings* settings) { return GetCanonCDSdkWrapper(settings); },
                      [] { ReleaseCanonCDSdkWrapper(); }});
  return families;
}

namespace {

// Where the families stand in the product's list.
constexpr std::size_t kCameraLinkFamily = 0;
constexpr std::size_t kActiveXFamily = 1;

} // namespace

void ReleaseFamilies(const std::vector<SdkFamily>& families) {
  // The ActiveX family goes down first, then the camera-link family; the
  // others follow in list order.
  std::vector<std::size_t> order;
  if (families.size() > kActiveXFamily)
    order = {kActiveXFamily, kCameraLinkFamily};
  for (std::size_t i = order.size(); i < families.size(); ++i)
    order.push_back(i);
  for (const std::size_t index : order) {
    if (!families[index].release)
      continue;
    try {
      families[index].release();
    } catch (...) {
    }
  }
}

} // namespace tarsel::frame
