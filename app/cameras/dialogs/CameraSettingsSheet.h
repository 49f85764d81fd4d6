// The modal camera-settings sheet ("Advanced Settings") and the base of its
// pages, the same for every family. Pages are made by the family's adapter
// and handed over in their order; a page is set up (OnCreate) only when it
// is first shown, and only pages set up hear OK (OnApply) and Cancel
// (OnCancel), as a property sheet's pages do. The page shown is told when
// it is left (OnKillActive), also before OK and Cancel end the sheet.
// Apply is enabled once a page is modified. Controls are named
// "control<id>" after their template ids.
//
// Threads: user-interface thread. A page changes its camera only through
// camera calls on the camera window's worker (CameraDialogCalls), so the
// sheet never waits for the camera. Failure: a failed call sets the
// window's status to "Error" and is reported; the page stays usable.
#pragma once

#include "app/cameras/dialogs/CameraDialogCalls.h"

#include <QDialog>
#include <QWidget>

#include <memory>
#include <vector>

class CHtmlHelp;
class _ITarselCallback;
class QPushButton;
class QTabWidget;

namespace tarsel::dialogs {

class CCameraSettingsSheet;
class ICameraSettingsSource;

class CCameraSettingsPage : public QWidget {
  Q_OBJECT

public:
  // `cameraWindow`: the camera window's widget; `helpTopic` may be null.
  CCameraSettingsPage(const QString& title, QWidget* cameraWindow, const char* helpTopic);
  ~CCameraSettingsPage() override;

  const QString& Title() const { return m_title; }
  bool IsCreated() const { return m_created; }
  // True while the page holds the camera's monitor switched on.
  bool MonitorSwitchedOn() const { return m_monitorSwitchedOn; }
  bool CallsPending() const { return m_calls.IsPending(); }
  // True until the page has read the camera, and while a camera call is
  // pending (tests wait for it).
  virtual bool IsBusy() const { return CallsPending() || !m_opened; }

  void Create();
  virtual void OnSetActive() {}
  virtual void OnKillActive() {}
  virtual void OnApply() {}
  virtual void OnCancel() {}
  void ShowHelp();

protected:
  virtual void OnCreate() = 0;
  void SetModified();
  CameraDialogCalls& Calls() { return m_calls; }
  ICameraWindow* Window() const { return m_calls.Window(); }
  // Runs `work` on the worker and shows the camera's status line it returns.
  void RunWithStatus(std::function<std::string()> work, std::function<void()> done = {},
                     std::function<void()> failed = {});
  // Asks the sheet to end as Cancel does (after the posted command of a caller).
  void PressCancel();
  // Called whenever a camera call starts or ends.
  virtual void UpdateEnabled() {}

  bool m_monitorSwitchedOn = false;
  // The page's values from the camera have arrived.
  bool m_opened = false;

private:
  friend class CCameraSettingsSheet;
  QString m_title;
  const char* m_helpTopic;
  CameraDialogCalls m_calls;
  std::unique_ptr<CHtmlHelp> m_help;
  CCameraSettingsSheet* m_sheet = nullptr;
  bool m_created = false;
};

class CCameraSettingsSheet : public QDialog {
  Q_OBJECT

public:
  // Takes the pages over.
  CCameraSettingsSheet(const QString& title, std::vector<CCameraSettingsPage*> pages, QWidget* parent);
  ~CCameraSettingsSheet() override;

  // Runs the sheet modally, starting at `firstPage` (out of range: the first).
  int Run(int firstPage);
  // Runs the sheet "Advanced Settings - <cameraName>" over `pages` for the
  // camera window `window`. When a page left the monitor switched on, it is
  // switched off on the window's worker and the camera's status line then
  // goes to `callback` (may be null).
  static void RunForCamera(const char* cameraName, std::vector<CCameraSettingsPage*> pages, QWidget* window,
                           int firstPage, std::shared_ptr<ICameraSettingsSource> source,
                           _ITarselCallback* callback);
  const std::vector<CCameraSettingsPage*>& Pages() const { return m_pages; }
  void SetModified();
  void PressCancel();

  void accept() override;
  void reject() override;

private:
  void OnCurrentChanged(int index);
  void ApplyAll();

  std::vector<CCameraSettingsPage*> m_pages;
  QTabWidget* m_tabs = nullptr;
  QPushButton* m_apply = nullptr;
  CCameraSettingsPage* m_active = nullptr;
  bool m_ending = false;
};

} // namespace tarsel::dialogs
