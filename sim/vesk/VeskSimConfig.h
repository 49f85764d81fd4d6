// The vesk-simd daemon's set-up: the device folder, the control socket, the
// log file, the clock speed, the devices (cameras with their model and card,
// disks, failing nodes) and faults armed at start. Read from a small INI-like
// file and from command-line options; the same fault text serves the
// command line, the file and the control socket.
//
// Fault text: DEVICE ACTION [opcode=N] [kind=N] [number=N] [skip=N] [count=N] [value=N]
//   DEVICE: a slot number or "control"; numbers may be hexadecimal (0x..).
//   ACTION: silence delay short-reply check-condition win32-error unplug
//           truncated-frame close status second-status bad-checksum
//           unchecked-checksum bad-header short-record oversize-length
//           length-overrun endless-data object-growth
//
// Plain functions over plain data; any thread.
#pragma once

#include "sim/vesk/VeskSimCameraState.h"
#include "sim/vesk/VeskSimModel.h"
#include "sim/vesk/VeskSimTypes.h"

#include <optional>
#include <string>
#include <vector>

namespace tarsel::vesksim {

struct DeviceSetup {
  DeviceKind kind = DeviceKind::Camera;
  CameraModel model;
  CardSetup card;
  std::string product = "VIRTUAL DISK";     // disk
  std::uint32_t error = kWireCommandFailed; // failing node
  bool unplugged = false;                   // starts unplugged
  bool cameraIdGiven = false;               // camera-id set up; else the slot number is appended
};

struct FaultSetup {
  int device = 0;
  Fault fault;
};

struct DaemonSetup {
  std::string dir;         // the device folder
  std::string controlPath; // the control socket; empty: <dir>/vesk-simd.control
  std::string logPath;     // empty: no log
  std::string keptDir;     // where cameras write the pictures they erase; empty: nowhere
  double speed = 1.0;
  std::vector<DeviceSetup> devices;
  std::vector<FaultSetup> faults;
  bool help = false;
  bool listModels = false;
  std::vector<std::string> controlCommand; // "ctl" mode: send this and print the answer
};

class VeskSimConfig {
public:
  // Fills `setup` from the arguments (a --config file or the demo is read
  // where it appears). Without any device one XC-701 camera is set up. A
  // camera without a camera-id of its own gets its model's ID text followed
  // by its slot number, so that two cameras of one model differ.
  static bool parseArguments(const std::vector<std::string>& args, DaemonSetup& setup, std::string& error);
  static bool loadFile(const std::string& path, DaemonSetup& setup, std::string& error);
  static bool parseConfigText(const std::string& text, DaemonSetup& setup, std::string& error);
  static bool parseFault(const std::string& text, FaultSetup& fault, std::string& error);
  static std::optional<std::uint32_t> parseNumber(const std::string& text);
  static std::string helpText();
  // The set-up that --demo reads.
  static const char* demoSetup();
};

} // namespace tarsel::vesksim
