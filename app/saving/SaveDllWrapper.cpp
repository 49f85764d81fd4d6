#include "app/saving/SaveDllWrapper.h"

#include "app/ui/ProgramFolder.h"
#include "platform/Win32Error.h"

namespace {

std::string pathInProgramFolder(const std::string& fileName) {
  if (!fileName.empty() && fileName.front() == '/')
    return fileName;
  char folder[kProgramFolderSize];
  if (!GetProgramFolder(folder, sizeof folder))
    return fileName;
  return std::string(folder) + fileName;
}

} // namespace

CSaveDllWrapper::CSaveDllWrapper(const std::string& fileName, DWORD initValue) {
  if (!m_module.load(pathInProgramFolder(fileName))) {
    m_problem = "cannot be loaded: " + m_module.errorText();
    return;
  }
  if (const auto init = m_module.function<SavInitFunction>("SavInit")) {
    int answer = 0;
    try {
      answer = init(initValue);
    } catch (...) {
      // An export must not throw; one that does has refused.
      m_problem = "SavInit failed with an exception";
      return;
    }
    if (answer != 0) {
      m_problem = "SavInit answered " + std::to_string(answer);
      return;
    }
  }
  m_save = m_module.function<SavSaveFunction>("SavSave");
  m_saveBunchUI = m_module.function<SavSaveBunchUIFunction>("SavSaveBunchUI");
  m_propPage = m_module.function<SavPropPageFunction>("SavPropPage");
  m_processError = m_module.function<SavProcessErrorFunction>("SavProcessError");
  m_displayInfo = m_module.function<SavDisplayInfoFunction>("SavDisplayInfo");
  m_abort = m_module.function<SavAbortFunction>("SavAbort");
  if (!m_save)
    m_problem = "SavSave is not exported";
  else if (!m_displayInfo)
    m_problem = "SavDisplayInfo is not exported";
}

CSaveDllWrapper::~CSaveDllWrapper() {
  if (!m_module.isLoaded())
    return;
  // The result is not used, and nothing a plug-in throws may stop the
  // shut-down or the unloading.
  try {
    if (const auto term = m_module.function<SavTermFunction>("SavTerm"))
      term();
  } catch (...) {
  }
  m_module.unload();
}

HRESULT CSaveDllWrapper::Save(HWND owner, ISaveInfo* info, IPictureFromCamera* picture,
                              ITarselSettings* settings, BOOL queued) {
  return m_save ? m_save(owner, info, picture, settings, queued) : E_FAIL;
}

HRESULT CSaveDllWrapper::SaveBunchUI(HWND owner, ISaveInfo* info, IPictureFromCamera** pictures,
                                     ITarselSettings* settings, std::int32_t count) {
  return m_saveBunchUI ? m_saveBunchUI(owner, info, pictures, settings, count) : E_FAIL;
}

HRESULT CSaveDllWrapper::PropPage(ITarselSettings* settings, IPropSheetCallback* sheet,
                                  PROPSHEETPAGE** page) {
  return m_propPage ? m_propPage(settings, sheet, page) : E_FAIL;
}

HRESULT CSaveDllWrapper::ProcessError(HWND owner, ISaveInfo* info, ITarselSettings* settings,
                                      _brantel_take_error* error) {
  return m_processError ? m_processError(owner, info, settings, error) : 0;
}

void CSaveDllWrapper::Abort() noexcept {
  try {
    if (m_abort)
      m_abort();
  } catch (...) {
    // An export must not throw; the stop goes on regardless.
  }
}

HRESULT CSaveDllWrapper::DisplayInfo(ITarselSettings* settings, ISaveDllDisplayInfo* display) {
  if (!m_displayInfo)
    return E_FAIL;
  m_displayInfo(settings, display);
  return 0;
}

bool CSaveDllWrapper::IsValid() {
  return m_save && m_displayInfo;
}
