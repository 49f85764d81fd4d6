// The camera as the capture-properties dialog sees it: what one family's
// adapter offers the family-neutral dialog (CCapturePropertiesDialog).
//
// Threads: the camera operations (the members that read or change the
// camera) run on the camera window's worker only, one at a time, through
// ICameraWindow::QueueCameraCall; they throw _brantel_take_error on failure.
// The program-mode rules and the name are asked on the user-interface thread
// and never touch the camera.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tarsel::dialogs {

// The lists of the dialog, in the order it fills them; the tenth, the AF
// distance, only where the family offers it (kCaptureAfDistance).
enum class CaptureList : std::size_t {
  ProgramMode,
  ExposureTime,
  Aperture,
  ExposureBias,
  IsoSpeed,
  FlashMode,
  WhiteBalance,
  Metering,
  Resolution,
  AfDistance,
};
inline constexpr std::size_t kCaptureListCount = 10;

// The optional parts of the dialog, as a family's source offers them (bits
// of ICapturePropertiesSource::Features).
enum CaptureFeature : unsigned {
  // The three focus-mode radios.
  kCaptureFocusModes = 1u << 0,
  // The AF-distance list: always enabled, the status line read again after a change.
  kCaptureAfDistance = 1u << 1,
  // The AF-lock box, shown where the camera has an AF lock.
  kCaptureAfLock = 1u << 2,
  // A list the camera lacks holds the one item "Unsupported" (data -1)
  // instead of none; disabled all the same.
  kCaptureUnsupportedItem = 1u << 3,
};

// The camera-settings sheet's pages the dialog opens.
enum class SettingsPageFor {
  // "Advanced": the sheet's first page.
  Advanced,
  // Manual focus chosen: the sheet's focus page.
  ManualFocus,
};

// A setting's accepted values as {id, label}, in the camera's order;
// `supported` false when the model has no such set.
struct CaptureValueList {
  bool supported = false;
  std::vector<std::pair<std::int32_t, std::string>> values;
};

struct ExposureBlock {
  std::int32_t mode = 0;
  std::int32_t aperture = 28;
  std::int32_t exposureTime = 25000;
};

struct ZoomAndFocus {
  std::int32_t position = 0;
  double factor = 0;
  // The lens range in positions; -1 where unknown.
  std::int32_t min = -1;
  std::int32_t max = -1;
  // 1 automatic, 2 macro, 4 manual; anything else: none of them.
  std::int32_t focusMode = 0;
};

// Everything a refill shows.
struct CaptureSnapshot {
  std::string name;
  ExposureBlock exposure;
  // The current value of each list but the three of the exposure block.
  std::array<std::int32_t, kCaptureListCount> values{};
  // The digital zoom the camera had before the dialog switched it off.
  std::int32_t digitalZoom = 0;
  ZoomAndFocus zoom;
  std::array<CaptureValueList, kCaptureListCount> lists;
  // With kCaptureAfLock: whether the camera has an AF lock, and its state.
  bool afLockSupported = false;
  bool afLocked = false;
};

class ICapturePropertiesSource {
public:
  virtual ~ICapturePropertiesSource() = default;

  // Worker thread.
  // Reads every value and list (and the AF lock where offered), then
  // switches the digital zoom off.
  virtual CaptureSnapshot ReadAll() = 0;
  virtual ZoomAndFocus ReadZoomAndFocus() = 0;
  // Sends the block and returns what the camera then holds.
  virtual ExposureBlock SetExposure(const ExposureBlock& block) = 0;
  // One of exposure bias, ISO, flash, white balance, metering, resolution,
  // AF distance: sends the value and returns what the camera then holds.
  virtual std::int32_t SetValue(CaptureList list, std::int32_t value) = 0;
  virtual std::int32_t GetValue(CaptureList list) = 0;
  // Moves the lens; the position reached and its factor.
  virtual std::pair<std::int32_t, double> SetOpticalZoom(std::int32_t position) = 0;
  // With kCaptureFocusModes: mode 1 automatic, 2 macro, 4 manual.
  virtual void SetFocusMode(std::int32_t) {}
  virtual void SetDigitalZoom(std::int32_t value) = 0;
  // The camera's status line ("Error" when it cannot be read).
  virtual std::string StatusLine() = 0;
  // With kCaptureAfLock: sets the AF lock; the state the camera then has.
  virtual bool SetAfLock(bool locked) { return locked; }

  // Any thread: the program-mode rules.
  virtual bool UsesAperture(std::int32_t mode) const = 0;
  virtual bool UsesExposureTime(std::int32_t mode) const = 0;
  virtual bool UsesExpoBias(std::int32_t mode) const = 0;
  // Any thread: the optional parts the dialog shows (CaptureFeature bits);
  // the focus-mode radios unless the family says otherwise.
  virtual unsigned Features() const { return kCaptureFocusModes; }
  // Any thread: the index of the camera-settings sheet's page to open.
  virtual std::int32_t SettingsPage(SettingsPageFor request) const = 0;
};

} // namespace tarsel::dialogs
