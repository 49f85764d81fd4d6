#include "app/cameras/dialogs/CapabilityTrial.h"

#include "app/cameras/dialogs/ResolutionEntry.h"
#include "app/core/ICapabilitiesCallback.h"
#include "app/pictures/PictureExif.h"
#include "env/BrantelTakeError.h"
#include "env/FormatStdString.h"
#include "hostapi/IPictureInfo.h"
#include "platform/Win32Error.h"

#include <algorithm>
#include <memory>
#include <set>
#include <thread>

namespace {

using Setting = ICapabilityTrialCamera::Setting;

constexpr const char* kAperture = "Aperture";
constexpr const char* kWhiteBalance = "WhiteBalance";
constexpr const char* kIsoSpeed = "ISOSpeed";
constexpr const char* kResolution = "Resolution";
constexpr std::int32_t kRawImage = 3;

// The software text (first directory) and the ISO speed (Exif directory) of
// the picture's Exif block; empty and 0 where the picture has none.
struct ExifValues {
  std::string software;
  std::uint32_t isoSpeed = 0;
};

ExifValues ReadExif(IPictureFromCamera& picture) {
  ExifValues values;
  const std::unique_ptr<CTiffBuffer> tiff = ExifBlockOf(picture);
  if (!tiff)
    return values;
  // The camera's Exif block is untrusted: a getter throws on a value that
  // points outside it, and the trial goes on with what was read.
  try {
    tiff->Parse();
    values.software = tiff->GetSoftware();
    values.isoSpeed = tiff->GetIsoSpeed();
  } catch (const _brantel_take_error&) {
  }
  return values;
}

// The ids a range of the model file offers for a trial: its file is the
// user's to edit, so a range that no camera has ends the run instead of
// trying millions of values.
std::vector<std::int32_t> TrialIdsOf(const CRange& range) {
  constexpr std::int64_t kMostIds = 256;
  const std::int64_t min = range.GetMin();
  const std::int64_t max = range.GetMax();
  if (min < 0 || max - min >= kMostIds)
    ThrowError(E_FAIL, "The model file's range of values is not plausible.");
  std::vector<std::int32_t> ids;
  for (std::int64_t value = min; value <= max; ++value)
    ids.push_back(static_cast<std::int32_t>(value));
  return ids;
}

std::string IsoTextOf(IPictureFromCamera& picture) {
  std::string text;
  if (IPictureInfo* info = picture.GetPictureInfo())
    info->GetIsoText(&text);
  return text;
}

} // namespace

CCapabilityTrial::CCapabilityTrial(ICapabilityTrialCamera& camera, _ICapabilitiesCallback& report,
                                   std::int32_t savedWhiteBalance, std::stop_token stop,
                                   std::chrono::milliseconds resolutionSettle)
    : m_camera(camera), m_report(report), m_savedWhiteBalance(savedWhiteBalance), m_stop(std::move(stop)),
      m_resolutionSettle(resolutionSettle) {}

bool CCapabilityTrial::Stopped() const {
  return m_cancelled || m_stop.stop_requested();
}

bool CCapabilityTrial::Report(const std::string& text) {
  if (!m_report.LogLine(text.c_str()) || m_stop.stop_requested())
    m_cancelled = true;
  return !m_cancelled;
}

CCapabilityTrial::Outcome CCapabilityTrial::Run() {
  m_cancelled = false;
  m_camera.Connect();
  struct Disconnect {
    ICapabilityTrialCamera& camera;
    ~Disconnect() {
      try {
        camera.DisConnect();
      } catch (...) {
        // The run's own result (or failure) is what the dialog reports.
      }
    }
  } disconnect{m_camera};

  m_camera.PrepareForTest();
  std::string line;
  FormatStdString(line, "Camera Type: %s", m_camera.GetCameraId().c_str());
  if (!Report(line))
    return Outcome::Cancelled;

  const CRefPtr<IPictureFromCamera> first = m_camera.TakeTestPicture();
  if (Stopped())
    return Outcome::Cancelled;
  FormatStdString(line, "Firmware version: %s", ReadExif(*first).software.c_str());
  if (!Report(line))
    return Outcome::Cancelled;

  if (!Report("Apertures:") || !TryValues(kAperture, Setting::Aperture))
    return Outcome::Cancelled;
  if (!Report("White Balance:") || !TryValues(kWhiteBalance, Setting::WhiteBalance))
    return Outcome::Cancelled;
  if (!FindZoomRange() || !TryIsoSpeeds() || !TryResolutions())
    return Outcome::Cancelled;

  m_camera.SaveCapabilities();
  m_fileName = m_camera.GetCapabilityFileName();
  return Outcome::Completed;
}

