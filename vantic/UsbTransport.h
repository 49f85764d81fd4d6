// The USB camera's two bulk pipes behind one small interface, so the port
// layer drives a real camera (libusb) or the camera simulator's socket alike.
// One transfer per write; a read returns the bytes of one incoming transfer
// (a transfer longer than the caller asked for is kept and handed out by the
// next reads). Used by one thread at a time; failures are false or -1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tarsel::vantic {

class UsbTransport {
public:
  virtual ~UsbTransport() = default;

  // Finds and opens the camera and reports the vendor and product ids of its
  // device descriptor; false when there is none, with nothing left open.
  virtual bool open(std::uint16_t& vendorId, std::uint16_t& productId) = 0;
  virtual void close() = 0;

  virtual bool write(const std::uint8_t* bytes, std::size_t count) = 0;
  // Up to count bytes of the next transfer within timeoutMs: the byte count,
  // 0 when nothing came in time, -1 when the pipe failed.
  virtual int read(std::uint8_t* buffer, std::size_t count, int timeoutMs) = 0;
  // The driver's request that precedes a read on some cameras.
  virtual bool preRead() = 0;

  // The simulator's socket when TARSEL_VANTIC_USB is "sim:<path>", else libusb.
  static std::unique_ptr<UsbTransport> create();
};

} // namespace tarsel::vantic
