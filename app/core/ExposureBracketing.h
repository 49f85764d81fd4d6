// An exposure-bracketing series, written once for every camera family: in a
// manual program mode it steps through the exposure-time or the aperture
// table, in every other mode through the exposure-bias table, centred on
// the camera's current value, and afterwards puts back the values the
// camera had. A family derives from it and supplies only its camera's
// operations (the protected pure functions).
//
// Use: the camera's GetBracketing runs Init (the user's settings, read
// afresh before each series); its Capture runs PrepareSeries at the first
// step and ApplyCurrentStep before every shot of an enabled series and
// raises a non-zero status; the camera window steps with NextStep and ends
// with EndSeries, which restores the camera and leaves the series disabled,
// so later single takes change nothing.
//
// Threads: the camera window's thread and the camera's worker both call in;
// every member runs under the camera's own (re-entrant) lock, handed to the
// constructor, so a cancel waits for a shot in progress. Camera errors
// propagate as _brantel_take_error.
#pragma once

#include "TarselCore_export.h"
#include "app/core/CapabilitySet.h"
#include "app/core/IBracketing.h"
#include "hostapi/Win32Types.h"

#include <cstdint>
#include <mutex>
#include <vector>

class ITarselSettings;

class TARSELCORE_EXPORT CExposureBracketing : public IBracketing {
public:
  // A step beyond the table or beyond the step count.
  static constexpr HRESULT kStepOutOfRange = 0x2082;
  // The capability set offers no values.
  static constexpr HRESULT kNoValueTable = static_cast<HRESULT>(0x800401F0u);
  // "BraketingParam": what a manual-mode series varies.
  static constexpr std::int32_t kVaryExposureTime = 1;
  static constexpr std::int32_t kVaryAperture = 2;

  ~CExposureBracketing() override = default;
  CExposureBracketing(const CExposureBracketing&) = delete;
  CExposureBracketing& operator=(const CExposureBracketing&) = delete;

  // IBracketing
  bool IsEnabled() override;
  bool NextStep() override;
  void EndSeries() override;
  int GetCurrentStep() override;
  int GetStepCount() override;

  // Forgets any series and reads "BraketingParam" and "BraketingNumPics"
  // from the user settings; a failure to open them is thrown (the series
  // then stays disabled). Returns 0.
  HRESULT Init(ITarselSettings* settings);
  bool IsFirstStep();
  // Reads the camera's values and finds the table row of the first step.
  // Returns 0; a manual mode with another kind than the two above drops the
  // series (the take is then a single picture with the camera's values).
  HRESULT PrepareSeries();
  // Sends the current step's value: 0, kStepOutOfRange or kNoValueTable.
  HRESULT ApplyCurrentStep();
  // Puts back what PrepareSeries read, when a step changed it. Returns 0.
  HRESULT RestoreSettings();

protected:
  struct Exposure {
    std::int32_t programMode;
    std::int32_t aperture;
    std::int32_t exposureTime;
  };

  explicit CExposureBracketing(std::recursive_mutex& cameraLock) : m_lock(cameraLock) {}

  // The camera's operations. Connect and DisConnect nest.
  virtual void Connect() = 0;
  virtual void DisConnect() = 0;
  virtual Exposure GetExposure() = 0;
  virtual void SetExposure(const Exposure& exposure) = 0;
  virtual std::int32_t GetExposureBias() = 0;
  virtual void SetExposureBias(std::int32_t bias) = 0;
  // The effective table of the named capability ("ExposureTime",
  // "Aperture", "ExposureBias"); null when the camera offers none.
  virtual const tarsel::core::CapabilityValue* GetValueTable(const char* name) = 0;
  // Whether the program mode steps the exposure time or aperture rather
  // than the bias.
  virtual bool IsManualMode(std::int32_t programMode) = 0;

private:
  void Disable();
  void ReadStartValues();
  // Takes the table's ids and finds the first step's row: just behind the
  // last row (from `lowest` on) whose id does not pass `current` in the
  // table's direction (rising or falling), moved back by half the step count.
  void FindStart(const char* table, std::int32_t current, std::int32_t lowest);

  std::recursive_mutex& m_lock;
  std::int32_t m_kind = -1;
  std::int32_t m_currentStep = 0;
  std::int32_t m_stepCount = 0;
  bool m_changed = false;
  bool m_manual = false;
  std::int32_t m_savedBias = 0;
  Exposure m_saved{};
  // A copy of the table's ids: the capability set may be reloaded during
  // a series.
  bool m_hasTable = false;
  std::vector<std::int32_t> m_ids;
  std::int32_t m_startPosition = -1;
};
