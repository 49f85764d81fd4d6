// A test saver built from the plug-in contract alone: named TEST_SAVER_NAME,
// it may refuse SavInit or lack SavDisplayInfo, and appends each call as
// "<name> <export>" (with what a save was given) to the file that
// TARSEL_TEST_SAVER_JOURNAL names.
#include "hostapi/TarselSaverPlugin.h"

#include <cstdio>
#include <cstdlib>

namespace {

void record(const char* call, int a = -1, int b = -1) {
  const char* path = std::getenv("TARSEL_TEST_SAVER_JOURNAL");
  if (!path)
    return;
  if (std::FILE* journal = std::fopen(path, "a")) {
    if (a < 0)
      std::fprintf(journal, "%s %s\n", TEST_SAVER_NAME, call);
    else
      std::fprintf(journal, "%s %s %d %d\n", TEST_SAVER_NAME, call, a, b);
    std::fclose(journal);
  }
}

} // namespace

TARSEL_SAVER_EXPORT int SavInit(DWORD) {
  record("SavInit");
#ifdef TEST_SAVER_REFUSES
  return 1;
#else
  return 0;
#endif
}

TARSEL_SAVER_EXPORT int SavTerm() {
  record("SavTerm");
  return 0;
}

TARSEL_SAVER_EXPORT int SavSave(HWND, ISaveInfo* info, IPictureFromCamera*, ITarselSettings*, BOOL direct) {
  record("SavSave", info->GetNumDigits(), direct);
  return 0;
}

TARSEL_SAVER_EXPORT int SavSaveBunchUI(HWND, ISaveInfo* info, IPictureFromCamera**, ITarselSettings*,
                                       std::int32_t count) {
  record("SavSaveBunchUI", info->GetNamingMode(), count);
  return 0;
}

#ifndef TEST_SAVER_WITHOUT_DISPLAY_INFO
TARSEL_SAVER_EXPORT void SavDisplayInfo(ITarselSettings*, ISaveDllDisplayInfo* display) {
  record("SavDisplayInfo");
  display->SetName(TEST_SAVER_NAME);
}
#endif
