// One camera family as the main frame lists it: its accessor (which keeps the
// settings object it is given and makes the family's singleton on first
// call; it may throw _brantel_take_error) and its release function (deletes
// the singleton; never throws).
#pragma once

#include <functional>
#include <string>
#include <vector>

class IBaseSDK_Wr;
class ITarselSettings;

namespace tarsel::frame {

struct SdkFamily {
  std::string name;
  std::function<IBaseSDK_Wr*(ITarselSettings*)> get;
  std::function<void()> release;
};

// The product's families in list order: camera-link, ActiveX, Canon.
std::vector<SdkFamily> ProductFamilies();

// Releases the families at program exit in the order ActiveX, camera-link,
// Canon: the list's second family, its first, then the rest in list order.
// A release that throws is passed over.
void ReleaseFamilies(const std::vector<SdkFamily>& families);

} // namespace tarsel::frame
