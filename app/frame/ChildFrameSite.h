// What a camera window needs of the main frame. The main frame implements it;
// tests of the camera window give a stand-in. User-interface thread only.
#pragma once

#include "hostapi/Win32Types.h"

#include <QString>

#include <cstdint>

class CChildFrame;
class IPictureFromCamera;
class ISaveInfo;
class ITarselSettings;
class QObject;
class QWidget;

class IChildFrameSite {
public:
  // The frame window (parent of message boxes that belong to the program).
  virtual QWidget* FrameWindow() = 0;
  // The application's settings object (no reference added); may be null.
  virtual ITarselSettings* GetSettings() = 0;
  // True when at least one saver plug-in is loaded.
  virtual bool HasSavers() = 0;

  // The frame's status line: the message pane (pane 0) and panes 1 to 5 as
  // the camera windows use them (picture loading, picture index, camera
  // status text, battery), written while a camera window has no status bar
  // of its own. pane: 1 .. 5 as the frame's panes are numbered.
  virtual void ShowFrameMessage(const QString& text) = 0;
  virtual void SetFramePaneText(int pane, const QString& text) = 0;

  // Saving through the save queue; false when nothing was queued (the picture
  // then stays unsaved in the window's series). saveInfo: the window's save
  // information, whose counter names the picture. outcomeReceiver (the
  // window; may be null) gets the job's tarsel::saving::SaveOutcomeEvent.
  virtual bool QueuePictureSave(IPictureFromCamera* picture, ISaveInfo* saveInfo, const char* cameraName,
                                QObject* outcomeReceiver) = 0;
  // One camera's result of an all-cameras take: a picture with code 0, or no
  // picture and an error code; counter and save: the take's picture counter
  // and save flag. False when nothing was queued.
  virtual bool QueueSynchronizedSave(IPictureFromCamera* picture, const char* cameraName, HRESULT code,
                                     std::int32_t counter, bool save, QObject* outcomeReceiver) = 0;

  // Capture-properties dialogs of the all-cameras view.
  virtual bool IsCaptureDialogShown() = 0;
  virtual void ShowCaptureDialogFor(CChildFrame* window) = 0;
  virtual void HideCaptureDialogs() = 0;
  virtual void RefreshCaptureDialogs(CChildFrame* active) = 0;

  // The live-preview window.
  virtual bool HasPreviewWindow() = 0;
  virtual void OpenPreview(CChildFrame* window) = 0;
  // Closes the preview window (when `window` is given: only when it shows that window's camera).
  virtual void ClosePreview(CChildFrame* window = nullptr) = 0;
  virtual void SetPreviewSource(CChildFrame* window) = 0;
  virtual void NotifyPreviewBusy(bool busy) = 0;

  // Posts WM_TARSEL_ACTIVATE_CHILD: the frame activates the window later.
  virtual void PostActivateChild(CChildFrame* window) = 0;
  // The window was destroyed: the frame forgets it.
  virtual void ChildClosed(CChildFrame* window) = 0;

  // The interactive save ("Save As...", "Save Alll Pictures in Series...")
  // through the saver the user chose last, its dialogs parented to `window`:
  // the pictures in series order, all in one call when there are several.
  // 0 saved, 1223 cancelled or no saver found (nothing saved), else the
  // saver's error code, which the window reports. A site without savers
  // saves nothing.
  virtual HRESULT SavePicturesInteractive(CChildFrame* window, IPictureFromCamera* const* pictures,
                                          int count) {
    static_cast<void>(window);
    static_cast<void>(pictures);
    static_cast<void>(count);
    return 1223;
  }

protected:
  ~IChildFrameSite() = default;
};
