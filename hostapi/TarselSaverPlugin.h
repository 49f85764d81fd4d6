// The contract between the program and a saver plug-in, in one header for
// plug-in authors. A saver plug-in is a shared library named TarselS<name>.so
// in the program's folder that exports the seven functions below with C
// linkage; the program loads it at start, calls SavInit, binds the others by
// name and calls SavTerm before it unloads it at exit.
//
// No exception leaves an export: every failure becomes a result code.
// Results: 0 success; kSaverCancelled when the user cancelled (the program
// shows nothing for it); from SavProcessError 0 means "save the same picture
// again", kSaverCancelled "stop and drop the save queue", kSaverSkipPicture
// "go on with the next picture"; any other value is an error code (a
// _brantel_take_error code, a Win32 number, kSaverUnexpected for a foreign
// exception).
//
// Threads: SavSave with direct != 0 and SavProcessError run on the program's
// save thread; everything else on the user-interface thread. An interactive
// save may run while the save thread works.
//
// A plug-in whose direct save can block on a peer may also export SavAbort:
// the program calls it on the user-interface thread when it stops its save
// thread (it is closing) while a direct save runs. It returns at once; the
// save under way ends with a failure instead of waiting for the peer, and
// every direct save after it fails until SavTerm.
#pragma once

#include "hostapi/IPictureFromCamera.h"
#include "hostapi/IPropSheetCallback.h"
#include "hostapi/ISaveDllDisplayInfo.h"
#include "hostapi/ISaveInfo.h"
#include "hostapi/ISaverSettings.h"
#include "hostapi/ITarselSettings.h"
#include "hostapi/Win32Types.h"

#include <cstdint>

class QWidget;
class _brantel_take_error;

// The user cancelled (ERROR_CANCELLED).
inline constexpr int kSaverCancelled = 1223;
// From SavProcessError: skip this picture.
inline constexpr int kSaverSkipPicture = static_cast<int>(0x81020002u);
// SavSaveBunchUI was given no picture list (E_INVALIDARG).
inline constexpr int kSaverNoPictureList = static_cast<int>(0x80070057u);
// SavPropPage could not allocate its page (ERROR_NOT_ENOUGH_MEMORY).
inline constexpr int kSaverNoMemory = 8;
// A foreign exception (E_UNEXPECTED; the file saver's saves answer E_FAIL).
inline constexpr int kSaverUnexpected = static_cast<int>(0x8000FFFFu);
inline constexpr int kSaverFailed = static_cast<int>(0x80004005u);

// The description of a plug-in's options page. `page` is a widget without a
// parent; the program's Options sheet takes it over and deletes it with the
// sheet. The description itself belongs to the plug-in and stays valid while
// the sheet is open.
inline constexpr DWORD PSP_HASHELP = 0x00000020;
struct PROPSHEETPAGE {
  DWORD dwSize;
  // PSP_HASHELP: the page has a Help button.
  DWORD dwFlags;
  // The tab's title.
  const char* pszTitle;
  QWidget* page;
};

// The seven exports, as the program binds them.
using SavInitFunction = int (*)(DWORD initValue);
using SavTermFunction = int (*)();
using SavAbortFunction = int (*)();
using SavSaveFunction = int (*)(HWND owner, ISaveInfo* info, IPictureFromCamera* picture,
                                ITarselSettings* settings, BOOL direct);
using SavSaveBunchUIFunction = int (*)(HWND owner, ISaveInfo* info, IPictureFromCamera** pictures,
                                       ITarselSettings* settings, std::int32_t count);
using SavPropPageFunction = int (*)(ITarselSettings* settings, IPropSheetCallback* sheet,
                                    PROPSHEETPAGE** page);
using SavProcessErrorFunction = int (*)(HWND owner, ISaveInfo* info, ITarselSettings* settings,
                                        _brantel_take_error* error);
using SavDisplayInfoFunction = void (*)(ITarselSettings* settings, ISaveDllDisplayInfo* display);

// What a plug-in writes before each of its exports.
#define TARSEL_SAVER_EXPORT extern "C" __attribute__((visibility("default")))
