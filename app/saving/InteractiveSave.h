// A save that the user starts in a camera window: the saver the user chose
// last saves the window's pictures, and may ask questions and show dialogs.
// User-interface thread only.
#pragma once

#include "hostapi/Win32Types.h"

#include <cstdint>

class CSaveDllList;
class IPictureFromCamera;
class ISaveInfo;
class ITarselSettings;

namespace tarsel::saving {

// Chooses the saver that "LastMethodOfSaving" names (the default saver when
// it is empty), puts the digit count and naming mode of the user settings
// into `info`, then hands one picture to its SavSave and several, in series
// order, to its SavSaveBunchUI, with `owner` as the dialogs' parent. Answers
// the saver's result; 1223 (nothing saved) when no saver has that name.
HRESULT SaveWithChosenSaver(CSaveDllList& savers, ITarselSettings* settings, HWND owner, ISaveInfo* info,
                            IPictureFromCamera* const* pictures, std::int32_t count);

} // namespace tarsel::saving
