// The saver list: every saver plug-in of the program's folder that loaded,
// accepted SavInit and exports SavSave and SavDisplayInfo, in file-name
// order, and the saver chosen last. Made once by the application's start-up
// and deleted first in its shut-down; deleting it ends and unloads every
// plug-in.
//
// Threads: user-interface thread only (the save thread calls the wrappers
// it was handed, never the list). Failure: a plug-in that cannot be used is
// left out and its reason written to the error log; the program goes on
// without it. An error while reading the folder is thrown.
#pragma once

#include "hostapi/Win32Types.h"

#include <cstdint>
#include <string>
#include <vector>

class CSaveDllWrapper;
class ITarselSettings;

class CSaveDllList {
public:
  // Loads every TarselS*.so of `folder` (empty: the program's folder), each
  // with SavInit (initValue). A folder that cannot be opened gives an empty
  // list; an error while reading it throws _brantel_take_error.
  explicit CSaveDllList(DWORD initValue, const std::string& folder = {});
  virtual ~CSaveDllList();
  CSaveDllList(const CSaveDllList&) = delete;
  CSaveDllList& operator=(const CSaveDllList&) = delete;

  std::int32_t GetCount() const { return static_cast<std::int32_t>(m_savers.size()); }
  // The saver at `index`; null outside the list.
  CSaveDllWrapper* GetAt(std::int32_t index) const;

  // The saver whose display name is `name`: the current one when its name
  // matches exactly, else the first whose name matches ignoring case, which
  // becomes current; none: null and no current saver. A null or empty name
  // chooses the saver named "File" (ignoring case), else the first one.
  CSaveDllWrapper* FindSaver(ITarselSettings* settings, const char* name);
  // Index of the saver chosen last; -1 when none is.
  std::int32_t GetCurrent() const { return m_current; }

private:
  std::vector<CSaveDllWrapper*> m_savers;
  std::int32_t m_current = -1;
};
