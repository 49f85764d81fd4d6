// One loaded saver plug-in: its library and the bound exports, each call
// forwarded as it is. Made once at start-up by the saver list; deleting it
// calls the plug-in's SavTerm and unloads the library.
//
// Threads: made and deleted on the user-interface thread. Save and
// ProcessError run on the save thread while the user-interface thread may
// call DisplayInfo, SaveBunchUI or Save on the same plug-in; no lock is
// added here, the plug-ins accept calls from both threads.
#pragma once

#include "hostapi/TarselSaverPlugin.h"
#include "platform/Module.h"

#include <string>

class CSaveDllWrapper {
public:
  // Loads `fileName` from the program's folder (an absolute path is used as
  // it is), calls SavInit with initValue and, when it answers 0 or is
  // missing, binds the other exports by name.
  CSaveDllWrapper(const std::string& fileName, DWORD initValue);
  virtual ~CSaveDllWrapper();
  CSaveDllWrapper(const CSaveDllWrapper&) = delete;
  CSaveDllWrapper& operator=(const CSaveDllWrapper&) = delete;

  // SavSave; 0x80004005 when not bound.
  virtual HRESULT Save(HWND owner, ISaveInfo* info, IPictureFromCamera* picture, ITarselSettings* settings,
                       BOOL queued);
  // SavSaveBunchUI; 0x80004005 when not bound.
  virtual HRESULT SaveBunchUI(HWND owner, ISaveInfo* info, IPictureFromCamera** pictures,
                              ITarselSettings* settings, std::int32_t count);
  // SavPropPage; 0x80004005 when not bound.
  virtual HRESULT PropPage(ITarselSettings* settings, IPropSheetCallback* sheet, PROPSHEETPAGE** page);
  // SavProcessError; 0 (save again) when not bound.
  virtual HRESULT ProcessError(HWND owner, ISaveInfo* info, ITarselSettings* settings,
                               _brantel_take_error* error);
  // SavAbort, when the plug-in exports it: the direct save under way ends
  // without waiting for its peer. Any thread; throws nothing.
  virtual void Abort() noexcept;
  // SavDisplayInfo, then 0; 0x80004005 when not bound.
  virtual HRESULT DisplayInfo(ITarselSettings* settings, ISaveDllDisplayInfo* display);
  // Both SavSave and SavDisplayInfo are bound.
  virtual bool IsValid();

  // Why the plug-in is not valid (for the log); empty when it is.
  const std::string& Problem() const { return m_problem; }

protected:
  // A wrapper over no library, for savers that live in the program (tests).
  CSaveDllWrapper() = default;

private:
  tarsel::platform::Module m_module;
  SavSaveFunction m_save = nullptr;
  SavSaveBunchUIFunction m_saveBunchUI = nullptr;
  SavPropPageFunction m_propPage = nullptr;
  SavProcessErrorFunction m_processError = nullptr;
  SavDisplayInfoFunction m_displayInfo = nullptr;
  SavAbortFunction m_abort = nullptr;
  std::string m_problem;
};
