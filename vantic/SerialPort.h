// One serial line in raw mode for the port layer: exclusive open (flock and
// TIOCEXCL), 8 data bits (or fewer), no parity, one stop bit, reads with a
// total time-out and no interval time-out, writes that wait until the bytes
// have left within 200 ms per byte plus 800 ms. Used by one thread at a time.
// Failures come back as false or -1 with the Win32 last error set from errno;
// a failed open leaves nothing open.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include <termios.h>

namespace tarsel::vantic {

class SerialPort {
public:
  SerialPort() = default;
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // The device of COMn: $TARSEL_VANTIC_COM<n> when set, else /dev/ttyS<n-1>.
  static std::string devicePath(int port);

  // Whether a baud rate has a line speed on this system.
  static bool supportsBaud(int baud);

  bool open(const std::string& path, int baud, int dataBits);
  bool isOpen() const { return m_fd >= 0; }
  // False when closing the device failed; the port is closed either way.
  bool close();

  bool setBaud(int baud);
  // 0 hardware (CTS) flow control, 1 XON/XOFF both ways, 2 none; any other
  // kind applies the settings unchanged.
  bool setFlow(int kind);

  // Reads up to count bytes within timeoutMs in total: the bytes read (0 when
  // none came in time), or -1 when the read failed before any byte came.
  int read(std::uint8_t* buffer, std::size_t count, int timeoutMs);

  bool write(const std::uint8_t* bytes, std::size_t count);

  int fd() const { return m_fd; }
  int baud() const { return m_baud; }

  // The write time-out for count bytes: 200 ms per byte plus 800 ms.
  static std::int64_t writeTimeoutMs(std::size_t count) {
    return 200 * static_cast<std::int64_t>(count) + 800;
  }

private:
  bool apply();

  int m_fd = -1;
  bool m_clearsExclusive = false; // this port set the terminal's exclusive mode
  int m_baud = 0;
  termios m_settings{};
};

} // namespace tarsel::vantic
