// A camera's battery reading as the camera window shows it, and the battery
// warning box.
//
// A reading is the 32-bit value of ICameraHiLevel::GetBatteryStatus:
// negative means no reading; with bit 16 clear the low 16 bits are a
// percentage; with bit 16 set the value 0x10001 .. 0x10004 names a level
// (OK, weak, low, very low).
//
// CBatteryStatusNotification is the modal warning. Its two check boxes
// switch warnings off for the rest of the run (a program-wide flag that is
// set once and never cleared), the second one also for later runs (the user
// setting DontShowBatteryStatus). A level reading is worded as a level,
// never as a percentage.
//
// Threads: the user-interface thread, except IsSuppressedForRun (any thread).
// Failure: settings that cannot be opened count as "not stored"; nothing
// here throws.
#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>

class ITarselSettings;
class QCheckBox;
class QLabel;

namespace tarsel::frame {

// The status-pane text of a reading: "Battery: 55%", "Battery: Weak" ...,
// blank for no reading.
QString BatteryPaneText(std::int32_t value);
// Whether a reading deserves the warning (warnings not suppressed): a
// percentage below 50, or the levels low and very low.
bool BatteryWarningWanted(std::int32_t value);
// The warning's message for a reading, with its quotation marks.
QString BatteryWarningText(std::int32_t value);

} // namespace tarsel::frame

class CBatteryStatusNotification : public QDialog {
  Q_OBJECT

public:
  static constexpr int IDD = 134;
  static constexpr int IDC_MESSAGE = 1014;
  static constexpr int IDC_THIS_RUN = 1015;
  static constexpr int IDC_NEVER = 1016;

  // value: the reading; settings: the application's settings (may be null:
  // the "never" box then only switches warnings off for this run).
  CBatteryStatusNotification(std::int32_t value, const QString& cameraName, ITarselSettings* settings,
                             QWidget* parent = nullptr);
  ~CBatteryStatusNotification() override;

  // True when warnings are off for this run; a stored DontShowBatteryStatus
  // switches them off for the run first.
  static bool IsSuppressed(ITarselSettings* settings);
  static bool IsSuppressedForRun();
  // Warnings on again; only tests call it (the program never clears the flag).
  static void ClearRunFlagForTests();

  // Shows the box modally (or hands it to the test hook) and returns the
  // dialog's result.
  int ShowModal();
  // A test answers in the user's place: the hook may tick the boxes; the box
  // is then closed with OK.
  using Hook = std::function<void(CBatteryStatusNotification& box)>;
  static Hook SetHook(Hook hook);

  QString MessageText() const;
  std::uint32_t Percentage() const { return m_percentage; }
  const QString& CameraName() const { return m_cameraName; }
  // Check box 1015 ("this run") and 1016 ("never again").
  void SetThisRunChecked(bool checked);
  void SetNeverChecked(bool checked);

  void accept() override;

private:
  QString m_message;
  std::uint32_t m_percentage = 0;
  QString m_cameraName;
  ITarselSettings* m_settings = nullptr;
  QLabel* m_text = nullptr;
  QCheckBox* m_thisRun = nullptr;
  QCheckBox* m_never = nullptr;
};
