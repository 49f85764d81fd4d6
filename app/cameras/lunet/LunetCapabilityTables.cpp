#include "app/cameras/lunet/LunetCapabilityTables.h"

#include <cstring>

namespace tarsel::lunet {
namespace {

using tarsel::core::CapabilityValue;

const CapabilityValue kProgramModes[] = {
    {1, "Manual"}, {2, "Auto"}, {3, "Aperture Priority"}, {4, "Shutter priority"}, {0, nullptr},
};

const CapabilityValue kIsoSpeeds[] = {{0, "Auto"}, {1, "100"}, {2, "200"}, {3, "400"}, {0, nullptr}};

const CapabilityValue kFlashModes[] = {
    {0, "Auto"}, {1, "On"}, {2, "Off"}, {3, "Red Eye Reduction"}, {4, "Slow Sync."}, {0, nullptr},
};

const CapabilityValue kExternalFlash[] = {{1, "Unsupported"}, {0, nullptr}};

const CapabilityValue kWhiteBalances[] = {
    {0, "Auto"},     {1, "Daylight"}, {2, "Fluorescent Light"}, {3, "Tungsten Lamp"}, {225, "Preset"},
    {255, "Cloudy"}, {0, nullptr},
};

const CapabilityValue kMeteringModes[] = {
    {2, "Center weighted average"},
    {3, "Spot mode"},
    {5, "Multi mode"},
    {0, nullptr},
};

// Microseconds; the label is the time in seconds with the seconds sign.
const CapabilityValue kExposureTimes[] = {
    {1250, "1/800\""},   {1538, "1/650\""}, {2000, "1/500\""},   {2500, "1/400\""},   {3125, "1/320\""},
    {4000, "1/250\""},   {5000, "1/200\""}, {6250, "1/160\""},   {8000, "1/125\""},   {10000, "1/100\""},
    {12500, "1/80\""},   {16666, "1/60\""}, {20000, "1/50\""},   {25000, "1/40\""},   {33333, "1/30\""},
    {40000, "1/25\""},   {50000, "1/20\""}, {66666, "1/15\""},   {76923, "1/13\""},   {100000, "1/10\""},
    {125000, "1/8\""},   {166666, "1/6\""}, {200000, "1/5\""},   {250000, "1/4\""},   {333333, "1/3\""},
    {400000, "1/2.5\""}, {500000, "1/2\""}, {625000, "1/1.6\""}, {769230, "1/1.3\""}, {1000000, "1\""},
    {2000000, "2\""},    {5000000, "5\""},  {10000000, "10\""},  {13000000, "13\""},  {16000000, "16\""},
    {0, nullptr},
};

// Tenths of the f-number, right-aligned in four characters.
const CapabilityValue kApertures[] = {
    {28, " 2.8"}, {32, " 3.2"}, {36, " 3.6"}, {40, " 4.0"}, {45, " 4.5"},  {50, " 5.0"},  {56, " 5.6"},
    {63, " 6.3"}, {70, " 7.0"}, {80, " 8.0"}, {90, " 9.0"}, {100, "10.0"}, {110, "11.0"}, {0, nullptr},
};

// Tenths of a step: the sign, a blank, the magnitude.
const CapabilityValue kExposureBiases[] = {
    {-20, "- 2.0"}, {-17, "- 1.7"}, {-15, "- 1.5"}, {-13, "- 1.3"}, {-10, "- 1.0"}, {-7, "- 0.7"},
    {-5, "- 0.5"},  {-3, "- 0.3"},  {0, "  0.0"},   {3, "+ 0.3"},   {5, "+ 0.5"},   {7, "+ 0.7"},
    {10, "+ 1.0"},  {13, "+ 1.3"},  {15, "+ 1.5"},  {17, "+ 1.7"},  {20, "+ 2.0"},  {0, nullptr},
};

const CapabilityValue kResolutions[] = {
    {2, "2048x1536 HQ"},        {3, "2048x1536 SHQ"},       {1, "640x480 Normal SQ2"},
    {4, "640x480 High SQ2"},    {5, "1024x768 Normal SQ2"}, {6, "1024x768 High SQ2"},
    {7, "1280x960 Normal SQ1"}, {8, "1280x960 High SQ1"},   {9, "1600x1200 Normal SQ1"},
    {10, "1600x1200 High SQ1"}, {33, "640x480 TIFF"},       {34, "1024x768 TIFF"},
    {35, "1280x960 TIFF"},      {36, "1600x1200 TIFF"},     {37, "2048x1536 TIFF"},
    {17, "640x480 Economy"},    {18, "640x480 Standard"},   {0, nullptr},
};

const CapabilityValue kDigitalZooms[] = {
    {0, "Off"}, {520, "x1.6"}, {776, "x2.0"}, {1032, "x2.5"}, {8, "On (x2.0)"}, {0, nullptr},
};

const LunetCapabilityDefaults kDefaults[kLunetCapabilityCount] = {
    {"ProgramMode", CRange(-1, -1), kProgramModes},    {"ISOSpeed", CRange(0, 3), kIsoSpeeds},
    {"FlashMode", CRange(-1, -1), kFlashModes},        {"ExternalFlash", CRange(-1, -1), kExternalFlash},
    {"WhiteBalance", CRange(-1, -1), kWhiteBalances},  {"MeteringMode", CRange(-1, -1), kMeteringModes},
    {"ExposureTime", CRange(-1, -1), kExposureTimes},  {"Aperture", CRange(-1, -1), kApertures},
    {"ExposureBias", CRange(-1, -1), kExposureBiases}, {"Resolution", CRange(1, 37), kResolutions},
    {"DigitalZoom", CRange(-1, -1), kDigitalZooms},
};

struct NamedIndex {
  const char* name;
  int index;
};

// The dialogs' key of the program mode lacks an "r"; the set's own name has it.
const NamedIndex kCapabilityNames[] = {
    {"ProgamMode", kLunetProgramMode},    {"ISOSpeed", kLunetIsoSpeed},
    {"FlashMode", kLunetFlashMode},       {"WhiteBalance", kLunetWhiteBalance},
    {"MeteringMode", kLunetMeteringMode}, {"ExposureTime", kLunetExposureTime},
    {"Aperture", kLunetAperture},         {"ExposureBias", kLunetExposureBias},
    {"Resolution", kLunetResolution},     {"DigitalZoom", kLunetDigitalZoom},
};

const NamedIndex kRangeNames[] = {
    {"Focus", kLunetFocusRange},
    {"OpticalZoom", kLunetOpticalZoomRange},
    {"LcdBrightness", kLunetLcdBrightnessRange},
};

template <std::size_t N> int findName(const NamedIndex (&names)[N], const char* name) {
  if (!name)
    return -1;
  for (const NamedIndex& entry : names)
    if (std::strcmp(entry.name, name) == 0)
      return entry.index;
  return -1;
}

} // namespace

const LunetCapabilityDefaults& LunetCapabilityDefault(int index) {
  return kDefaults[index];
}

int LunetCapabilityIndex(const char* name) {
  return findName(kCapabilityNames, name);
}

int LunetRangeIndex(const char* name) {
  return findName(kRangeNames, name);
}

const char* LunetRangeName(int index) {
  return kRangeNames[index].name;
}

const tarsel::core::CapabilityValue* LunetDigitalZoomTable() {
  return kDigitalZooms;
}

const tarsel::core::CapabilityValue* LunetWhiteBalanceTable() {
  return kWhiteBalances;
}

const tarsel::core::CapabilityValue* LunetIsoSpeedTable() {
  return kIsoSpeeds;
}

const tarsel::cameras::KeywordTables& LunetKeywordTables() {
  static const tarsel::cameras::KeywordTables tables = [] {
    tarsel::cameras::KeywordTables made;
    made.aperture = kApertures;
    made.exposureTime = kExposureTimes;
    made.programMode = kProgramModes;
    made.expoBias = kExposureBiases;
    made.isoSpeed = kIsoSpeeds;
    made.flash = kFlashModes;
    made.whiteBalance = kWhiteBalances;
    made.metering = kMeteringModes;
    made.programModeWords = tarsel::cameras::CommonProgramModeWords();
    made.flashWords = tarsel::cameras::CommonFlashWords();
    made.whiteBalanceWords = tarsel::cameras::CommonWhiteBalanceWords();
    made.meteringWords = {{"Center weighted", 2}, {"Spot", 3}, {"Averaging", 5}};
    made.skipsEmptyValues = true;
    return made;
  }();
  return tables;
}

} // namespace tarsel::lunet
