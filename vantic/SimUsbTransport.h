// The camera simulator's stand-in for the USB pipes: a Unix SOCK_SEQPACKET
// socket, one message per bulk transfer. Opening connects and asks for the
// device descriptor with a standard GET_DESCRIPTOR setup packet. One thread
// at a time.
#pragma once

#include "vantic/UsbTransport.h"

#include <string>
#include <vector>

namespace tarsel::vantic {

class SimUsbTransport : public UsbTransport {
public:
  explicit SimUsbTransport(std::string socketPath, int descriptorTimeoutMs = 2000);
  ~SimUsbTransport() override;

  bool open(std::uint16_t& vendorId, std::uint16_t& productId) override;
  void close() override;
  bool write(const std::uint8_t* bytes, std::size_t count) override;
  int read(std::uint8_t* buffer, std::size_t count, int timeoutMs) override;
  bool preRead() override { return m_fd >= 0; }

private:
  int receive(int timeoutMs);

  std::string m_path;
  int m_descriptorTimeoutMs;
  int m_fd = -1;
  std::vector<std::uint8_t> m_message;
  std::size_t m_pending = 0; // unread bytes at the end of m_message
};

} // namespace tarsel::vantic
