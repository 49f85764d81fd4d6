// The USB camera through libusb: the first present device whose vendor is
// one of the camera vendors and whose interface 0 is not held by a kernel
// driver; its first bulk OUT endpoint is the write pipe and its first bulk IN
// endpoint the read pipe. Reads use whole multiples of the endpoint's packet
// size and keep what the caller did not take, so a longer transfer never
// overflows. The pre-read request is the camera driver's own and has no
// equivalent here: it succeeds without traffic. One thread at a time.
#pragma once

#include "vantic/UsbTransport.h"

#include <vector>

struct libusb_context;
struct libusb_device_handle;

namespace tarsel::vantic {

class LibusbTransport : public UsbTransport {
public:
  LibusbTransport() = default;
  ~LibusbTransport() override;

  bool open(std::uint16_t& vendorId, std::uint16_t& productId) override;
  void close() override;
  bool write(const std::uint8_t* bytes, std::size_t count) override;
  int read(std::uint8_t* buffer, std::size_t count, int timeoutMs) override;
  bool preRead() override { return m_handle != nullptr; }

  // The vendors whose devices are taken for the camera.
  static bool isCameraVendor(std::uint16_t vendorId);

private:
  libusb_context* m_context = nullptr;
  libusb_device_handle* m_handle = nullptr;
  unsigned char m_outEndpoint = 0;
  unsigned char m_inEndpoint = 0;
  std::size_t m_inPacketSize = 512;
  std::vector<std::uint8_t> m_transfer;
  std::size_t m_pending = 0;
};

} // namespace tarsel::vantic
