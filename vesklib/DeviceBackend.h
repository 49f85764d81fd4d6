// The device layer under the camera link: opens device paths, closes them,
// answers device-control queries and carries SCSI pass-through commands. One
// back end per manager, chosen when the manager is created: SG_IO on
// /dev/sg* for real devices, Unix sockets in $VESK_DEVICE_DIR for the
// simulator, or a test's own.
//
// Results are Win32 numbers as the system's pass-through reports them: 0,
// ERROR_GEN_FAILURE (31) for a command the device failed, ERROR_DEV_NOT_EXIST
// (55) for a device that is gone, ERROR_SEM_TIMEOUT (121) for no answer in
// time, others as the system gives them. A back end never throws for a
// device's answer. Calls for different handles may come from different
// threads at once; one handle is used by one thread at a time.
#pragma once

#include "hostapi/Win32Types.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tarsel::vesk {

enum class DataDirection : std::uint8_t { None = 0, Out = 1, In = 2 };

// One SCSI command: the CDB, the direction and its buffer (dataOut for Out,
// dataIn for In), the time-out in milliseconds.
struct ScsiCommand {
  std::array<std::uint8_t, 16> cdb{};
  std::uint8_t cdbLength = 12;
  DataDirection direction = DataDirection::None;
  std::span<const std::uint8_t> dataOut;
  std::span<std::uint8_t> dataIn;
  std::uint32_t timeoutMs = 0;

  std::uint32_t dataLength() const {
    return static_cast<std::uint32_t>(direction == DataDirection::Out  ? dataOut.size()
                                      : direction == DataDirection::In ? dataIn.size()
                                                                       : 0);
  }
};

// What came back: the Win32 result, the SCSI status byte and sense data, and
// how many bytes of dataIn the device filled (never more than asked).
struct ScsiOutcome {
  DWORD error = 0;
  std::uint8_t scsiStatus = 0;
  std::uint8_t senseLength = 0;
  std::array<std::uint8_t, 32> sense{};
  std::uint32_t transferred = 0;
};

struct ControlOutcome {
  DWORD error = 0;
  std::uint32_t transferred = 0;
};

class IDeviceBackend {
public:
  virtual ~IDeviceBackend() = default;

  // Whether the transport can be used: 0, or the library number 29. Sets
  // driveNamesUsable when drive devices can carry the camera commands.
  virtual int initControl(bool& driveNamesUsable) = 0;

  // The control device that answers the count query, the path of camera
  // device `index`, and the drive devices to probe in drive-name mode.
  virtual std::string controlDevicePath() = 0;
  virtual std::string cameraDevicePath(std::uint32_t index) = 0;
  virtual std::vector<std::string> driveDevicePaths() = 0;

  // 0 and a handle (>= 0), or a Win32 number.
  virtual DWORD open(const std::string& path, int& handle) = 0;
  virtual void close(int handle) = 0;

  virtual ControlOutcome deviceControl(int handle, std::uint32_t code, std::span<std::uint8_t> out) = 0;
  virtual ScsiOutcome passThrough(int handle, const ScsiCommand& command) = 0;
};

} // namespace tarsel::vesk
