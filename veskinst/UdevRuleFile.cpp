#include "veskinst/UdevRuleFile.h"

#include <algorithm>

namespace tarsel::veskinst {

bool UdevRuleFile::isSafeName(std::string_view name) {
  if (name.size() < kMinNameLength || name.size() > kMaxNameLength || name.front() == ' ' ||
      name.back() == ' ')
    return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7F)
      return false;
    return std::string_view("\",\\*?[]|").find(c) == std::string_view::npos;
  });
}

std::string UdevRuleFile::text(const std::vector<std::string>& names, std::vector<std::string>* refused) {
  std::string out = "# Camera-link cameras: the user at the console (and the group plugdev) may open\n"
                    "# their SCSI generic nodes. Written by the BrantelVesk driver configuration and\n"
                    "# rewritten on each camera refresh; changes made here are lost.\n";
  std::vector<std::string> written;
  for (const std::string& name : names) {
    if (!isSafeName(name)) {
      if (refused)
        refused->push_back(name);
      continue;
    }
    if (std::find(written.begin(), written.end(), name) != written.end())
      continue;
    written.push_back(name);
    out += "SUBSYSTEM==\"scsi_generic\", ATTRS{model}==\"" + name +
           "\", MODE=\"0660\", GROUP=\"plugdev\", TAG+=\"uaccess\"\n";
  }
  return out;
}

std::vector<std::string> UdevRuleFile::refusedNames(const std::vector<std::string>& names) {
  std::vector<std::string> refused;
  for (const std::string& name : names) {
    if (!isSafeName(name) && std::find(refused.begin(), refused.end(), name) == refused.end())
      refused.push_back(name);
  }
  return refused;
}

} // namespace tarsel::veskinst
