// A pseudo-terminal for port tests: the test holds the master (the camera's
// end) and keeps its own slave descriptor open, so the library may close and
// re-open the slave without the master seeing a hang-up.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarsel::vantic::test {

class PtyPair {
public:
  PtyPair();
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  int master() const { return m_master; }
  int slave() const { return m_slave; }
  const std::string& slavePath() const { return m_path; }

  void send(const std::vector<std::uint8_t>& bytes);
  // Whatever the library wrote, collected for up to timeoutMs (returns early
  // once `want` bytes came).
  std::vector<std::uint8_t> receive(std::size_t want, int timeoutMs);

private:
  int m_master = -1;
  int m_slave = -1;
  std::string m_path;
};

} // namespace tarsel::vantic::test
