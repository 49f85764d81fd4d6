#include "sim/vesk/VeskSimConfig.h"

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <utility>

namespace tarsel::vesksim {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

std::string trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos)
    return {};
  const auto last = s.find_last_not_of(" \t\r\n");
  return s.substr(first, last - first + 1);
}

std::vector<std::string> words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> out;
  std::string w;
  while (in >> w)
    out.push_back(w);
  return out;
}

std::optional<bool> parseBool(const std::string& v) {
  if (v == "1" || v == "yes" || v == "true" || v == "on")
    return true;
  if (v == "0" || v == "no" || v == "false" || v == "off")
    return false;
  return std::nullopt;
}

std::optional<double> parseDouble(const std::string& v) {
  double d = 0;
  const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), d);
  if (ec != std::errc() || end != v.data() + v.size())
    return std::nullopt;
  return d;
}

struct ActionName {
  const char* name;
  FaultAction action;
};

constexpr ActionName kActions[] = {
    {"silence", FaultAction::Silence},
    {"delay", FaultAction::Delay},
    {"short-reply", FaultAction::ShortReply},
    {"check-condition", FaultAction::CheckCondition},
    {"win32-error", FaultAction::Win32Error},
    {"unplug", FaultAction::Unplug},
    {"truncated-frame", FaultAction::TruncatedFrame},
    {"close", FaultAction::CloseConnection},
    {"status", FaultAction::StatusByte},
    {"second-status", FaultAction::SecondStatus},
    {"bad-checksum", FaultAction::BadChecksum},
    {"unchecked-checksum", FaultAction::UncheckedChecksum},
    {"bad-header", FaultAction::BadHeader},
    {"short-record", FaultAction::ShortRecord},
    {"oversize-length", FaultAction::OversizeLength},
    {"length-overrun", FaultAction::LengthOverrun},
    {"endless-data", FaultAction::EndlessData},
    {"object-growth", FaultAction::ObjectGrowth},
};

bool setU32(const std::string& key, const std::string& value, std::uint32_t& out, std::string& error) {
  const auto n = VeskSimConfig::parseNumber(value);
  if (!n) {
    error = key + ": not a number: " + value;
    return false;
  }
  out = *n;
  return true;
}

bool readFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path + ": cannot be read";
    return false;
  }
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

std::string baseName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool setModel(DeviceSetup& device, const std::string& name, std::string& error) {
  const CameraModel* model = builtinModel(name);
  if (!model) {
    error = "unknown camera model: " + name;
    return false;
  }
  device.model = *model;
  return true;
}

