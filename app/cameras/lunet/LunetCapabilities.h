// The capability store of an ActiveX camera: the eleven capability sets
// and three ranges of its model, read from the model's description file
// ("<camera type>.camd" in the family's data folder) over the family's
// built-in defaults, and written back on request. Older files that keep
// the focus or zoom range as "MinFocus"/"MaxFocus" or "MinZoom"/"MaxZoom"
// in [parameters] are moved to the range sections when loaded.
//
// Threads: one at a time; the camera guards its store with its lock, and
// tables and sets handed out stay valid until the next Load or Release.
// Failure: writing throws _brantel_take_error (the system's error with
// "Cannot save camera parameters to file"); a file that cannot be read
// leaves the defaults.
#pragma once

#include "app/cameras/lunet/LunetCapabilityTables.h"
#include "app/core/CapabilitySet.h"
#include "app/core/RangeD.h"
#include "app/core/RangeItem.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>

class ITarselSettings;

namespace tarsel::lunet {

// The model's description file: the family's data folder, the camera type
// made safe as a file name, ".camd". An empty type names no file: it is
// refused with ERROR_INVALID_NAME (123); a folder the settings cannot give
// is the settings' error.
std::string LunetModelFile(ITarselSettings* settings, std::string_view cameraType);

class CLunetCapabilities {
public:
  // Releases what is there, then builds the sets and ranges anew from
  // `file` (empty: the built-in defaults alone), the optical zoom range's
  // default being `zoomDefault`.
  void Load(const std::string& file, const CRange& zoomDefault);
  void Release();
  // 1 when none of the sets is empty (what GetCapabilities answers), else 0.
  std::int32_t Known() const { return m_capabilitiesKnown; }

  // The set under a dialog's name (LunetCapabilityIndex); null for an
  // unknown name or before loading.
  CCapabilitySet* GetSet(const char* name);
  // The table the dialogs list: the set's own, else its default; null for
  // an unknown name or an unsupported set.
  const tarsel::core::CapabilityValue* GetCapabilityTable(const char* name);
  // Takes the values of `from` into the named set; with `store` the set
  // writes itself to `file`. An unknown name does nothing.
  void SetCapability(const char* name, CCapabilitySet& from, bool store, const std::string& file);
  // The named set's range; 0..0 for an unknown name, -1..-1 before loading.
  CRange GetCapabilityRange(const char* name);

  // The named range ("Focus", "OpticalZoom", "LcdBrightness"); -1..-1 for
  // any other name or before loading.
  CRange GetRange(const char* name);
  // Overwrites the named range (made when missing); with `store` writes it
  // to `file`. An unknown name does nothing.
  void SetRange(const char* name, const CRange& range, bool store, const std::string& file);
  // The optical zoom range with its zoom factors (tenths / 10); -1, -1,
  // 0.0, 0.0 when there is none.
  CRangeD GetOpticalZoomRange();
  void SetOpticalZoomRange(const CRange& range);

  // Writes the three ranges and then the eleven sets, in their order, to
  // `file`, replacing the file whole.
  void Save(const std::string& file);

private:
  std::array<std::unique_ptr<CCapabilitySet>, kLunetCapabilityCount> m_capabilitySets;
  std::array<std::unique_ptr<CRangeItem>, kLunetRangeCount> m_ranges;
  std::int32_t m_capabilitiesKnown = 0;
};

} // namespace tarsel::lunet
