#include "app/cameras/canon/CanonCapabilityDetection.h"

#include "app/cameras/canon/CanonCall.h"
#include "app/cameras/canon/CanonDeviceProps.h"
#include "app/cameras/canon/CanonLimits.h"
#include "app/cameras/canon/CanonTextFormat.h"
#include "app/cameras/canon/CanonValueEnum.h"
#include "env/BrantelTakeError.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

using namespace tarsel::canon;
namespace cd = tarsel::cdsdk;

namespace {

constexpr const char* kNotSupported = "Not Supported";

std::unique_ptr<CCapabilitySet> newSet(int capability) {
  const auto& defaults = CanonCapabilityDefaults()[static_cast<std::size_t>(capability)];
  return std::make_unique<CCapabilitySet>(defaults.section, defaults.table);
}

double ratio(std::uint32_t numerator, std::uint32_t denominator) {
  return denominator ? static_cast<double>(numerator) / denominator : 0.0;
}

// Moves the zoom back to where a step found it, however the step ends.
class ZoomRestore {
public:
  explicit ZoomRestore(std::uint32_t source) : m_source(source) {}
  ~ZoomRestore() {
    if (m_position)
      CallQuietly<cd::kEntrySetZoomPosition>(m_source, *m_position);
  }
  ZoomRestore(const ZoomRestore&) = delete;
  ZoomRestore& operator=(const ZoomRestore&) = delete;
  void Remember(std::uint32_t position) { m_position = position; }

private:
  std::uint32_t m_source;
  std::optional<std::uint32_t> m_position;
};

} // namespace

struct CCanonCapabilityDetection::Trial {
  const char* heading;
  int capability;
  std::uint32_t programMode; // written before the values are tried
  bool bounded;              // only rows up to the aperture bound
};

CCanonCapabilityDetection::CCanonCapabilityDetection(std::uint32_t source, CCanonCapabilities& cache,
                                                     _ICapabilitiesCallback& log,
                                                     std::function<std::uint32_t()> probeAfLock)
    : m_source(source), m_cache(cache), m_log(log), m_probeAfLock(std::move(probeAfLock)) {}

void CCanonCapabilityDetection::Heading(const char* text) {
  if (!m_log.LogLine(text))
    throw Stopped{};
}

void CCanonCapabilityDetection::Value(const std::string& text) {
  if (!m_log.LogIndentedLine(text.c_str()))
    throw Stopped{};
}

std::uint16_t CCanonCapabilityDetection::ReadParameter(std::uint32_t parameter) {
  std::uint16_t value = 0;
  std::uint32_t size = sizeof value;
  CallChecked<cd::kEntryReleaseControlRead>(m_source, parameter, &size, static_cast<void*>(&value));
  return value;
}

void CCanonCapabilityDetection::Run(CCanonDeviceProps& props) {
  Heading("Firmware:");
  Value(props.GetFirmwareText());
  DetectOpticalZoom();
  DetectDigitalZoom();

  Heading("AF Lock:");
  Value((m_probeAfLock() & 8u) ? "Supported" : kNotSupported);

  for (HRESULT (CCanonCapabilityDetection::*build)() :
       {&CCanonCapabilityDetection::BuildResolutionSet, &CCanonCapabilityDetection::BuildApertureSet,
        &CCanonCapabilityDetection::BuildExposureTimeSet})
    if (const HRESULT result = (this->*build)())
      throw _brantel_take_error(result);

  DetectListed<CCanonAfDistanceEnum>("AF Distance:", kAfDistance);
  DetectListed<CCanonExposureBiasEnum>("Exposure bias:", kExposureBias);
  DetectListed<CCanonWhiteBalanceEnum>("White Balance:", kWhiteBalance);
  DetectListed<CCanonFlashEnum>("Flash modes:", kFlashMode);
  DetectListed<CCanonProgramModeEnum>("Program modes:", kProgramMode);
  DetectParameter("ISO Speeds:", kIsoSpeed, cd::kParamIso, 2);
  DetectParameter("Metering modes:", kMeteringMode, cd::kParamMetering, 1);
}