bool applyCameraKey(DeviceSetup& d, const std::string& key, const std::string& value, std::string& error) {
  CameraModel& m = d.model;
  CardSetup& c = d.card;
  const auto flag = [&](bool& out) {
    const auto b = parseBool(value);
    if (!b) {
      error = key + ": not yes or no: " + value;
      return false;
    }
    out = *b;
    return true;
  };
  if (key == "model")
    return setModel(d, value, error);
  if (key == "product") {
    m.product = value;
    m.name = value.substr(0, value.find(' '));
    return true;
  }
  if (key == "vendor") {
    m.vendor = value;
    return true;
  }
  if (key == "firmware") {
    m.firmware = value;
    return true;
  }
  if (key == "camera-id") {
    m.cameraId = value;
    d.cameraIdGiven = true;
    return true;
  }
  if (key == "pictures")
    return setU32(key, value, c.jpegCount, error);
  if (key == "resolution")
    return setU32(key, value, c.resolution, error);
  if (key == "tiff")
    return flag(c.tiff);
  if (key == "raw")
    return flag(c.raw);
  if (key == "unplugged")
    return flag(d.unplugged);
  if (key == "unchecked-checksums")
    return flag(m.uncheckedDataChecksums);
  if (key == "forgets-exposure")
    return flag(m.forgetsExposure);
  if (key == "card") {
    if (value == "present" || value == "none" || value == "full") {
      c.present = value != "none";
      c.full = value == "full";
      return true;
    }
    error = "card: present, none or full: " + value;
    return false;
  }
  if (key == "capacity-mb") {
    std::uint32_t mb = 0;
    if (!setU32(key, value, mb, error))
      return false;
    c.capacityBytes = std::uint64_t{mb} << 20;
    return true;
  }
  if (key == "battery") {
    std::uint32_t level = 0;
    if (!setU32(key, value, level, error))
      return false;
    c.battery = static_cast<int>(level > 100 ? 100 : level);
    return true;
  }
  if (key == "file") {
    std::vector<std::uint8_t> bytes;
    if (!readFileBytes(value, bytes, error))
      return false;
    c.files.emplace_back(baseName(value), std::move(bytes));
    return true;
  }
  if (key == "reject") {
    if (value == "nak")
      m.rejectPolicy = RejectPolicy::Nak;
    else if (value == "keep")
      m.rejectPolicy = RejectPolicy::KeepOld;
    else if (value == "nearest")
      m.rejectPolicy = RejectPolicy::Nearest;
    else {
      error = "reject: nak, keep or nearest: " + value;
      return false;
    }
    return true;
  }
  struct NumberKey {
    const char* key;
    std::uint32_t* field;
  };
  const NumberKey numbers[] = {
      {"capture-ms", &m.captureMs},
      {"preview-ms", &m.previewMs},
      {"erase-ms", &m.eraseMs},
      {"erase-all-ms", &m.eraseAllBaseMs},
      {"not-ready-ms", &m.notReadyAfterCaptureMs},
      {"warm-up-ms", &m.warmUpMs},
      {"block-size", &m.blockSize},
      {"zoom-min", &m.zoomMin},
      {"zoom-max", &m.zoomMax},
      {"zoom-min-step", &m.zoomMinStep},
  };
  for (const NumberKey& n : numbers) {
    if (key == n.key) {
      if (!setU32(key, value, *n.field, error))
        return false;
      if (key == "block-size" && (m.blockSize == 0 || m.blockSize > kMaxBlockSize)) {
        error = "block-size: 1 to " + std::to_string(kMaxBlockSize);
        return false;
      }
      return true;
    }
  }
  error = "unknown camera setting: " + key;
  return false;
}

bool applySection(const std::string& section, const Entries& entries, DaemonSetup& setup,
                  std::string& error) {
  if (section.empty() || section == "daemon") {
    for (const auto& [key, value] : entries) {
      if (key == "dir")
        setup.dir = value;
      else if (key == "control")
        setup.controlPath = value;
      else if (key == "log")
        setup.logPath = value;
      else if (key == "kept")
        setup.keptDir = value;
      else if (key == "speed") {
        const auto s = parseDouble(value);
        if (!s || *s <= 0) {
          error = "speed: a positive number: " + value;
          return false;
        }
        setup.speed = *s;
      } else if (key == "fault") {
        FaultSetup f;
        if (!VeskSimConfig::parseFault(value, f, error))
          return false;
        setup.faults.push_back(f);
      } else {
        error = "unknown daemon setting: " + key;
        return false;
      }
    }
    return true;
  }
  DeviceSetup d;
  if (section == "camera") {
    d.kind = DeviceKind::Camera;
    setModel(d, "XC-701", error);
    // The model first, so that the other keys change it.
    for (const auto& [key, value] : entries) {
      if (key == "model" && !setModel(d, value, error))
        return false;
    }
    for (const auto& [key, value] : entries) {
      if (key != "model" && !applyCameraKey(d, key, value, error))
        return false;
    }
  } else if (section == "disk") {
    d.kind = DeviceKind::Disk;
    for (const auto& [key, value] : entries) {
      if (key == "product")
        d.product = value;
      else if (key == "unplugged") {
        const auto b = parseBool(value);
        d.unplugged = b.value_or(false);
      } else {
        error = "unknown disk setting: " + key;
        return false;
      }
    }
  } else if (section == "failing") {
    d.kind = DeviceKind::FailingNode;
    for (const auto& [key, value] : entries) {
      if (key != "error" || !setU32(key, value, d.error, error)) {
        if (error.empty())
          error = "unknown failing-node setting: " + key;
        return false;
      }
    }
  } else {
    error = "unknown section [" + section + "]";
    return false;
  }
  setup.devices.push_back(std::move(d));
  return true;
}

} // namespace

std::optional<std::uint32_t> VeskSimConfig::parseNumber(const std::string& text) {
  std::string t = trim(text);
  int base = 10;
  if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
    t = t.substr(2);
    base = 16;
  }
  if (t.empty())
    return std::nullopt;
  std::uint32_t value = 0;
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value, base);
  if (ec != std::errc() || end != t.data() + t.size())
    return std::nullopt;
  return value;
}