// Every default value of the capability, kept when the camera reads it back.
bool CCapabilityTrial::TryValues(const char* capability, Setting setting) {
  const std::vector<CCapabilityEntry> candidates = m_camera.GetDefaultValues(capability);
  m_camera.StoreCapability(capability, {});
  std::vector<CCapabilityEntry> kept;
  for (const CCapabilityEntry& entry : candidates) {
    m_camera.SetSetting(setting, entry.id);
    if (m_camera.GetSetting(setting) != entry.id)
      continue;
    kept.push_back(entry);
    std::string line;
    FormatStdString(line, "%d = %s", entry.id, entry.label.c_str());
    if (!Report(line))
      return false;
  }
  if (setting == Setting::Aperture)
    m_camera.SetProgramAuto();
  else
    m_camera.SetSetting(setting, m_savedWhiteBalance);
  m_camera.StoreCapability(capability, kept);
  return true;
}

// The lens from its shortest position to where requests beyond 10000 tenths
// stop moving it.
bool CCapabilityTrial::FindZoomRange() {
  m_camera.ResetElectricZoom();
  const std::int32_t min = m_camera.MoveOpticalZoom(0);
  std::int32_t max = m_camera.MoveOpticalZoom(10000);
  bool settled = false;
  for (int request = 1; request <= kMaxZoomRequests && !settled; ++request) {
    const std::int32_t reached = m_camera.MoveOpticalZoom(10000 + 100 * request);
    settled = reached == max;
    max = reached;
    if (m_stop.stop_requested()) {
      m_cancelled = true;
      return false;
    }
  }
  if (!settled)
    ThrowError(E_FAIL, "The zoom range could not be found: the lens moved on at every request.");
  m_camera.SetOpticalZoomRange(min, max);
  std::string line;
  FormatStdString(line, "Zoom: %3.1lf-%3.1lf", min / 10.0, max / 10.0);
  return Report(line);
}

bool CCapabilityTrial::TryIsoSpeeds() {
  if (!Report("ISO Speeds:"))
    return false;
  std::vector<CCapabilityEntry> kept;
  for (const std::int32_t value : TrialIdsOf(m_camera.GetCapabilityRange(kIsoSpeed))) {
    if (Stopped())
      return false;
    m_camera.SetSetting(Setting::IsoSpeed, value);
    if (m_camera.GetSetting(Setting::IsoSpeed) != value)
      continue;
    const CRefPtr<IPictureFromCamera> picture = m_camera.TakeTestPicture();
    if (Stopped())
      return false;
    const std::string iso = IsoTextOf(*picture);
    kept.push_back({value, iso});
    std::string line;
    FormatStdString(line, "%d = ISO %s (From Exif: %d)", value, iso.c_str(),
                    static_cast<int>(ReadExif(*picture).isoSpeed));
    if (!Report(line))
      return false;
  }
  m_camera.StoreCapability(kIsoSpeed, kept);
  return true;
}

bool CCapabilityTrial::TryResolutions() {
  if (!Report("Resolutions:"))
    return false;
  const CRange range = m_camera.GetCapabilityRange(kResolution);
  std::vector<std::int32_t> candidates;
  if (range.GetMin() != range.GetMax()) {
    candidates = TrialIdsOf(range);
  } else {
    for (const CCapabilityEntry& entry : m_camera.GetDefaultValues(kResolution))
      // The default table names some ids twice; each is tried once.
      if (std::find(candidates.begin(), candidates.end(), entry.id) == candidates.end())
        candidates.push_back(entry.id);
  }
  std::multiset<CResolutionEntry> found;
  for (const std::int32_t value : candidates) {
    if (Stopped())
      return false;
    m_camera.SetSetting(Setting::Resolution, value);
    std::this_thread::sleep_for(m_resolutionSettle);
    if (m_camera.GetSetting(Setting::Resolution) != value)
      continue;
    const CRefPtr<IPictureFromCamera> picture = m_camera.TakeTestPicture();
    if (Stopped())
      return false;
    // The picture's size is known once it is decoded; an eighth of it does.
    if (picture->GetImageType() != kRawImage)
      picture->Decode(1, 8);
    const CResolutionEntry& entry = *found.emplace(value, *picture);
    std::string line;
    FormatStdString(line, "%d = %s", value, entry.Label().c_str());
    if (!Report(line))
      return false;
  }
  std::vector<CResolutionEntry> sorted(found.begin(), found.end());
  CResolutionEntry::LabelNeighbours(sorted);
  std::vector<CCapabilityEntry> values;
  for (const CResolutionEntry& entry : sorted)
    values.push_back({entry.Value(), entry.Label()});
  m_camera.StoreCapability(kResolution, values);
  return true;
}
