#include "app/frame/CommandTable.h"

#include <algorithm>

namespace tarsel::frame {

void CommandTable::Add(UINT id, std::function<bool()> enabled, std::function<void()> run,
                       std::function<bool()> checked) {
  m_commands.push_back({id, std::move(enabled), std::move(run), std::move(checked)});
}

const CommandTable::Command* CommandTable::Find(UINT id) const {
  const auto it = std::find_if(m_commands.begin(), m_commands.end(),
                               [id](const Command& command) { return command.id == id; });
  return it != m_commands.end() ? &*it : nullptr;
}

bool CommandTable::Update(UINT id, CCmdUI* state) const {
  const Command* command = Find(id);
  if (!command)
    return false;
  CCmdUI answer;
  try {
    answer.enabled = command->enabled && command->enabled();
    answer.checked = command->checked && command->checked();
  } catch (...) {
    answer = {};
  }
  if (state)
    *state = answer;
  return true;
}

} // namespace tarsel::frame
