#include "sim/vesk/VeskSimControl.h"

#include "sim/vesk/VeskSimConfig.h"
#include "sim/vesk/VeskSimEngine.h"

#include <fstream>
#include <sstream>
#include <vector>

namespace tarsel::vesksim {
namespace {

const char* kindName(DeviceKind kind) {
  switch (kind) {
  case DeviceKind::Camera:
    return "camera";
  case DeviceKind::Disk:
    return "disk";
  case DeviceKind::FailingNode:
    return "failing";
  case DeviceKind::Control:
    return "control";
  }
  return "?";
}

std::string hex(const std::vector<std::uint8_t>& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (std::uint8_t b : bytes) {
    out.push_back(digits[b >> 4]);
    out.push_back(digits[b & 15]);
  }
  return out;
}

// "SLOT:STAMP,STAMP,...": the capture arrival stamps of one camera.
std::string fireList(int slot, const VeskSimCamera& camera) {
  std::string out = std::to_string(slot) + ":";
  const char* separator = "";
  for (const std::uint64_t stamp : camera.fireStamps()) {
    out += separator + std::to_string(stamp);
    separator = ",";
  }
  return out;
}

} // namespace

VeskSimControl::VeskSimControl(VeskSimEngine& engine, std::function<void()> stop)
    : m_engine(engine), m_stop(std::move(stop)) {}

std::string VeskSimControl::execute(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> w;
  for (std::string word; in >> word;)
    w.push_back(word);
  if (w.empty())
    return "error empty command";
  const std::string& cmd = w[0];

  const auto number = [&](std::size_t i) -> std::optional<std::uint32_t> {
    return i < w.size() ? VeskSimConfig::parseNumber(w[i]) : std::nullopt;
  };
  const auto device = [&]() -> std::optional<int> {
    if (w.size() > 1 && w[1] == "control")
      return kControlDevice;
    const auto n = number(1);
    if (!n || static_cast<int>(*n) >= m_engine.deviceCount())
      return std::nullopt;
    return static_cast<int>(*n);
  };
  const auto camera = [&]() -> std::shared_ptr<VeskSimCamera> {
    const auto d = device();
    return d ? m_engine.camera(*d) : nullptr;
  };
  const auto done = [](bool ok) { return ok ? std::string("ok") : std::string("error refused"); };

  if (cmd == "list") {
    std::string out = "ok";
    for (int i = 0; i < m_engine.deviceCount(); ++i) {
      out += " " + std::to_string(i) + ":" + kindName(*m_engine.deviceKind(i));
      if (const auto c = m_engine.camera(i))
        out += ":" + c->modelName();
      out += m_engine.isPresent(i) ? ":present" : ":unplugged";
    }
    return out;
  }
  if (cmd == "count")
    return "ok " + std::to_string(m_engine.reportedCount());
  if (cmd == "quit") {
    if (m_stop)
      m_stop();
    return "ok";
  }
  if (cmd == "fault") {
    FaultSetup f;
    std::string error;
    if (!VeskSimConfig::parseFault(line.substr(line.find("fault") + 5), f, error))
      return "error " + error;
    const auto id = m_engine.injectFault(f.device, f.fault);
    return id ? "ok " + std::to_string(*id) : "error no such device";
  }
  if (cmd == "clear-faults") {
    if (w.size() == 1) {
      m_engine.clearAllFaults();
      return "ok";
    }
    const auto d = device();
    if (!d)
      return "error no such device";
    m_engine.clearFaults(*d);
    return "ok";
  }
  if (cmd == "fires" && w.size() == 1) {
    std::string out = "ok";
    for (int i = 0; i < m_engine.deviceCount(); ++i) {
      if (const auto c = m_engine.camera(i))
        out += " " + fireList(i, *c);
    }
    return out;
  }

  const auto d = device();
  if (!d)
    return "error no such device";
  if (cmd == "unplug")
    return done(m_engine.unplug(*d));
  if (cmd == "plug")
    return done(m_engine.plug(*d));
  if (cmd == "fired") {
    const auto id = number(2);
    return id ? "ok " + std::to_string(m_engine.faultFired(*d, *id)) : "error fired N ID";
  }
  if (cmd == "stats" || cmd == "violations") {
    const auto s = m_engine.stats(*d);
    if (!s)
      return "error no such device";
    if (cmd == "violations") {
      std::string out = "ok " + std::to_string(s->violations.size());
      for (const std::string& v : s->violations)
        out += " | " + v;
      return out;
    }
    return "ok requests=" + std::to_string(s->requests) +
           " violations=" + std::to_string(s->violations.size()) +
           " status09ff=" + std::to_string(s->statusFrames09FF) +
           " status9fff=" + std::to_string(s->statusFrames9FFF) +
           " faults=" + std::to_string(s->faultsFired) + " pictures-read=" + std::to_string(s->picturesRead);
  }

  const auto c = camera();
  if (!c)
    return "error not a camera";
  if (cmd == "get") {
    const auto reg = number(2);
    const auto v = reg && *reg < 256 ? c->readRegister(static_cast<std::uint8_t>(*reg)) : std::nullopt;
    return v ? "ok " + std::to_string(*v) : "error no such register";
  }
  if (cmd == "set") {
    const auto reg = number(2);
    const auto value = number(3);
    if (!reg || *reg > 255 || !value)
      return "error set N REG VALUE";
    return done(c->writeRegister(static_cast<std::uint8_t>(*reg), *value));
  }
  if (cmd == "object") {
    const auto obj = number(2);
    const auto bytes = obj && *obj < 256 ? c->readObject(static_cast<std::uint8_t>(*obj)) : std::nullopt;
    return bytes ? "ok " + hex(*bytes) : "error no such object";
  }
  if (cmd == "pictures") {
    const std::size_t count = c->pictureCount();
    std::string out = "ok " + std::to_string(count);
    for (std::size_t i = 1; i <= count; ++i) {
      const auto p = c->picture(i);
      if (p)
        out += " " + p->fileName + ":" + std::to_string(p->bytes ? p->bytes->size() : 0) +
               (p->isProtected ? ":protected" : "");
    }
    return out;
  }
  if (cmd == "take")
    return done(c->takePicture());
  if (cmd == "fires")
    return "ok " + fireList(*d, *c);
  if (cmd == "add") {
    if (w.size() < 3)
      return "error add N PATH [NAME]";
    std::ifstream file(w[2], std::ios::binary);
    if (!file)
      return "error cannot read " + w[2];
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    // The card's name: the file's own, or the one given (any text, for
    // hosts that must cope with odd camera file names).
    const auto slash = w[2].find_last_of('/');
    const std::string name = w.size() > 3 ? w[3] : slash == std::string::npos ? w[2] : w[2].substr(slash + 1);
    return done(c->addPicture(name, std::move(bytes)));
  }
  if (cmd == "protect") {
    const auto k = number(2);
    const auto flag = number(3);
    if (!k || !flag)
      return "error protect N K 0|1";
    return done(c->setProtected(*k, *flag != 0));
  }
  if (cmd == "card") {
    const std::string what = w.size() > 2 ? w[2] : "";
    if (what == "present" || what == "none") {
      c->setCardPresent(what == "present");
      return "ok";
    }
    if (what == "full") {
      c->setCardFull();
      return "ok";
    }
    return "error card N present|none|full";
  }
  if (cmd == "capacity") {
    const auto bytes = number(2);
    if (!bytes)
      return "error capacity N BYTES";
    c->setCardCapacity(*bytes);
    return "ok";
  }
  if (cmd == "battery") {
    const auto level = number(2);
    if (!level)
      return "error battery N LEVEL";
    c->setBattery(static_cast<int>(*level));
    return "ok";
  }
  if (cmd == "dump") {
    if (w.size() < 3)
      return "error dump N DIR";
    std::string error;
    const auto n = m_engine.dumpCard(*d, w[2], error);
    return n ? "ok " + std::to_string(*n) : "error " + error;
  }
  return "error unknown command " + cmd;
}

} // namespace tarsel::vesksim