void CCanonCapabilityDetection::DetectOpticalZoom() {
  Heading("Optical Zoom range:");
  auto& zoom = m_cache.OpticalZoomSlot();
  std::string line;
  try {
    std::uint32_t highest = 0;
    std::uint32_t highestOptical = 0;
    CallChecked<cd::kEntryZoomLimits>(m_source, &highest, &highestOptical);
    // A position the range cannot hold is no zoom range.
    if (highestOptical > INT32_MAX)
      throw _brantel_take_error(kCanonUnexpected);
    const std::uint16_t base = ReadParameter(cd::kParamFocalLengthBase);
    const double wide = ratio(ReadParameter(cd::kParamFocalLengthShortest), base);
    const double tele = ratio(ReadParameter(cd::kParamFocalLengthLongest), base);
    const auto optical = static_cast<std::int32_t>(highestOptical);
    zoom =
        std::make_unique<CRangeItemD>(CCanonCapabilities::kOpticalZoomName, CRangeD(0, optical, wide, tele));
    line = FormatInCLocale("%d(%3.1lf)-%d(%3.1lf)", 0, wide, optical, tele);
  } catch (const _brantel_take_error&) {
    zoom = std::make_unique<CRangeItemD>(CCanonCapabilities::kOpticalZoomName, CRangeD(-1, -1, 0.0, 0.0));
    line = kNotSupported;
  }
  Value(line);
}

void CCanonCapabilityDetection::DetectDigitalZoom() {
  Heading("Digital Zoom:");
  auto& set = m_cache.SetSlot(kDigitalZoom);
  set = newSet(kDigitalZoom);
  ZoomRestore restore(m_source);
  try {
    std::uint32_t highest = 0;
    std::uint32_t highestOptical = 0;
    CallChecked<cd::kEntryZoomLimits>(m_source, &highest, &highestOptical);
    std::uint32_t position = 0;
    CallChecked<cd::kEntryZoomPosition>(m_source, &position);
    restore.Remember(position);
    set->AddValue(0, "None");
    // Counted as a difference, so no sum wraps; a camera claiming more
    // steps than any has is believed for the first kMaxDigitalZoomSteps.
    const std::uint32_t steps =
        std::min(highest > highestOptical ? highest - highestOptical : 0u, kMaxDigitalZoomSteps);
    for (std::uint32_t step = 1; step <= steps; ++step) {
      CallChecked<cd::kEntrySetZoomPosition>(m_source, highestOptical + step);
      std::uint32_t numerator = 0;
      std::uint32_t denominator = 0;
      CallChecked<cd::kEntryZoomRatio>(m_source, &numerator, &denominator);
      const double factor = ratio(numerator, denominator);
      set->AddValue(static_cast<std::int32_t>(step), FormatInCLocale("x %3.2lf", factor).c_str());
      Value(FormatInCLocale("%d:\tx %3.2lf", static_cast<int>(step), factor));
    }
    set->BuildTable();
  } catch (const _brantel_take_error&) {
    set->MarkUnsupported();
    Value(kNotSupported);
  }
}

template <class Enumeration>
void CCanonCapabilityDetection::DetectListed(const char* heading, int capability) {
  Heading(heading);
  auto& set = m_cache.SetSlot(capability);
  set = newSet(capability);
  try {
    Enumeration values(m_source);
    std::uint16_t code = 0;
    while (values.Next(&code) == 0)
      Value(set->AddValueFromTable(code));
  } catch (const _brantel_take_error&) {
    set->MarkUnsupported();
    Value(kNotSupported);
    return;
  }
  set->BuildTable();
}

