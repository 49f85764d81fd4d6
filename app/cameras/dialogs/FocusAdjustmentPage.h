// The "Focus Adjustment" page of the camera-settings sheet: the focus mode,
// the manual focus position followed live by the camera, the digital zoom
// used while focusing (not kept), and a series of sample pictures at
// stepped focus positions, taken by the camera window one after another and
// shown side by side in its focusing-images strip.
//
// While the page lives the window decodes new pictures at full size and the
// camera uses its focusing resolution; leaving the page puts back the
// resolution, the digital zoom and the window's scale; Cancel also the
// focus mode and position the camera had. A series ends at its count, at the
// end of the focus range, at the first failed picture, and when the page is
// left. User-interface thread only (see CCameraSettingsSheet).
#pragma once

#include "app/cameras/dialogs/CameraSettingsSheet.h"
#include "app/cameras/dialogs/ICameraSettingsSource.h"
#include "hostapi/Win32Types.h"

#include <array>
#include <memory>
#include <vector>

class CButtonTP;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QVBoxLayout;

namespace tarsel::dialogs {

class CFocusAdjustmentPage : public CCameraSettingsPage {
  Q_OBJECT

public:
  CFocusAdjustmentPage(std::shared_ptr<ICameraSettingsSource> source, QWidget* cameraWindow);

  void OnSetActive() override;
  void OnKillActive() override;
  void OnCancel() override;

  bool IsBusy() const override { return m_seriesRunning || CCameraSettingsPage::IsBusy(); }
  // The step between samples, one value for every focus page of the run.
  static int StepBetweenSamples();

protected:
  void OnCreate() override;
  bool event(QEvent* event) override;
  void UpdateEnabled() override;

private:
  // The parts of the page, made in this order: the focus modes with
  // "&Detect Capabilities", the manual focus group, the take row, and the
  // digital zoom rows.
  void AddModeRow(QVBoxLayout* layout);
  void AddManualGroup(QVBoxLayout* layout);
  void AddTakeRow(QVBoxLayout* layout);
  void AddDigitalZoomRows(QVBoxLayout* layout);
  void Opened(const FocusOpening& opening);
  void OnMode(int choice);
  void OnSlider(int position);
  void SendPosition();
  void OnDigitalZoom();
  void OnTakeSamples();
  void NextSample(HRESULT code, bool first);
  void EndSeries(bool cancelling);
  std::int32_t ChosenMode() const;
  void ShowPosition(int position);
  // Puts back the resolution and digital zoom the page found.
  void GiveEntryBack();

  std::shared_ptr<ICameraSettingsSource> m_source;
  std::array<QRadioButton*, 3> m_radios{};
  QSlider* m_slider = nullptr;
  QLineEdit* m_position = nullptr;
  QLabel* m_min = nullptr;
  QLabel* m_max = nullptr;
  QSpinBox* m_samples = nullptr;
  QSpinBox* m_step = nullptr;
  QComboBox* m_digitalZoom = nullptr;
  CButtonTP* m_take = nullptr;
  QPushButton* m_detect = nullptr;
  std::vector<QWidget*> m_manualControls;
  std::vector<QWidget*> m_digitalZoomControls;

  FocusOpening m_entry;
  bool m_rangeKnown = false;
  bool m_updating = false;
  bool m_active = false;
  bool m_manual = false;
  int m_keptSamples = 1;
  std::int32_t m_mode = 1;
  // The focus position last sent to the camera.
  std::int32_t m_positionSent = -1;
  std::int32_t m_chosenZoom = 0;
  std::int32_t m_keptDivisor = 0;
  bool m_divisorKept = false;
  // The slider's position still to send while a send is under way.
  int m_positionToSend = -1;
  bool m_sending = false;
  bool m_seriesRunning = false;
  int m_samplesTaken = 0;
};

} // namespace tarsel::dialogs
