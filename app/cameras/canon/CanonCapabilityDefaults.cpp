#include "app/cameras/canon/CanonCapabilityDefaults.h"

#include <cstring>

namespace tarsel::canon {
namespace {

using tarsel::core::CapabilityValue;

const CapabilityValue kProgramModes[] = {{0, "Auto"},
                                         {1, "Program"},
                                         {2, "Tv"},
                                         {3, "Av"},
                                         {4, "Manual"},
                                         {5, "A Dep"},
                                         {6, "M Dep"},
                                         {7, "Bulb"},
                                         {101, "Manual 2"},
                                         {102, "Far Scene"},
                                         {103, "Fast Shutter"},
                                         {104, "Slow Shutter"},
                                         {105, "Night Scene"},
                                         {106, "Gray Scale"},
                                         {107, "Sepia"},
                                         {108, "Portrait"},
                                         {109, "Spot"},
                                         {110, "Macro"},
                                         {111, "BW"},
                                         {112, "Panfocus"},
                                         {113, "Vivid"},
                                         {114, "Neutral"},
                                         {115, "Flash Off"},
                                         {116, "Long Shutter"},
                                         {117, "Super Macro"},
                                         {118, "Foliage"},
                                         {119, "Indoor"},
                                         {120, "Fireworks"},
                                         {121, "Beach"},
                                         {122, "Underwater"},
                                         {123, "Snow"},
                                         {124, "Kids and pets"},
                                         {125, "Night Snapshot"},
                                         {126, "Digital Macro"},
                                         {127, "Mycolors"},
                                         {128, "Photo in movie"},
                                         {0, nullptr}};

const CapabilityValue kIsoSpeeds[] = {
    {0, "Auto"},   {40, "6"},     {43, "8"},     {45, "10"},    {48, "12"},    {51, "16"},    {53, "20"},
    {56, "25"},    {59, "32"},    {61, "40"},    {64, "50"},    {67, "64"},    {69, "80"},    {72, "100"},
    {75, "125"},   {77, "160"},   {80, "200"},   {83, "250"},   {85, "320"},   {88, "400"},   {91, "500"},
    {93, "640"},   {96, "800"},   {99, "1000"},  {101, "1250"}, {104, "1600"}, {107, "2000"}, {109, "2500"},
    {112, "3200"}, {115, "4000"}, {117, "5000"}, {120, "6400"}, {0, nullptr}};

const CapabilityValue kFlashModes[] = {
    {0, "Off"},       {1, "Auto"},           {2, "On"},           {3, "Red Eye Reduction"},
    {4, "Slow Sync"}, {5, "Auto (Red Eye)"}, {6, "On (Red Eye)"}, {0, nullptr}};

const CapabilityValue kWhiteBalances[] = {{0, "Auto"},
                                          {1, "Daylight"},
                                          {2, "Cloudy"},
                                          {3, "Tungsten"},
                                          {4, "Fluorescent"},
                                          {5, "Flash"},
                                          {6, "Custom"},
                                          {7, "BW"},
                                          {8, "Shade for Type B&C)"},
                                          {9, "Kelvin for Type B&C)"},
                                          {10, "PC Set1 for Type B"},
                                          {11, "PC Set2 for Type B"},
                                          {12, "PC Set3 for Type B"},
                                          {14, "Fluorescent H"},
                                          {15, "Custom 1"},
                                          {16, "Custom 2"},
                                          {0, nullptr}};

const CapabilityValue kMeteringModes[] = {{0, "Center weighted"},
                                          {1, "Spot"},
                                          {2, "Averaging"},
                                          {3, "Evaluative"},
                                          {4, "Partial"},
                                          {5, "Center-weighted averaging 2"},
                                          {0, nullptr}};

const CapabilityValue kExposureTimes[] = {
    {16, "30\""},       {19, "25\""},       {21, "20\""},       {24, "15\""},      {27, "13\""},
    {29, "10\""},       {32, "8\""},        {35, "6\""},        {37, "5\""},       {40, "4\""},
    {43, "3.2\""},      {45, "2.5\""},      {48, "2\""},        {51, "1.6\""},     {53, "1.3\""},
    {56, "1\""},        {59, "0.8\""},      {61, "0.6\""},      {64, "0.5\""},     {67, "0.4\""},
    {69, "0.3\""},      {72, "1/4\""},      {75, "1/5\""},      {77, "1/6\""},     {80, "1/8\""},
    {83, "1/10\""},     {85, "1/13\""},     {88, "1/15\""},     {91, "1/20\""},    {93, "1/25\""},
    {96, "1/30\""},     {99, "1/40\""},     {101, "1/50\""},    {104, "1/60\""},   {107, "1/80\""},
    {109, "1/100\""},   {112, "1/125\""},   {115, "1/160\""},   {117, "1/200\""},  {120, "1/250\""},
    {123, "1/320\""},   {125, "1/400\""},   {128, "1/500\""},   {131, "1/640\""},  {133, "1/800\""},
    {136, "1/1000\""},  {139, "1/1250\""},  {141, "1/1600\""},  {144, "1/2000\""}, {147, "1/2500\""},
    {149, "1/3200\""},  {152, "1/4000\""},  {155, "1/5000\""},  {157, "1/6400\""}, {160, "1/8000\""},
    {163, "1/10000\""}, {165, "1/12800\""}, {168, "1/16000\""}, {0, nullptr}};

const CapabilityValue kApertures[] = {
    {8, " 1.0"},   {11, " 1.1"},  {13, " 1.2"},  {16, " 1.4"},  {19, " 1.6"},  {21, " 1.8"}, {24, " 2.0"},
    {27, " 2.2"},  {29, " 2.5"},  {32, " 2.8"},  {35, " 3.2"},  {37, " 3.5"},  {40, " 4.0"}, {43, " 4.5"},
    {45, " 5.0"},  {48, " 5.6"},  {51, " 6.3"},  {53, " 7.1"},  {56, " 8.0"},  {59, " 9.0"}, {61, "10.0"},
    {64, "11.0"},  {67, "13.0"},  {69, "14.0"},  {72, "16.0"},  {75, "18.0"},  {77, "20.0"}, {80, "22.0"},
    {83, "25.0"},  {85, "29.0"},  {88, "32.0"},  {91, "36.0"},  {93, "40.0"},  {96, "45.0"}, {99, "51.0"},
    {101, "57.0"}, {104, "64.0"}, {107, "72.0"}, {109, "81.0"}, {112, "91.0"}, {0, nullptr}};

const CapabilityValue kExposureBiases[] = {
    {48, "-3.00"}, {45, "-2.66"}, {44, "-2.50"}, {43, "-2.33"}, {40, "-2.00"}, {37, "-1.66"}, {36, "-1.50"},
    {35, "-1.33"}, {32, "-1.00"}, {29, "-0.66"}, {28, "-0.50"}, {27, "-0.33"}, {24, " 0.0"},  {21, "+0.33"},
    {20, "+0.50"}, {19, "+0.66"}, {16, "+1.00"}, {13, "+1.33"}, {12, "+1.50"}, {11, "+1.66"}, {8, "+2.00"},
    {5, "+2.33"},  {4, "+2.50"},  {3, "+2.66"},  {0, "+3.00"},  {0, nullptr}};

const CapabilityValue kAfDistances[] = {{0, "Manual"},      {1, "Auto"},       {2, "Unknown"},
                                        {3, "Close up"},    {4, "Very close"}, {5, "Close"},
                                        {6, "Middle"},      {7, "Far"},        {8, "Pan focus"},
                                        {9, "Super macro"}, {10, "Infinity"},  {11, "Super macro OCM"},
                                        {255, "N/A"},       {0, nullptr}};

const CapabilityValue kDigitalZoom[] = {{0, "Off"}, {1, "x1.5"}, {0, nullptr}};

// Quality 4 has two rows; the first ("Lossless") is the one looked up.
const CapabilityValue kQualities[] = {{0xFFFF, "? Quality"}, {1, "Economy"}, {2, "Normal"},    {3, "Fine"},
                                      {4, "Lossless"},       {4, "Raw"},     {5, "Superfine"}, {0, nullptr}};

const std::array<CapabilityDefaults, kCapabilityCount> kDefaults = {{
    {"ProgamMode", "ProgramMode", kProgramModes},
    {"ISOSpeed", "ISOSpeed", kIsoSpeeds},
    {"FlashMode", "FlashMode", kFlashModes},
    {"WhiteBalance", "WhiteBalance", kWhiteBalances},
    {"MeteringMode", "MeteringMode", kMeteringModes},
    {"ExposureTime", "ExposureTime", kExposureTimes},
    {"Aperture", "Aperture", kApertures},
    {"ExposureBias", "ExposureBias", kExposureBiases},
    {"DigitalZoom", "DigitalZoom", kDigitalZoom},
    {"AF Distance", "AF Distance", kAfDistances},
}};

} // namespace

const std::array<CapabilityDefaults, kCapabilityCount>& CanonCapabilityDefaults() {
  return kDefaults;
}

int CanonCapabilityIndex(const char* lookupName) {
  if (!lookupName)
    return -1;
  for (std::size_t i = 0; i < kDefaults.size(); ++i) {
    if (std::strcmp(kDefaults[i].lookupName, lookupName) == 0)
      return static_cast<int>(i);
  }
  return -1;
}

const CapabilityValue* CanonQualityTable() {
  return kQualities;
}

const CapabilityValue* CanonWhiteBalanceTable() {
  return kWhiteBalances;
}

const CapabilityValue* CanonIsoSpeedTable() {
  return kIsoSpeeds;
}

const CapabilityValue* CanonFlashModeTable() {
  return kFlashModes;
}

} // namespace tarsel::canon
