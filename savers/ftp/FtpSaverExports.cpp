// The seven exports of the FTP saver, and SavAbort. Each catches everything at its
// boundary: a _brantel_take_error becomes its code, anything else 0x8000FFFF;
// nothing is shown here.
#include "env/BrantelTakeError.h"
#include "env/FacilityRegistry.h"
#include "hostapi/TarselSaverPlugin.h"
#include "platform/Win32Error.h"
#include "savers/common/ExportGuard.h"
#include "savers/common/UiThread.h"
#include "savers/ftp/FtpMessages.h"
#include "savers/ftp/FtpSaver.h"
#include "savers/ftp/PropPage.h"
#include "savers/ftp/SharedSession.h"

namespace {

using namespace tarsel::ftpsaver;
using tarsel::savers::GuardedExport;
using tarsel::savers::MakePropPage;
using tarsel::savers::WidgetOf;

} // namespace

TARSEL_SAVER_EXPORT int SavInit(DWORD /*initValue*/) {
  return GuardedExport(kSaverUnexpected, [] {
    RegisterFacility(tarsel::ftp::kFacility, tarsel::ftp::FtpMessageTable());
    return 0;
  });
}

TARSEL_SAVER_EXPORT int SavTerm() {
  return GuardedExport(kSaverUnexpected, [] {
    UnregisterFacility(tarsel::ftp::kFacility);
    // Logs out and joins the session's threads before the library goes away.
    SharedSession::Destroy();
    return 0;
  });
}

TARSEL_SAVER_EXPORT int SavAbort() {
  // Cuts the session's connections: takes no lock the save holds.
  SharedSession::Interrupt();
  return 0;
}

TARSEL_SAVER_EXPORT int SavSave(HWND /*owner*/, ISaveInfo* info, IPictureFromCamera* picture,
                                ITarselSettings* settings, BOOL direct) {
  return GuardedExport(kSaverUnexpected, [&] {
    if (!picture)
      return 0;
    if (!info)
      ThrowError(E_INVALIDARG);
    if (!direct)
      return InteractiveSave(*info, *picture, settings);
    DirectSave(*info, *picture, settings);
    return 0;
  });
}

TARSEL_SAVER_EXPORT int SavSaveBunchUI(HWND owner, ISaveInfo* info, IPictureFromCamera** pictures,
                                       ITarselSettings* settings, std::int32_t count) {
  return GuardedExport(kSaverUnexpected, [&] {
    if (!pictures)
      return kSaverNoPictureList;
    if (!info)
      ThrowError(E_INVALIDARG);
    // The series dialog uploads every entry: a list with a gap is refused before it opens.
    for (std::int32_t i = 0; i < count; ++i) {
      if (!pictures[i])
        ThrowError(E_INVALIDARG);
    }
    return SaveSeries(WidgetOf(owner), *info, pictures, count, settings);
  });
}

TARSEL_SAVER_EXPORT int SavPropPage(ITarselSettings* settings, IPropSheetCallback* sheet,
                                    PROPSHEETPAGE** page) {
  return GuardedExport(kSaverUnexpected, [&] { return MakePropPage<CPropPage>(settings, sheet, page); });
}

TARSEL_SAVER_EXPORT int SavProcessError(HWND owner, ISaveInfo* info, ITarselSettings* settings,
                                        _brantel_take_error* error) {
  return GuardedExport(kSaverUnexpected, [&] {
    if (!error || error->Error() == 0)
      return 0;
    if (!info)
      ThrowError(E_INVALIDARG);
    return ProcessError(WidgetOf(owner), *info, settings, *error);
  });
}

TARSEL_SAVER_EXPORT void SavDisplayInfo(ITarselSettings* settings, ISaveDllDisplayInfo* display) {
  try {
    if (!display)
      return;
    // The name first: the program finds the saver by it, whatever the settings hold.
    display->SetName("FTP");
    const std::string location = LocationText(settings);
    if (!location.empty())
      display->SetLocation(location.c_str());
  } catch (...) {
  }
}
