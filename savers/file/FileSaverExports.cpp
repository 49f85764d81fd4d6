// The seven exports of the file saver. Each catches everything at its
// boundary: a _brantel_take_error becomes its code, anything else the
// function's fixed code; nothing is shown here.
#include "env/BrantelTakeError.h"
#include "env/FacilityRegistry.h"
#include "hostapi/TarselSaverPlugin.h"
#include "platform/Win32Error.h"
#include "savers/common/ExportGuard.h"
#include "savers/common/UiThread.h"
#include "savers/file/FileOptionsPage.h"
#include "savers/file/FileSaver.h"
#include "savers/file/FileSaverTexts.h"
#include "savers/file/PostProcessCommand.h"
#include "savers/file/SaveBunchDlg.h"

namespace {

using namespace tarsel::filesaver;
using tarsel::savers::GuardedExport;
using tarsel::savers::MakePropPage;
using tarsel::savers::WidgetOf;

} // namespace

TARSEL_SAVER_EXPORT int SavInit(DWORD /*initValue*/) {
  return GuardedExport(kSaverUnexpected, [] {
    RegisterFacility(kFacility, MessageTableOfModule());
    return 0;
  });
}

TARSEL_SAVER_EXPORT int SavTerm() {
  return GuardedExport(kSaverUnexpected, [] {
    StopChildReaper();
    UnregisterFacility(kFacility);
    return 0;
  });
}

TARSEL_SAVER_EXPORT int SavSave(HWND owner, ISaveInfo* info, IPictureFromCamera* picture,
                                ITarselSettings* settings, BOOL direct) {
  return GuardedExport(kSaverFailed, [&] {
    if (!picture)
      return 0;
    if (!info)
      ThrowError(E_INVALIDARG);
    if (!direct)
      return InteractiveSave(WidgetOf(owner), *info, *picture, settings);
    DirectSave(*info, *picture, settings);
    return 0;
  });
}

TARSEL_SAVER_EXPORT int SavSaveBunchUI(HWND owner, ISaveInfo* info, IPictureFromCamera** pictures,
                                       ITarselSettings* settings, std::int32_t count) {
  return GuardedExport(kSaverFailed, [&] {
    if (!pictures)
      return kSaverNoPictureList;
    if (!info)
      ThrowError(E_INVALIDARG);
    CSaveBunchDlg dialog(WidgetOf(owner), *info, pictures, count < 0 ? 0 : count, settings);
    dialog.exec();
    return 0;
  });
}

TARSEL_SAVER_EXPORT int SavPropPage(ITarselSettings* settings, IPropSheetCallback* sheet,
                                    PROPSHEETPAGE** page) {
  return GuardedExport(kSaverUnexpected, [&] { return MakePropPage<CPropPage>(settings, sheet, page); });
}

TARSEL_SAVER_EXPORT int SavProcessError(HWND owner, ISaveInfo* info, ITarselSettings* /*settings*/,
                                        _brantel_take_error* error) {
  return GuardedExport(kSaverUnexpected, [&] {
    if (!error || error->Error() == 0)
      return 0;
    if (!info)
      ThrowError(E_INVALIDARG);
    return ProcessError(WidgetOf(owner), *info, *error);
  });
}

TARSEL_SAVER_EXPORT void SavDisplayInfo(ITarselSettings* settings, ISaveDllDisplayInfo* display) {
  try {
    if (!display)
      return;
    const std::string location = LocationText(settings);
    display->SetName("File");
    display->SetLocation(location.c_str());
  } catch (...) {
  }
}
