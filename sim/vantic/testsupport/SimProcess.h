// The camera simulator as a child process for the tests of the camera
// library and of the control over it: started with its command line, its
// ready line ("SERIAL <path>" or "USB <path>") read, then steered over its
// JSON-lines control channel. Ending the object ends the
// simulator (quit, then a kill if it lingers). One thread.
#pragma once

#include "sim/vantic/testsupport/MiniJson.h"

#include <string>
#include <vector>

#include <sys/types.h>

namespace tarsel::vantic::test {

class SimProcess {
public:
  // False when python3 cannot be run here (tests then skip).
  static bool pythonAvailable();
  static std::string simulatorPath();

  explicit SimProcess(const std::vector<std::string>& arguments);
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  bool ready() const { return !m_endpoint.empty(); }
  // The pseudo-terminal's slave path or the socket path.
  const std::string& endpoint() const { return m_endpoint; }

  // Sends one request line and returns the parsed answer.
  Json request(const std::string& line);
  void fault(const std::string& fault);
  void clearFaults();
  // The log's entries since the last clearing (and clears it).
  Json takeLog();
  Json registers();
  Json picture(int index);

private:
  std::string readLine(int timeoutMs);

  pid_t m_pid = -1;
  int m_in = -1;
  int m_out = -1;
  std::string m_buffer;
  std::string m_endpoint;
};

} // namespace tarsel::vantic::test
