// Help topics: HTML pages in the "help" folder beside the running program,
// shown by a hook that the GUI programs install (their own help window).
// Without a hook nothing happens.
#pragma once

#include "TarselEnv_export.h"
#include "hostapi/Win32Types.h"

#include <functional>
#include <string>

// The hook receives the parent window and the page's file URL.
using HelpDisplayHook = std::function<void(HWND parent, const std::string& url)>;

class TARSELENV_EXPORT CHtmlHelp {
public:
  CHtmlHelp() = default;
  ~CHtmlHelp() = default;

  // Shows `topic` (a page name such as "01_introduction.htm"), or the help's
  // index page when `topic` is null or empty.
  void DisplayHelp(HWND parent, const char* topic);

  // Installs the display hook (an empty function removes it); returns the previous one.
  static HelpDisplayHook SetDisplayHook(HelpDisplayHook hook);
  // The help folder: "help" beside the running program, or the folder that
  // TARSEL_HELP_DIR names (for tests).
  static std::string HelpFolder();
};
