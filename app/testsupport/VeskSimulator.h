// A vesk-simd daemon for the main program's tests: started with a set-up
// file in a folder of its own, serving its device nodes in folder()/devices,
// and ended with SIGTERM (the daemon removes its sockets) when destroyed.
// Commands go straight to its control socket.
//
// Threads: any one thread at a time. Failure: ready() is false when the
// daemon did not come up within the limit; control() answers an empty text
// when the daemon cannot be reached.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarsel::test {

class VeskSimulator {
public:
  // program: the daemon; folder: an existing folder of the test's own;
  // setup: the set-up file's sections ([camera] ...), after a [daemon]
  // section naming the device folder.
  VeskSimulator(const std::string& program, const std::string& folder, const std::string& setup,
                std::chrono::milliseconds readyLimit = std::chrono::seconds(60));
  ~VeskSimulator();
  VeskSimulator(const VeskSimulator&) = delete;
  VeskSimulator& operator=(const VeskSimulator&) = delete;

  bool ready() const { return m_ready; }
  // The folder of the device nodes (VESK_DEVICE_DIR).
  const std::string& deviceFolder() const { return m_devices; }
  // One control command; its answer line ("ok ..." or "error ...") without
  // the line end.
  std::string control(const std::string& command) const;
  // Card pictures of a slot downloaded to the end; -1 when not known.
  int picturesRead(int slot) const;
  // Word `index` (little-endian, 32 bits, signed) of a data object of the
  // camera in `slot`; -1 when the object is not there or shorter.
  std::int64_t objectWord(int slot, int object, std::size_t index) const;

private:
  std::string m_devices;
  std::string m_controlPath;
  pid_t m_pid = -1;
  bool m_ready = false;
};

} // namespace tarsel::test