void CCanonCapabilityDetection::DetectParameter(const char* heading, int capability, std::uint32_t parameter,
                                                std::uint32_t valueSize) {
  Heading(heading);
  auto& set = m_cache.SetSlot(capability);
  set = newSet(capability);
  try {
    CCanonReleaseControlEnum list(m_source);
    cd::ReleaseControlDescriptor descriptor{};
    while (list.Next(&descriptor) == 0) {
      if (descriptor.id != parameter)
        continue;
      CCanonParameterValueEnum values(m_source, parameter);
      if (values.GetValueSize() != valueSize)
        continue;
      std::uint32_t value = 0;
      while (values.Next(&value, valueSize) == 0)
        Value(set->AddValueFromTable(static_cast<std::int32_t>(value)));
      break;
    }
  } catch (const _brantel_take_error&) {
    set->MarkUnsupported();
    Value(kNotSupported);
    return;
  }
  set->BuildTable();
}

HRESULT CCanonCapabilityDetection::BuildResolutionSet() {
  try {
    Heading("Resolutions:");
    std::vector<cd::ImageFormatPair> pairs;
    {
      CCanonResolutionCodeEnum codes(m_source);
      cd::ImageFormatPair pair{};
      while (codes.Next(&pair) == 0)
        pairs.push_back(pair);
    }
    std::vector<cd::ResolutionRecord> records;
    {
      CCanonResolutionInfoEnum sizes(m_source);
      cd::ResolutionRecord record{};
      while (sizes.Next(&record) == 0)
        records.push_back(record);
    }
    auto& set = m_cache.ResolutionsSlot();
    set = std::make_unique<CCanonResolutionSet>(nullptr, CCanonCapabilities::kResolutionName, nullptr);
    for (const auto& pair : pairs)
      for (const auto& record : records)
        if (record.sizeCode == pair.size) {
          Value(AddSdkResolution(*set, record, pair.quality));
          break;
        }
    set->BuildTable();
    return 0;
  } catch (const Stopped&) {
    return kStopped;
  }
}

template <class Enumeration, std::uint32_t WriteEntry>
HRESULT CCanonCapabilityDetection::BuildListedOrTried(const Trial& trial) {
  auto& set = m_cache.SetSlot(trial.capability);
  try {
    Heading(trial.heading);
    set.reset();
    // The camera's own list, when it gives one.
    try {
      Enumeration values(m_source);
      set = newSet(trial.capability);
      std::uint16_t code = 0;
      while (values.Next(&code) == 0)
        Value(set->AddValueFromTable(code));
      set->BuildTable();
      return 0;
    } catch (const Stopped&) {
      throw;
    } catch (...) {
      set.reset();
    }
    // Otherwise every value of the table the camera accepts.
    try {
      set = newSet(trial.capability);
      CallChecked<cd::kEntrySetProgramMode>(m_source, trial.programMode);
      std::uint16_t bound = 0;
      if (trial.bounded) {
        std::uint32_t size = sizeof bound;
        CallEntry<cd::kEntryReleaseControlRead>(m_source, cd::kParamApertureBound, &size,
                                                static_cast<void*>(&bound));
      }
      for (const auto* row = set->GetDefaultTable(); row && row->label; ++row) {
        if (trial.bounded && row->id > bound)
          break;
        if (CallEntry<WriteEntry>(m_source, static_cast<std::uint16_t>(row->id)) == 0)
          Value(set->AddValueFromTable(row->id));
      }
      set->BuildTable();
      return 0;
    } catch (const Stopped&) {
      throw;
    } catch (...) {
      if (!set)
        return kNoSet;
      set->MarkUnsupported();
      Value(kNotSupported);
      return 0;
    }
  } catch (const Stopped&) {
    return kStopped;
  }
}

HRESULT CCanonCapabilityDetection::BuildApertureSet() {
  return BuildListedOrTried<CCanonApertureEnum, cd::kEntrySetAperture>(
      {"Aperture values (AV):", kAperture, 3, true});
}

HRESULT CCanonCapabilityDetection::BuildExposureTimeSet() {
  return BuildListedOrTried<CCanonExposureTimeEnum, cd::kEntrySetExposureTime>(
      {"Exposure values (TV):", kExposureTime, 2, false});
}
