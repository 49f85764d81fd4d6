// A Canon camera's cached capabilities: the ten capability sets, the
// resolution set and the optical zoom range, loaded from the model's
// description file "<model with '/' made '_'>.camd" in the per-user
// configuration folder, and whether they are complete.
//
// Threads: one at a time (the camera guards it with its lock). Failure:
// Load throws _brantel_take_error(8) when the resolution set or the zoom
// range cannot be made; a capability set that cannot be made stays null; a
// missing file gives empty sets, not an error.
#pragma once

#include "app/cameras/canon/CanonCapabilityDefaults.h"
#include "app/cameras/canon/CdSdkAbi.h"
#include "app/core/CanonResolutionSet.h"
#include "app/core/CapabilitySet.h"
#include "app/core/RangeItemD.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>

class CCanonCapabilities {
public:
  static constexpr const char* kResolutionName = "Resolution";
  static constexpr const char* kOpticalZoomName = "OpticalZoom";

  // The description file of a model in `folder` (which ends in a separator).
  static std::string ProfilePath(const std::string& folder, std::string_view model);

  // Drops the cache, then rebuilds it from `file`.
  void Load(const std::string& file);
  void Clear();

  // Null when the set is missing.
  CCapabilitySet* Set(int capability) const;
  // The set of a look-up name ("ProgamMode", "ISOSpeed" ...); null when unknown or missing.
  CCapabilitySet* Find(const char* lookupName) const;
  CCanonResolutionSet* Resolutions() const { return m_resolutions.get(); }
  CRangeItemD* OpticalZoom() const { return m_opticalZoom.get(); }
  bool IsComplete() const { return m_complete; }

  // Where a capability detection puts what it builds, piece by piece.
  std::unique_ptr<CCapabilitySet>& SetSlot(int capability) {
    return m_sets.at(static_cast<std::size_t>(capability));
  }
  std::unique_ptr<CCanonResolutionSet>& ResolutionsSlot() { return m_resolutions; }
  std::unique_ptr<CRangeItemD>& OpticalZoomSlot() { return m_opticalZoom; }

private:
  std::array<std::unique_ptr<CCapabilitySet>, tarsel::canon::kCapabilityCount> m_sets;
  std::unique_ptr<CCanonResolutionSet> m_resolutions;
  std::unique_ptr<CRangeItemD> m_opticalZoom;
  bool m_complete = false;
};

// Appends the resolution of one SDK size record with the quality's label
// from the quality table; returns the line the detection logs.
std::string AddSdkResolution(CCanonResolutionSet& set, const tarsel::cdsdk::ResolutionRecord& record,
                             std::uint16_t quality);