bool VeskSimConfig::parseFault(const std::string& text, FaultSetup& out, std::string& error) {
  const std::vector<std::string> w = words(text);
  if (w.size() < 2) {
    error = "fault: DEVICE ACTION [key=value ...]";
    return false;
  }
  if (w[0] == "control") {
    out.device = kControlDevice;
  } else {
    const auto n = parseNumber(w[0]);
    if (!n || *n > 1000) {
      error = "fault: bad device " + w[0];
      return false;
    }
    out.device = static_cast<int>(*n);
  }
  bool known = false;
  for (const ActionName& a : kActions) {
    if (w[1] == a.name) {
      out.fault.action = a.action;
      known = true;
    }
  }
  if (!known) {
    error = "fault: unknown action " + w[1];
    return false;
  }
  for (std::size_t i = 2; i < w.size(); ++i) {
    const auto eq = w[i].find('=');
    const auto n = eq == std::string::npos ? std::nullopt : parseNumber(w[i].substr(eq + 1));
    if (!n) {
      error = "fault: expected key=number: " + w[i];
      return false;
    }
    const std::string key = w[i].substr(0, eq);
    const bool byte = key == "opcode" || key == "kind" || key == "number";
    if (byte && *n > 255) {
      error = "fault: " + key + " above 255";
      return false;
    }
    if (key == "opcode")
      out.fault.match.opcode = static_cast<std::uint8_t>(*n);
    else if (key == "kind")
      out.fault.match.kind = static_cast<std::uint8_t>(*n);
    else if (key == "number")
      out.fault.match.number = static_cast<std::uint8_t>(*n);
    else if (key == "skip")
      out.fault.skip = *n;
    else if (key == "count")
      out.fault.count = *n;
    else if (key == "value")
      out.fault.value = *n;
    else {
      error = "fault: unknown key " + key;
      return false;
    }
  }
  return true;
}

bool VeskSimConfig::parseConfigText(const std::string& text, DaemonSetup& setup, std::string& error) {
  std::istringstream in(text);
  std::string line;
  std::string section;
  Entries entries;
  int lineNumber = 0;
  bool sectionOpen = false;
  const auto flush = [&]() {
    if (!sectionOpen && entries.empty())
      return true;
    return applySection(section, entries, setup, error);
  };
  while (std::getline(in, line)) {
    ++lineNumber;
    line = trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#')
      continue;
    if (line.front() == '[') {
      if (line.back() != ']') {
        error = "line " + std::to_string(lineNumber) + ": bad section";
        return false;
      }
      if (!flush()) {
        error = "line " + std::to_string(lineNumber) + ": " + error;
        return false;
      }
      section = trim(line.substr(1, line.size() - 2));
      entries.clear();
      sectionOpen = true;
      continue;
    }
    const auto eq = line.find('=');
    if (eq == std::string::npos) {
      error = "line " + std::to_string(lineNumber) + ": expected key=value";
      return false;
    }
    entries.emplace_back(trim(line.substr(0, eq)), trim(line.substr(eq + 1)));
  }
  if (!flush()) {
    error = "at end: " + error;
    return false;
  }
  return true;
}

