#include "app/cameras/vesk/VeskModelTable.h"

#include "app/cameras/vesk/VeskCameraListFile.h"

namespace tarsel::vesk {

const std::vector<CNamePair>& BuiltInCameraModels() {
  // {identification list, model name}
  static const std::vector<CNamePair> models = {
      {"XC-500", "XC-500"},
      {"XC-510", "XC-510"},
      {"XC-520,XC-520Z", "XC-520 Zoom"},
      {"XC-550", "XC-550"},
      {"XC-600", "XC-600"},
      {"XC-610,XC-610E", "XC-610"},
      {"XC-650,XC-650P", "XC-650 Pro"},
      {"XC-701", "XC-701"},
      {"XC-702", "XC-702"},
      {"XC-705,XC-705W", "XC-705 Wide"},
      {"XC-710", "XC-710"},
      {"XC-720,XC-720S", "XC-720"},
      {"XC-800", "XC-800"},
      {"XC-810,XC-810ST", "XC-810 Studio"},
      {"KT-100", "KT-100"},
      {"KT-110", "KT-110"},
      {"KT-200,KT-200N", "KT-200"},
      {"KT-210", "KT-210"},
      {"KT-300", "KT-300"},
      {"KT-310,KT-310L", "KT-310"},
      {"KT-320,KT-320D", "KT-320 Duo"},
      {"KT-400", "KT-400"},
      {"VESK MINI1", "Vesk Mini 1"},
      {"VESK MINI2,VESK MINI2B", "Vesk Mini 2"},
      {"VESK FIELD,VESK FLD", "Vesk Field"},
  };
  return models;
}

std::vector<CNamePair> GetModelTable(const std::string& dataFolder) {
  std::vector<CNamePair> table = ReadCameraListSection(dataFolder, kUsedCamerasSection);
  const std::vector<CNamePair>& builtIn = BuiltInCameraModels();
  table.insert(table.end(), builtIn.begin(), builtIn.end());
  return table;
}

} // namespace tarsel::vesk
