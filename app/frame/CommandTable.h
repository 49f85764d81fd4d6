// The commands of one window, registered once as {id, enabled, run}: a
// command's enable test and its work sit side by side, so what the menus and
// the toolbar show and what a command does cannot disagree.
//
// Update answers the enable test (and the check mark) as it is now; an
// enable test that throws counts as disabled. Find gives the command to
// run; its caller guards the run (tarsel::ui::Guard). User-interface thread
// only.
#pragma once

#include "app/frame/CommandTarget.h"
#include "hostapi/Win32Types.h"

#include <functional>
#include <vector>

namespace tarsel::frame {

class CommandTable {
public:
  struct Command {
    UINT id = 0;
    std::function<bool()> enabled;
    std::function<void()> run;
    // Empty: the command never shows a check mark.
    std::function<bool()> checked;
  };

  void Add(UINT id, std::function<bool()> enabled, std::function<void()> run,
           std::function<bool()> checked = {});
  // False when the table does not hold the id.
  bool Update(UINT id, CCmdUI* state) const;
  // The command of the id, or null.
  const Command* Find(UINT id) const;

private:
  std::vector<Command> m_commands;
};

} // namespace tarsel::frame
