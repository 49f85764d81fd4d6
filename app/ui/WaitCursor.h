// The wait cursor for one scope, restored on every path; nothing without a
// GUI application (tests of non-widget code). User-interface thread only.
#pragma once

namespace tarsel::ui {

class WaitCursor {
public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

private:
  bool m_set;
};

} // namespace tarsel::ui
