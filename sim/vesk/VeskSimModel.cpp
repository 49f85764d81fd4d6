#include "sim/vesk/VeskSimModel.h"

#include <algorithm>

namespace tarsel::vesksim {
namespace {

constexpr int kNormal = 75;
constexpr int kHigh = 95;

ResolutionMode jpeg(std::uint32_t id, std::uint32_t w, std::uint32_t h, int q) {
  return {id, PictureFormat::Jpeg, w, h, q};
}
ResolutionMode tiff(std::uint32_t id, std::uint32_t w, std::uint32_t h) {
  return {id, PictureFormat::Tiff, w, h, 0};
}
ResolutionMode raw(std::uint32_t id, std::uint32_t w, std::uint32_t h) {
  return {id, PictureFormat::Raw, w, h, 0};
}

const std::vector<std::uint32_t> kAllExposureTimes = {
    250,    313,    400,    500,     625,     800,     1000,     1250,     1538,     2000,    2500,
    3125,   4000,   5000,   6250,    8000,    10000,   12500,    16666,    20000,    25000,   33333,
    40000,  50000,  66666,  76923,   100000,  125000,  166666,   200000,   250000,   333333,  400000,
    500000, 625000, 769230, 1000000, 2000000, 5000000, 10000000, 13000000, 15000000, 16000000};

const std::vector<std::pair<std::uint32_t, std::uint32_t>> kGenericIso = {{0, 0},   {1, 100}, {2, 200},
                                                                          {3, 400}, {4, 800}, {5, 50}};

CameraModel commonModel() {
  CameraModel m;
  m.vendor = "BRANTEL";
  m.make = "BRANTEL";
  m.revision = "1.00";
  m.isoTable = kGenericIso;
  m.flashModes = {0, 1, 2, 3, 4, 6};
  m.whiteBalances = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 255};
  m.meteringModes = {2, 3, 4, 5};
  m.exposureTimesUs = kAllExposureTimes;
  m.digitalZooms = {0, 520, 8, 1032};
  return m;
}

std::vector<CameraModel> makeModels() {
  std::vector<CameraModel> models;

  CameraModel a = commonModel();
  a.name = "XC-701";
  a.product = "XC-701 CAMERA";
  a.firmware = "XC701 FW 2.14";
  a.cameraId = "XC-701 camera";
  a.resolutions = {jpeg(1, 640, 480, kNormal),   jpeg(4, 640, 480, kHigh),    jpeg(5, 1024, 768, kNormal),
                   jpeg(6, 1024, 768, kHigh),    jpeg(7, 1280, 960, kNormal), jpeg(8, 1280, 960, kHigh),
                   jpeg(9, 1600, 1200, kNormal), jpeg(10, 1600, 1200, kHigh), jpeg(2, 2048, 1536, kNormal),
                   jpeg(3, 2048, 1536, kHigh),   tiff(33, 640, 480),          tiff(34, 1024, 768),
                   tiff(35, 1280, 960),          tiff(36, 1600, 1200),        tiff(37, 2048, 1536),
                   raw(49, 2048, 1536)};
  a.defaultResolution = 9;
  a.isoTable = {{0, 0},   {1, 64},  {2, 80},  {3, 100}, {4, 125},
                {5, 160}, {6, 200}, {7, 250}, {8, 320}, {9, 400}};
  a.apertures = {28, 32, 35, 40, 45, 50, 56, 63, 70, 80};
  a.zoomMin = 73;
  a.zoomMax = 210;
  models.push_back(a);

  CameraModel b = commonModel();
  b.name = "XC-702";
  b.product = "XC-702 CAMERA";
  b.firmware = "XC702 FW 1.03";
  b.cameraId = "XC-702 camera";
  b.resolutions = {jpeg(1, 640, 480, kNormal),    jpeg(4, 640, 480, kHigh),     jpeg(5, 1024, 768, kNormal),
                   jpeg(6, 1024, 768, kHigh),     jpeg(7, 1280, 960, kNormal),  jpeg(8, 1280, 960, kHigh),
                   jpeg(11, 1368, 1024, kNormal), jpeg(12, 1368, 1024, kHigh),  jpeg(9, 1600, 1200, kNormal),
                   jpeg(10, 1600, 1200, kHigh),   jpeg(2, 2048, 1536, kNormal), jpeg(3, 2048, 1536, kHigh),
                   jpeg(13, 2288, 1712, kNormal), jpeg(14, 2288, 1712, kHigh),  tiff(33, 640, 480),
                   tiff(34, 1024, 768),           tiff(38, 2288, 1712),         raw(49, 2288, 1712)};
  b.defaultResolution = 7;
  b.apertures = {20, 23, 26, 28, 32, 35, 40, 45, 50, 56, 63, 70, 80};
  b.digitalZooms = {0, 520, 776, 1032, 1288, 8, 1544, 1800};
  b.zoomMin = 66;
  b.zoomMax = 191;
  models.push_back(b);

  CameraModel c = commonModel();
  c.name = "KT-300";
  c.product = "KT-300 STILL CAM";
  c.firmware = "KT300 V0.9";
  c.cameraId = "KT-300";
  c.resolutions = {jpeg(1, 640, 480, kNormal), jpeg(4, 640, 480, kHigh),    jpeg(5, 1024, 768, kNormal),
                   jpeg(6, 1024, 768, kHigh),  jpeg(7, 1280, 960, kNormal), jpeg(8, 1280, 960, kHigh),
                   tiff(33, 640, 480),         tiff(34, 1024, 768),         raw(49, 1280, 960)};
  c.defaultResolution = 5;
  c.apertures = {26, 28, 35, 40, 56, 80, 110};
  c.zoomMin = 80;
  c.zoomMax = 240;
  c.zoomMinStep = 3;
  c.rejectPolicy = RejectPolicy::Nearest;
  c.forgetsExposure = true;
  models.push_back(c);

  // A model that refuses much of what the family's generic tables offer,
  // keeping the old value (the refusal shows on reading back), with a short lens.
  CameraModel d = commonModel();
  d.name = "XC-500";
  d.product = "XC-500 CAMERA";
  d.firmware = "XC500 FW 0.71";
  d.cameraId = "XC-500 camera";
  d.resolutions = {jpeg(1, 640, 480, kNormal), jpeg(4, 640, 480, kHigh), jpeg(5, 1024, 768, kNormal),
                   tiff(33, 640, 480), raw(49, 1024, 768)};
  d.defaultResolution = 5;
  d.isoTable = {{0, 0}, {1, 100}, {2, 200}, {3, 400}};
  d.whiteBalances = {0, 1, 2, 3, 255};
  d.apertures = {28, 40, 56, 80};
  d.zoomMin = 60;
  d.zoomMax = 150;
  models.push_back(d);

  return models;
}

const std::vector<CameraModel>& models() {
  static const std::vector<CameraModel> all = makeModels();
  return all;
}

} // namespace

const CameraModel* builtinModel(std::string_view name) {
  for (const CameraModel& m : models()) {
    if (m.name == name)
      return &m;
  }
  return nullptr;
}

std::vector<std::string> builtinModelNames() {
  std::vector<std::string> names;
  for (const CameraModel& m : models())
    names.push_back(m.name);
  return names;
}

const ResolutionMode* findResolution(const CameraModel& model, std::uint32_t id) {
  const auto it = std::find_if(model.resolutions.begin(), model.resolutions.end(),
                               [id](const ResolutionMode& r) { return r.id == id; });
  return it == model.resolutions.end() ? nullptr : &*it;
}

std::uint32_t isoSpeedOf(const CameraModel& model, std::uint32_t code) {
  for (const auto& [c, speed] : model.isoTable) {
    if (c == code)
      return speed;
  }
  return 0;
}

} // namespace tarsel::vesksim
