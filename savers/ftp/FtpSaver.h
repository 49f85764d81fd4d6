// What the FTP saver does behind its exports: the direct save of the save
// thread (log in when needed, change into the composed folder, upload), the
// interactive and series saves through their dialogs, the decision after a
// failed queued save and the location text. Failures are thrown as
// _brantel_take_error; the exports turn them into codes.
//
// Threads: DirectSave and ProcessError on the program's save thread (the
// dialogs and questions of ProcessError are shown on the user-interface
// thread, which the save thread waits for); the rest on the user-interface
// thread.
#pragma once

#include <cstdint>
#include <string>

class ISaveInfo;
class IPictureFromCamera;
class ITarselSettings;
class QWidget;
class _brantel_take_error;

namespace tarsel::ftpsaver {

// How many times in a row a server that answers 421 (service not available)
// is logged out of and retried without asking; then the user decides.
inline constexpr int kMaxServiceUnavailableRetries = 3;

void DirectSave(ISaveInfo& info, IPictureFromCamera& picture, ITarselSettings* settings);

// 0, or 1223 when the user cancelled the dialog.
int InteractiveSave(ISaveInfo& info, IPictureFromCamera& picture, ITarselSettings* settings);
int SaveSeries(QWidget* parent, ISaveInfo& info, IPictureFromCamera** pictures, std::int32_t count,
               ITarselSettings* settings);

// 0 save again, 1223 stop, 0x81020002 skip the picture.
int ProcessError(QWidget* owner, ISaveInfo& info, ITarselSettings* settings,
                 const _brantel_take_error& error);

// "ftp://" + server + root folder; "" when no server is set.
std::string LocationText(ITarselSettings* settings);

// The folder a direct save changes into: the server's root folder and the
// picture's sub-folder joined by one "/".
std::string ComposeDirectory(const std::string& rootDir, const std::string& subFolder);

} // namespace tarsel::ftpsaver
