// Command routing of the main program, as menus, the toolbar, accelerators
// and posted commands reach it: the main frame offers a command to the
// active camera window first, then handles it itself.
//
// OnUpdateCommand answers the command's enable test (and its check mark) as
// it is at that moment; OnCommand runs it. A command runs only when its
// enable test passes at the moment it arrives, also a posted one.
//
// User-interface thread only. OnCommand never lets an exception out: the
// handler reports it (ReportError) and returns.
#pragma once

#include "hostapi/Win32Types.h"

#include <QEvent>

struct CCmdUI {
  bool enabled = false;
  bool checked = false;
};

class ICommandTarget {
public:
  // False when this target does not handle the id (the next target is asked).
  virtual bool OnUpdateCommand(UINT id, CCmdUI* state) = 0;
  // False when this target does not handle the id.
  virtual bool OnCommand(UINT id) = 0;

protected:
  ~ICommandTarget() = default;
};

namespace tarsel::frame {

// A posted WM_COMMAND (menu id, no control): the frame runs it when it
// arrives, after its enable test.
class CommandEvent : public QEvent {
public:
  static QEvent::Type type();
  explicit CommandEvent(UINT id) : QEvent(type()), m_id(id) {}
  UINT id() const { return m_id; }

private:
  UINT m_id;
};

} // namespace tarsel::frame