bool VeskSimConfig::loadFile(const std::string& path, DaemonSetup& setup, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path + ": cannot be read";
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  if (!parseConfigText(text.str(), setup, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

bool VeskSimConfig::parseArguments(const std::vector<std::string>& args, DaemonSetup& setup,
                                   std::string& error) {
  std::size_t i = 0;
  const bool controlMode = !args.empty() && args[0] == "ctl";
  if (controlMode)
    i = 1;

  DeviceSetup camera;
  setModel(camera, "XC-701", error);
  std::uint32_t cameras = 0;
  std::uint32_t disks = 0;
  std::uint32_t failing = 0;
  std::vector<std::pair<std::string, std::string>> cameraKeys; // applied after --model

  for (; i < args.size(); ++i) {
    std::string arg = args[i];
    std::string value;
    bool hasValue = false;
    if (arg.rfind("--", 0) == 0) {
      const auto eq = arg.find('=');
      if (eq != std::string::npos) {
        value = arg.substr(eq + 1);
        arg = arg.substr(0, eq);
        hasValue = true;
      }
    } else if (controlMode) {
      setup.controlCommand.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
      break;
    }
    const auto next = [&]() -> bool {
      if (hasValue)
        return true;
      if (i + 1 >= args.size()) {
        error = arg + " needs a value";
        return false;
      }
      value = args[++i];
      return true;
    };
    if (arg == "--help" || arg == "-h") {
      setup.help = true;
    } else if (arg == "--list-models") {
      setup.listModels = true;
    } else if (arg == "--dir") {
      if (!next())
        return false;
      setup.dir = value;
    } else if (arg == "--control") {
      if (!next())
        return false;
      setup.controlPath = value;
    } else if (arg == "--log") {
      if (!next())
        return false;
      setup.logPath = value;
    } else if (arg == "--kept") {
      if (!next())
        return false;
      setup.keptDir = value;
    } else if (arg == "--config") {
      if (!next() || !loadFile(value, setup, error))
        return false;
    } else if (arg == "--demo") {
      if (!parseConfigText(demoSetup(), setup, error))
        return false;
    } else if (arg == "--speed") {
      if (!next())
        return false;
      const auto s = parseDouble(value);
      if (!s || *s <= 0) {
        error = "--speed: a positive number";
        return false;
      }
      setup.speed = *s;
    } else if (arg == "--fault") {
      if (!next())
        return false;
      FaultSetup f;
      if (!parseFault(value, f, error))
        return false;
      setup.faults.push_back(f);
    } else if (arg == "--cameras") {
      if (!next())
        return false;
      const auto n = parseNumber(value);
      if (!n || *n > 64) {
        error = "--cameras: 0 to 64";
        return false;
      }
      cameras = *n;
    } else if (arg == "--model") {
      if (!next() || !setModel(camera, value, error))
        return false;
    } else if (arg == "--tiff" || arg == "--raw" || arg == "--no-card" || arg == "--card-full") {
      cameraKeys.emplace_back(arg == "--tiff"  ? "tiff"
                              : arg == "--raw" ? "raw"
                                               : "card",
                              arg == "--no-card"     ? "none"
                              : arg == "--card-full" ? "full"
                                                     : "yes");
    } else if (arg == "--pictures" || arg == "--resolution" || arg == "--block-size" ||
               arg == "--capture-ms") {
      if (!next())
        return false;
      cameraKeys.emplace_back(arg.substr(2), value);
    } else if (arg == "--disk") {
      ++disks;
    } else if (arg == "--failing-node") {
      ++failing;
    } else {
      error = "unknown option: " + arg;
      return false;
    }
  }

  for (const auto& [key, value] : cameraKeys) {
    if (!applyCameraKey(camera, key, value, error))
      return false;
  }
  for (std::uint32_t n = 0; n < cameras; ++n)
    setup.devices.push_back(camera);
  for (std::uint32_t n = 0; n < disks; ++n) {
    DeviceSetup d;
    d.kind = DeviceKind::Disk;
    setup.devices.push_back(d);
  }
  for (std::uint32_t n = 0; n < failing; ++n) {
    DeviceSetup d;
    d.kind = DeviceKind::FailingNode;
    setup.devices.push_back(d);
  }
  if (setup.devices.empty())
    setup.devices.push_back(camera);
  for (std::size_t slot = 0; slot < setup.devices.size(); ++slot) {
    DeviceSetup& d = setup.devices[slot];
    if (d.kind == DeviceKind::Camera && !d.cameraIdGiven)
      d.model.cameraId += " " + std::to_string(slot);
  }

  if (setup.dir.empty()) {
    if (const char* env = std::getenv(kDeviceDirVariable))
      setup.dir = env;
  }
  if (setup.controlPath.empty() && !setup.dir.empty())
    setup.controlPath = setup.dir + "/vesk-simd.control";
  if (setup.help || setup.listModels) {
    error.clear();
    return true;
  }
  if (controlMode && setup.controlPath.empty()) {
    error = "no control socket: give --control or --dir";
    return false;
  }
  if (!controlMode && setup.dir.empty()) {
    error = "no device folder: give --dir or set VESK_DEVICE_DIR";
    return false;
  }
  error.clear();
  return true;
}

const char* VeskSimConfig::demoSetup() {
  return R"([camera]
model = XC-701
pictures = 4
tiff = yes
[camera]
model = KT-300
pictures = 3
raw = yes
)";
}

std::string VeskSimConfig::helpText() {
  return R"(vesk-simd: the camera-link driver and camera simulator.

Serves a folder of Unix stream sockets: "BrantelVesk" (the driver's control
device) and "BrantelVesk0" ... "BrantelVesk<N-1>" (one per device). Point the
camera-link library at it with VESK_DEVICE_DIR=<folder>.

Usage:
  vesk-simd [options]                 run until SIGTERM or SIGINT (sockets removed)
  vesk-simd ctl [--dir D | --control P] COMMAND...
                                      send one control command, print the answer

Options:
  --dir DIR           device folder (default: $VESK_DEVICE_DIR)
  --config FILE       read a set-up file (below)
  --demo              two cameras to try the suite with: an XC-701 with four
                      pictures and a TIFF, a KT-300 with three and a raw file
  --cameras N         N cameras (default: one when nothing else is set up)
  --model NAME        their model (see --list-models; default XC-701)
  --pictures N        JPEG pictures on each card at start (default 3)
  --resolution ID     their resolution code (default: the model's)
  --tiff, --raw       also a TIFF picture, a raw file on each card
  --no-card, --card-full
  --block-size N      data bytes per reply record (1 to 32826, default 32768)
  --capture-ms N      capture busy time before the exposure time
  --disk              add a disk node (answers INQUIRY as a disk)
  --failing-node      add a node that fails every command
  --fault FAULT       arm a fault at start (repeatable; format below)
  --speed F           the simulated clock runs F times as fast as wall time
  --log FILE          log every request and its answer
  --kept DIR          write every picture a camera erases to DIR/<device>-<n>-<name> first
  --control PATH      control socket (default: DIR/vesk-simd.control)
  --list-models       print the built-in models
  --help

Set-up file (INI-like; each [camera], [disk] or [failing] section adds a device
in order, before the devices of the options; a camera's ID text is its model's
followed by its slot number unless camera-id= gives one):
  [daemon]   dir=, control=, log=, kept=, speed=, fault=FAULT (repeatable)
  [camera]   model=, pictures=, resolution=, tiff=yes, raw=yes, file=PATH,
             card=present|none|full, capacity-mb=, battery=, unplugged=yes,
             product=, vendor=, firmware=, camera-id=, capture-ms=, preview-ms=,
             erase-ms=, erase-all-ms=, not-ready-ms=, warm-up-ms=, block-size=,
             zoom-min=, zoom-max=, zoom-min-step=, reject=nak|keep|nearest,
             unchecked-checksums=yes, forgets-exposure=yes
  [disk]     product=, unplugged=yes
  [failing]  error=WIN32-NUMBER

FAULT: DEVICE ACTION [opcode=N] [kind=N] [number=N] [skip=N] [count=N] [value=N]
  DEVICE is a slot number or "control". The fault lets `skip` matching events
  pass, then acts on `count` of them (0: all). Actions:
  silence, delay (value ms), short-reply (value bytes), check-condition,
  win32-error (value), unplug, truncated-frame (value bytes), close,
  status (value: status byte for a command), second-status (value),
  bad-checksum, unchecked-checksum, bad-header (value 4 or 6),
  short-record (value bytes), oversize-length (value), length-overrun (value),
  endless-data, object-growth (value bytes).
  Example, unplug camera 0 in the middle of a picture download:
    --fault "0 unplug opcode=0xC2 kind=6 number=14 skip=5"

Control commands (one line each on the control socket; answers "ok ..." or
"error ..."):
  list | count | unplug N | plug N | fault FAULT | clear-faults [N] | fired N ID
  stats N | violations N | get N REG | set N REG VALUE | object N OBJ
  pictures N | take N | add N PATH [NAME] | protect N K 0|1 | card N present|none|full
  capacity N BYTES | battery N LEVEL | dump N DIR | quit
  fires [N]   when the host's captures arrived, per camera slot, oldest first
              (at most 64 each): "ok 0:STAMP,STAMP 1:STAMP ..."; a stamp is
              CLOCK_MONOTONIC in nanoseconds
)";
}

} // namespace tarsel::vesksim
