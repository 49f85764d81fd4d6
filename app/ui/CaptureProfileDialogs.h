// The file dialogs of capture-profile files (".cpff"): save a storage's
// bytes to a file the user chooses, or read a chosen file into it. Both
// start in the folder last used ("LastUsedCapruteSettingsProfilePath") and
// remember the folder of the chosen file.
//
// Threads: the user-interface thread; both block in the dialog. Failure: the
// file work throws _brantel_take_error (the system's error, the path); a
// cancelled dialog is no failure and changes nothing.
#pragma once

class CCaptureProfileStorage;
class ITarselSettings;
class QWidget;

namespace tarsel::ui {

// True when a file was written, false when the user cancelled.
bool SaveCaptureProfileFile(const CCaptureProfileStorage& storage, QWidget* owner, ITarselSettings* settings);
// True when a file was read into `storage`, false when the user cancelled.
bool OpenCaptureProfileFile(CCaptureProfileStorage& storage, QWidget* owner, ITarselSettings* settings);

} // namespace tarsel::ui
