#include "app/cameras/vesk/VeskCapabilityDefaults.h"

namespace tarsel::vesk {
namespace {

using tarsel::core::CapabilityValue;

const CapabilityValue kProgramModes[] = {
    {2, "Auto"}, {1, "Manual"}, {3, "Aperture Priority"}, {4, "Shutter priority"}, {0, nullptr},
};

// Id 5 stands for three speeds.
const CapabilityValue kIsoSpeeds[] = {
    {0, "Auto"}, {5, "50"},  {5, "64"},  {5, "80"},    {1, "100"},
    {2, "200"},  {3, "400"}, {4, "800"}, {0, nullptr},
};

const CapabilityValue kIsoSpeedsXc701[] = {
    {0, "Auto"}, {1, "64"},  {2, "80"},  {3, "100"}, {4, "125"},   {5, "160"},
    {6, "200"},  {7, "250"}, {8, "320"}, {9, "400"}, {0, nullptr},
};

const CapabilityValue kFlashModes[] = {
    {0, "Auto"},  {1, "On"}, {2, "Off"}, {3, "Red Eye Reduction"}, {4, "Slow Sync"}, {6, "Red Eye Fill-in"},
    {0, nullptr},
};

const CapabilityValue kExternalFlash[] = {
    {0, "No Flash"}, {1, "Connect"}, {2, "Only"}, {3, "Slave"}, {0, nullptr},
};

const CapabilityValue kWhiteBalances[] = {
    {0, "Auto"},
    {1, "Daylight"},
    {2, "Fluorescent"},
    {3, "Tungsten"},
    {4, "Daylight Fluorescent"},
    {5, "Day White Fluorescent"},
    {6, "Cool White Fluorescent"},
    {7, "Approx. 3500K"},
    {8, "Daylight Shade"},
    {9, "Sunset"},
    {10, "Preset One Touch"},
    {255, "Cloudy"},
    {0, nullptr},
};

const CapabilityValue kMeteringModes[] = {
    {2, "Center Weighted"}, {3, "Spot"}, {4, "ESP"}, {5, "Pattern"}, {0, nullptr},
};

// Microseconds; the label is the time in seconds with the seconds sign.
const CapabilityValue kExposureTimes[] = {
    {250, "1/4000\""},   {313, "1/3200\""},  {400, "1/2500\""},   {500, "1/2000\""}, {625, "1/1600\""},
    {800, "1/1250\""},   {1000, "1/1000\""}, {1250, "1/800\""},   {1538, "1/650\""}, {2000, "1/500\""},
    {2500, "1/400\""},   {3125, "1/320\""},  {4000, "1/250\""},   {5000, "1/200\""}, {6250, "1/160\""},
    {8000, "1/125\""},   {10000, "1/100\""}, {12500, "1/80\""},   {16666, "1/60\""}, {20000, "1/50\""},
    {25000, "1/40\""},   {33333, "1/30\""},  {40000, "1/25\""},   {50000, "1/20\""}, {66666, "1/15\""},
    {76923, "1/13\""},   {100000, "1/10\""}, {125000, "1/8\""},   {166666, "1/6\""}, {200000, "1/5\""},
    {250000, "1/4\""},   {333333, "1/3\""},  {400000, "1/2.5\""}, {500000, "1/2\""}, {625000, "1/1.6\""},
    {769230, "1/1.3\""}, {1000000, "1\""},   {2000000, "2\""},    {5000000, "5\""},  {10000000, "10\""},
    {13000000, "13\""},  {15000000, "15\""}, {16000000, "16\""},  {0, nullptr},
};

// Tenths of the f-number; below 10 the label starts with a blank.
const CapabilityValue kApertures[] = {
    {18, " 1.8"}, {20, " 2.0"}, {23, " 2.3"}, {26, " 2.5"},  {28, " 2.8"},  {32, " 3.2"},
    {35, " 3.5"}, {40, " 4.0"}, {45, " 4.5"}, {50, " 5.0"},  {56, " 5.6"},  {63, " 6.3"},
    {70, " 7.0"}, {80, " 8.0"}, {90, " 9.0"}, {100, "10.0"}, {110, "11.0"}, {0, nullptr},
};

// Tenths of a step.
const CapabilityValue kExposureBiases[] = {
    {-20, "-2.0"}, {-17, "-1.7"}, {-13, "-1.3"}, {-10, "-1.0"}, {-7, "-0.7"}, {-3, "-0.3"}, {0, " 0.0"},
    {3, "+0.3"},   {7, "+0.7"},   {10, "+1.0"},  {13, "+1.3"},  {17, "+1.7"}, {20, "+2.0"}, {0, nullptr},
};

const CapabilityValue kDigitalZooms[] = {
    {0, "Off"}, {520, "x1.5"}, {8, "x2.0"}, {1032, "x2.5"}, {0, nullptr},
};

const CapabilityValue kDigitalZoomsXc702[] = {
    {0, "Off"},  {520, "x1.1"},   {776, "x1.26"}, {1032, "x1.45"}, {520, "x1.5"}, {1288, "x1.71"},
    {8, "x2.0"}, {1544, "x2.10"}, {1032, "x2.5"}, {1800, "x2.70"}, {0, nullptr},
};

// Ids 18 and 19 stand for two sizes each.
const CapabilityValue kResolutions[] = {
    {1, "640x480 JPEG N"},
    {4, "640x480 JPEG H"},
    {5, "1024x768 JPEG N"},
    {6, "1024x768 JPEG H"},
    {7, "1280x960 JPEG N"},
    {8, "1280x960 JPEG H"},
    {11, "1368x1024 JPEG N"},
    {12, "1368x1024 JPEG H"},
    {9, "1600x1200 JPEG N"},
    {10, "1600x1200 JPEG H"},
    {2, "2048x1536 JPEG N"},
    {3, "2048x1536 JPEG H"},
    {13, "2288x1712 JPEG N"},
    {14, "2288x1712 JPEG H"},
    {15, "2288x1520 JPEG N"},
    {16, "2288x1520 JPEG H"},
    {17, "2816x2112 JPEG N"},
    {18, "2816x2112 JPEG H"},
    {18, "3200x2400 JPEG N"},
    {19, "3200x2400 JPEG H"},
    {19, "3264_2448 JPEG N"},
    {20, "3264_2448 JPEG H"},
    {33, "640x480 TIFF"},
    {34, "1024x768 TIFF"},
    {35, "1280x960 TIFF"},
    {36, "1600x1200 TIFF"},
    {37, "2048x1536 TIFF"},
    {38, "2288x1712 TIFF"},
    {39, "2288x1520 TIFF"},
    {40, "2560x1696 TIFF"},
    {48, "3264x2448 TIFF"},
    {57, "3264x2176 TIFF"},
    {49, "RAW"},
    {0, nullptr},
};

const CapabilityValue kResolutionsXc702[] = {
    {1, "640x480 JPEG N"},
    {4, "640x480 JPEG H"},
    {5, "1024x768 JPEG N"},
    {6, "1024x768 JPEG H"},
    {7, "1280x960 JPEG N"},
    {8, "1280x960 JPEG H"},
    {11, "1368x1024 JPEG N"},
    {12, "1368x1024 JPEG H"},
    {9, "1600x1200 JPEG N"},
    {10, "1600x1200 JPEG H"},
    {2, "2048x1536 JPEG N"},
    {3, "2048x1536 JPEG H"},
    {13, "2288x1712 JPEG N"},
    {14, "2288x1712 JPEG H"},
    {33, "640x480 TIFF"},
    {34, "1024x768 TIFF"},
    {38, "2288x1712 TIFF"},
    {49, "RAW"},
    {0, nullptr},
};

const CapabilityValue kResolutionsKt300[] = {
    {1, "640x480 JPEG N"},  {4, "640x480 JPEG H"},  {5, "1024x768 JPEG N"},
    {6, "1024x768 JPEG H"}, {7, "1280x960 JPEG N"}, {8, "1280x960 JPEG H"},
    {33, "640x480 TIFF"},   {34, "1024x768 TIFF"},  {49, "RAW"},
    {0, nullptr},
};

// Models with a resolution table of their own, and the range of ids the
// capability test tries on them (0..0: the table's ids only).
struct ModelResolutions {
  const char* models;
  const CapabilityValue* table;
  CRange range;
};

const ModelResolutions kModelResolutions[] = {
    {"XC-702,XC-705,XC-705W", kResolutionsXc702, CRange(1, 69)},
    {"KT-300,KT-310,KT-310L,KT-320,KT-320D", kResolutionsKt300, CRange(0, 0)},
};

// The lens of each model, in tenths of the zoom factor; rows without a
// range name models whose range the capability test finds.
struct ModelZoom {
  const char* models;
  bool known;
  std::int32_t min;
  std::int32_t max;
};

const ModelZoom kModelZooms[] = {
    {"XC-500,XC-510,XC-520,XC-520Z,XC-550", false, -1, -1},
    {"XC-701", true, 73, 210},
    {"XC-702,XC-705,XC-705W", true, 66, 191},
    {"XC-710,XC-720,XC-720S", true, 73, 210},
    {"XC-800,XC-810,XC-810ST", true, 75, 198},
    {"KT-300,KT-310,KT-310L,KT-320,KT-320D", true, 80, 240},
    {"VESK MINI1,VESK MINI2,VESK MINI2B,VESK FIELD,VESK FLD", false, -1, -1},
};

CapabilityDefaults resolutionDefaults(std::string_view cameraType) {
  for (const ModelResolutions& row : kModelResolutions)
    if (ModelListContains(row.models, cameraType))
      return {"Resolution", "Resolution", row.range, row.table};
  return {"Resolution", "Resolution", CRange(-1, -1), kResolutions};
}

} // namespace

bool ModelListContains(std::string_view list, std::string_view cameraType) {
  return !cameraType.empty() && list.find(cameraType) != std::string_view::npos;
}

CapabilityDefaults DefaultCapability(int index, std::string_view cameraType) {
  const bool xc701 = cameraType == "XC-701";
  const bool xc702 = cameraType == "XC-702";
  switch (index) {
  case kProgramModeCapability:
    // The lookup name is spelt as the family has always spelt it.
    return {"ProgamMode", "ProgramMode", CRange(-1, -1), kProgramModes};
  case kIsoSpeedCapability:
    return {"ISOSpeed", "ISOSpeed", xc701 ? CRange(0, 9) : CRange(0, 5),
            xc701 ? kIsoSpeedsXc701 : kIsoSpeeds};
  case kFlashModeCapability:
    return {"FlashMode", "FlashMode", CRange(0, 4), kFlashModes};
  case kExternalFlashCapability:
    return {"ExternalFlash", "ExternalFlash", CRange(-1, -1), kExternalFlash};
  case kWhiteBalanceCapability:
    return {"WhiteBalance", "WhiteBalance", CRange(0, 10), kWhiteBalances};
  case kMeteringModeCapability:
    return {"MeteringMode", "MeteringMode", CRange(3, 5), kMeteringModes};
  case kExposureTimeCapability:
    return {"ExposureTime", "ExposureTime", CRange(-1, -1), kExposureTimes};
  case kApertureCapability:
    return {"Aperture", "Aperture", CRange(-1, -1), kApertures};
  case kExposureBiasCapability:
    return {"ExposureBias", "ExposureBias", CRange(-1, -1), kExposureBiases};
  case kResolutionCapability:
    return resolutionDefaults(cameraType);
  case kDigitalZoomCapability:
    return {"DigitalZoom", "DigitalZoom", CRange(-1, -1), xc702 ? kDigitalZoomsXc702 : kDigitalZooms};
  default:
    return {"", "", CRange(-1, -1), nullptr};
  }
}

CRange DefaultOpticalZoomRange(std::string_view cameraType) {
  for (const ModelZoom& row : kModelZooms)
    if (ModelListContains(row.models, cameraType))
      return row.known ? CRange(row.min, row.max) : CRange(-1, -1);
  return CRange(-1, -1);
}

const tarsel::core::CapabilityValue* WhiteBalanceTable() {
  return kWhiteBalances;
}

const tarsel::core::CapabilityValue* IsoSpeedTable() {
  return kIsoSpeeds;
}

} // namespace tarsel::vesk
