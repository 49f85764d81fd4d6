#include "vantic/LibusbTransport.h"

#include "platform/Win32Error.h"
#include "vantic/UsbModes.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include <libusb.h>

namespace tarsel::vantic {

namespace {

// A write gets the protocol's longest wait for one exchange; the camera
// drains its pipe at once or not at all.
constexpr unsigned int kWriteTimeoutMs = 5000;

bool findBulkEndpoints(libusb_device* device, unsigned char& out, unsigned char& in, std::size_t& inPacket) {
  libusb_config_descriptor* config = nullptr;
  if (libusb_get_active_config_descriptor(device, &config) != 0 || !config)
    return false;
  bool haveOut = false;
  bool haveIn = false;
  if (config->bNumInterfaces > 0 && config->interface[0].num_altsetting > 0) {
    const libusb_interface_descriptor& alt = config->interface[0].altsetting[0];
    for (int i = 0; i < alt.bNumEndpoints; ++i) {
      const libusb_endpoint_descriptor& ep = alt.endpoint[i];
      if ((ep.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) != LIBUSB_TRANSFER_TYPE_BULK)
        continue;
      if ((ep.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_IN) {
        if (!haveIn) {
          in = ep.bEndpointAddress;
          inPacket = ep.wMaxPacketSize ? ep.wMaxPacketSize : 512;
          haveIn = true;
        }
      } else if (!haveOut) {
        out = ep.bEndpointAddress;
        haveOut = true;
      }
    }
  }
  libusb_free_config_descriptor(config);
  return haveOut && haveIn;
}

} // namespace

LibusbTransport::~LibusbTransport() {
  close();
}

bool LibusbTransport::isCameraVendor(std::uint16_t vendorId) {
  return vendorId == 0x04B8 || vendorId == 0x0474 || vendorId == 0x04B0 || vendorId == kCameraVendorId;
}

bool LibusbTransport::open(std::uint16_t& vendorId, std::uint16_t& productId) {
  close();
  if (libusb_init(&m_context) != 0) {
    m_context = nullptr;
    SetLastError(ERROR_DEV_NOT_EXIST);
    return false;
  }
  libusb_device** list = nullptr;
  const ssize_t count = libusb_get_device_list(m_context, &list);
  for (ssize_t i = 0; i < count && !m_handle; ++i) {
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(list[i], &descriptor) != 0 || !isCameraVendor(descriptor.idVendor))
      continue;
    unsigned char out = 0;
    unsigned char in = 0;
    std::size_t inPacket = 512;
    if (!findBulkEndpoints(list[i], out, in, inPacket))
      continue;
    libusb_device_handle* handle = nullptr;
    if (libusb_open(list[i], &handle) != 0)
      continue;
    // A device another driver holds is not ours to take.
    if (libusb_kernel_driver_active(handle, 0) == 1 || libusb_claim_interface(handle, 0) != 0) {
      libusb_close(handle);
      continue;
    }
    m_handle = handle;
    m_outEndpoint = out;
    m_inEndpoint = in;
    m_inPacketSize = inPacket;
    vendorId = descriptor.idVendor;
    productId = descriptor.idProduct;
  }
  if (list)
    libusb_free_device_list(list, 1);
  if (!m_handle) {
    close();
    SetLastError(ERROR_DEV_NOT_EXIST);
    return false;
  }
  return true;
}

void LibusbTransport::close() {
  if (m_handle) {
    libusb_release_interface(m_handle, 0);
    libusb_close(m_handle);
    m_handle = nullptr;
  }
  if (m_context) {
    libusb_exit(m_context);
    m_context = nullptr;
  }
  m_transfer.clear();
  m_pending = 0;
}

bool LibusbTransport::write(const std::uint8_t* bytes, std::size_t count) {
  if (!m_handle || count > INT_MAX)
    return false;
  int sent = 0;
  const int rc = libusb_bulk_transfer(m_handle, m_outEndpoint, const_cast<unsigned char*>(bytes),
                                      static_cast<int>(count), &sent, kWriteTimeoutMs);
  if (rc != 0 || sent != static_cast<int>(count)) {
    SetLastError(ERROR_WRITE_FAULT);
    return false;
  }
  return true;
}

int LibusbTransport::read(std::uint8_t* buffer, std::size_t count, int timeoutMs) {
  if (!m_handle)
    return -1;
  if (m_pending == 0) {
    // Whole packets, so a device that sends more than asked cannot overflow.
    const std::size_t packets = std::max<std::size_t>((count + m_inPacketSize - 1) / m_inPacketSize, 1);
    m_transfer.resize(packets * m_inPacketSize);
    int got = 0;
    const int rc =
        libusb_bulk_transfer(m_handle, m_inEndpoint, m_transfer.data(), static_cast<int>(m_transfer.size()),
                             &got, static_cast<unsigned int>(std::max(timeoutMs, 1)));
    if (rc == LIBUSB_ERROR_TIMEOUT && got == 0)
      return 0;
    if (rc != 0 && !(rc == LIBUSB_ERROR_TIMEOUT && got > 0)) {
      SetLastError(ERROR_READ_FAULT);
      return -1;
    }
    m_transfer.resize(static_cast<std::size_t>(got));
    m_pending = m_transfer.size();
    if (m_pending == 0)
      return 0;
  }
  const std::size_t start = m_transfer.size() - m_pending;
  const std::size_t take = std::min(count, m_pending);
  std::memcpy(buffer, m_transfer.data() + start, take);
  m_pending -= take;
  return static_cast<int>(take);
}

} // namespace tarsel::vantic
