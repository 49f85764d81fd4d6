// The device back end for real cameras: SCSI generic nodes (/dev/sgN) driven
// with the SG_IO request, found through sysfs. The "control device" is the
// sysfs class folder of the SCSI generic nodes: its count query lists the
// nodes in number order, and camera device i is the i-th of them. In
// drive-name mode the removable block devices (/dev/sdX) are probed instead.
//
// The ioctl call is a seam: tests hand in a function that records the request
// and plays the device. Roots of sysfs and /dev are parameters for the same
// reason. Thread-safe: each handle is used by one thread at a time, the node
// list of the last count query is kept under a lock.
#pragma once

#include "vesklib/DeviceBackend.h"

#include <functional>
#include <mutex>

#include <scsi/sg.h>

namespace tarsel::vesk {

class SgDeviceBackend : public IDeviceBackend {
public:
  using IoctlFunction = std::function<int(int fd, unsigned long request, void* argument)>;

  struct Roots {
    std::string sysfs;
    std::string dev;
  };

  // Over the system's /sys and /dev.
  SgDeviceBackend();
  SgDeviceBackend(Roots roots, IoctlFunction ioctlFunction);

  int initControl(bool& driveNamesUsable) override;
  std::string controlDevicePath() override;
  std::string cameraDevicePath(std::uint32_t index) override;
  std::vector<std::string> driveDevicePaths() override;
  DWORD open(const std::string& path, int& handle) override;
  void close(int handle) override;
  ControlOutcome deviceControl(int handle, std::uint32_t code, std::span<std::uint8_t> out) override;
  ScsiOutcome passThrough(int handle, const ScsiCommand& command) override;

  // The SG_IO request for a command; `sense` must hold 32 bytes and outlive it.
  static sg_io_hdr_t buildRequest(const ScsiCommand& command, std::uint8_t* sense);
  // The outcome of a finished request: ioctlResult and its errno, and the
  // request as the kernel filled it.
  static ScsiOutcome mapResult(int ioctlResult, int ioctlErrno, const sg_io_hdr_t& request,
                               const std::uint8_t* sense);

private:
  std::vector<std::string> listGenericNodes() const;

  Roots m_roots;
  IoctlFunction m_ioctl;
  std::mutex m_lock;
  std::vector<std::string> m_nodes; // node names of the last count query ("sg0", "sg3" ...)
};

} // namespace tarsel::vesk
