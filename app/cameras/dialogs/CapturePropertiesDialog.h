// The modeless "Capture Properties" tool window of one camera, the same for
// every family: the camera's exposure program, aperture, exposure time,
// exposure bias, ISO speed, flash, white balance, metering, resolution,
// optical zoom and focus mode, each sent to the camera as soon as the user
// changes it and read back (a beep and the camera's value when it kept
// another), the take button and "Advanced" (the camera-settings sheet at the
// page the source names). A family may leave out the focus-mode radios and
// add an AF-distance list and an AF-lock box (ICapturePropertiesSource::
// Features). Controls are named "control<id>" after their template ids.
//
// The family's adapter makes it over its camera (ICapturePropertiesSource)
// and drives it from the camera window: Enable, Refill, RefillZoom, Reset.
// While the dialog exists the camera's digital zoom is off; SavedDigitalZoom
// is the value to give back when it goes.
//
// Threads: user-interface thread. Every camera operation runs on the camera
// window's worker (CameraDialogCalls); while one is pending, while the
// window runs a take and until the first refill arrived the controls are
// disabled and the dialog shows the wait cursor. Failure: a failed camera
// call sets the window's status to "Error" and is reported; the dialog
// stays usable; a refill that failed runs again when the dialog is next
// shown. Close and Escape hide the dialogs of all cameras (the
// camera window's WM_TARSEL_LEAVE_ALL_CAMERAS_VIEW) instead of ending it.
#pragma once

#include "app/cameras/dialogs/CameraDialogCalls.h"
#include "app/cameras/dialogs/ICapturePropertiesSource.h"

#include <QDialog>
#include <QPointer>

#include <array>
#include <memory>
#include <optional>

class CButtonTP;
class CExtComboBox;
class CHtmlHelp;
class QCheckBox;
class ITarselSettings;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;

namespace tarsel::dialogs {

class CCapturePropertiesDialog : public QDialog {
  Q_OBJECT

public:
  // `parent` is the camera window (or a widget inside it); `settings` keeps
  // the window placement (may be null).
  CCapturePropertiesDialog(std::shared_ptr<ICapturePropertiesSource> source, QWidget* parent,
                           ITarselSettings* settings);
  ~CCapturePropertiesDialog() override;

  // Shows the window at its stored placement.
  void ShowAtStoredPlace();
  // The camera window's take runs (false) or has ended (true).
  void Enable(bool enable);
  // Reads every value from the camera and fills the controls again.
  void Refill();
  // Reads the zoom and the focus mode again.
  void RefillZoom();
  // The camera is gone: every control disabled, every list but the AF
  // distance empty.
  void Reset();
  // The digital zoom to give back to the camera; none while disconnected.
  std::optional<std::int32_t> SavedDigitalZoom() const;

  // Tests: true while a camera call is pending or no refill has arrived.
  bool IsBusy() const;

protected:
  void reject() override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  // Runs a refill that failed again.
  void showEvent(QShowEvent* event) override;

private:
  void BuildControls();
  // Makes the list's box in `parent`; its label for the caller to place.
  QLabel* AddList(CaptureList list, QWidget* parent);
  QComboBox* Combo(CaptureList list) const { return m_combos[static_cast<std::size_t>(list)]; }
  void Apply(const CaptureSnapshot& snapshot);
  void ApplyZoom(const ZoomAndFocus& zoom);
  void FillCombo(CaptureList list, const CaptureValueList& values, std::int32_t current);
  void Select(CaptureList list, std::int32_t value);
  void ApplyModeRule(std::int32_t mode);
  void UpdateEnabled();
  void OnExposureChanged(CaptureList list);
  void ExposureDone(CaptureList list, const ExposureBlock& requested, const ExposureBlock& read,
                    std::int32_t bias);
  void OnValueChanged(CaptureList list);
  void SendValue(CaptureList list, std::int32_t value);
  void OnZoomReleased();
  void OnFocus(std::int32_t mode);
  void OnAfLock(bool locked);
  void StorePlacement();

  std::shared_ptr<ICapturePropertiesSource> m_source;
  CameraDialogCalls m_calls;
  QPointer<QObject> m_window;
  ITarselSettings* m_settings;
  std::unique_ptr<CHtmlHelp> m_help;

  std::array<QComboBox*, kCaptureListCount> m_combos{};
  std::array<CaptureValueList, kCaptureListCount> m_lists;
  CExtComboBox* m_aperture = nullptr;
  CExtComboBox* m_exposureTime = nullptr;
  CExtComboBox* m_bias = nullptr;
  QSlider* m_zoom = nullptr;
  QLabel* m_zoomLabel = nullptr;
  std::array<QRadioButton*, 3> m_focus{};
  QCheckBox* m_afLock = nullptr;
  CButtonTP* m_take = nullptr;
  QPushButton* m_advanced = nullptr;

  ExposureBlock m_exposure;
  std::optional<std::int32_t> m_savedDigitalZoom;
  bool m_updating = false;
  bool m_filled = false;
  bool m_refreshPending = false;
  bool m_connected = true;
  bool m_takeRunning = false;
  bool m_placementReady = false;
};

} // namespace tarsel::dialogs
