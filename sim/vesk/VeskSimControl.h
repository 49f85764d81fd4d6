// The daemon's control commands: one text line in, one line out ("ok ..." or
// "error ..."). They unplug and plug devices, arm and clear faults, read and
// set camera registers, change the card, and dump it for comparisons; the
// command list is in VeskSimConfig::helpText(). "quit" calls the stop
// function. Thread-safe as the engine is; any thread.
#pragma once

#include <functional>
#include <string>

namespace tarsel::vesksim {

class VeskSimEngine;

class VeskSimControl {
public:
  VeskSimControl(VeskSimEngine& engine, std::function<void()> stop);
  std::string execute(const std::string& line);

private:
  VeskSimEngine& m_engine;
  std::function<void()> m_stop;
};

} // namespace tarsel::vesksim
