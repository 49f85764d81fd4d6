// What the file saver does behind its exports: the direct save of the save
// thread, the interactive save with the file dialog, the question after a
// failed direct save and the location text. Failures are thrown as
// _brantel_take_error; the exports turn them into codes.
//
// Threads: DirectSave and ProcessError on the program's save thread (the
// question is asked on the user-interface thread, which the save thread
// waits for); InteractiveSave on the user-interface thread.
#pragma once

#include <string>

class ISaveInfo;
class IPictureFromCamera;
class ITarselSettings;
class QWidget;
class _brantel_take_error;

namespace tarsel::filesaver {

// Folder from the save information, "RootDir" or the per-user data folder,
// the save information's sub-folder and file name; "DoNotOverwrite" refuses
// an existing file with 183 unless the one-time permission was granted.
void DirectSave(ISaveInfo& info, IPictureFromCamera& picture, ITarselSettings* settings);

// 0, or 1223 when the user closed the dialog without a file.
int InteractiveSave(QWidget* owner, ISaveInfo& info, IPictureFromCamera& picture, ITarselSettings* settings);

// 0 save again, 1223 stop, 0x81020002 skip the picture.
int ProcessError(QWidget* owner, ISaveInfo& info, const _brantel_take_error& error);

// "RootDir" made absolute, or the per-user data folder.
std::string LocationText(ITarselSettings* settings);

} // namespace tarsel::filesaver
