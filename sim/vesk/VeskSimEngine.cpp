#include "sim/vesk/VeskSimEngine.h"

#include "sim/vesk/VeskSimControlDevice.h"
#include "sim/vesk/VeskSimPlainDevice.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace tarsel::vesksim {

VeskSimEngine::VeskSimEngine(std::shared_ptr<VeskSimClock> clock) : m_clock(std::move(clock)) {
  if (!m_clock) {
    auto virtualClock = std::make_shared<VeskSimVirtualClock>();
    m_virtualClock = virtualClock.get();
    m_clock = std::move(virtualClock);
  } else {
    m_virtualClock = dynamic_cast<VeskSimVirtualClock*>(m_clock.get());
  }
  m_control = std::make_shared<VeskSimControlDevice>(m_clock, [this] { return reportedCount(); });
}

VeskSimEngine::~VeskSimEngine() = default;

// ---- devices ----

int VeskSimEngine::addDevice(std::shared_ptr<VeskSimDevice> device) {
  int index = 0;
  {
    std::lock_guard lock(m_mutex);
    m_devices.push_back(std::move(device));
    index = static_cast<int>(m_devices.size()) - 1;
  }
  notifyPresence(index, true);
  return index;
}

int VeskSimEngine::addCamera(const CameraModel& model, const CardSetup& card) {
  std::uint32_t seedBase = 0;
  {
    std::lock_guard lock(m_mutex);
    seedBase = static_cast<std::uint32_t>(m_devices.size() + 1) * 1000u;
  }
  return addDevice(std::make_shared<VeskSimCamera>(m_clock, model, seedBase, m_cameraClockStart, card));
}

int VeskSimEngine::addDisk(const std::string& product) {
  return addDevice(VeskSimPlainDevice::disk(m_clock, product));
}

int VeskSimEngine::addFailingNode(std::uint32_t win32Error) {
  return addDevice(VeskSimPlainDevice::failing(m_clock, win32Error));
}

int VeskSimEngine::deviceCount() const {
  std::lock_guard lock(m_mutex);
  return static_cast<int>(m_devices.size());
}

std::shared_ptr<VeskSimDevice> VeskSimEngine::device(int index) const {
  std::lock_guard lock(m_mutex);
  if (index == kControlDevice)
    return m_control;
  if (index < 0 || static_cast<std::size_t>(index) >= m_devices.size())
    return nullptr;
  return m_devices[static_cast<std::size_t>(index)];
}

std::optional<DeviceKind> VeskSimEngine::deviceKind(int index) const {
  const auto d = device(index);
  if (!d)
    return std::nullopt;
  return d->kind();
}

bool VeskSimEngine::isPresent(int index) const {
  const auto d = device(index);
  return d && d->present();
}

std::uint32_t VeskSimEngine::reportedCount() const {
  std::lock_guard lock(m_mutex);
  std::uint32_t count = 0;
  for (std::size_t i = 0; i < m_devices.size(); ++i) {
    if (m_devices[i]->present())
      count = static_cast<std::uint32_t>(i + 1);
  }
  return count;
}

bool VeskSimEngine::unplug(int index) {
  const auto d = index == kControlDevice ? nullptr : device(index);
  if (!d || !d->present())
    return false;
  d->setPresent(false);
  notifyPresence(index, false);
  return true;
}

bool VeskSimEngine::plug(int index) {
  const auto d = index == kControlDevice ? nullptr : device(index);
  if (!d || d->present())
    return false;
  d->setPresent(true);
  notifyPresence(index, true);
  return true;
}

void VeskSimEngine::setPresenceListener(std::function<void(int, bool)> listener) {
  std::lock_guard lock(m_mutex);
  m_presenceListener =
      listener ? std::make_shared<std::function<void(int, bool)>>(std::move(listener)) : nullptr;
}

void VeskSimEngine::setRequestLog(std::function<void(const LogEntry&)> log) {
  std::lock_guard lock(m_mutex);
  m_log = log ? std::make_shared<std::function<void(const LogEntry&)>>(std::move(log)) : nullptr;
}

void VeskSimEngine::shutdown() {
  std::vector<std::shared_ptr<VeskSimDevice>> all;
  {
    std::lock_guard lock(m_mutex);
    all = m_devices;
    all.push_back(m_control);
  }
  for (const auto& d : all)
    d->shutdown();
}

void VeskSimEngine::notifyPresence(int index, bool present) {
  std::shared_ptr<std::function<void(int, bool)>> listener;
  {
    std::lock_guard lock(m_mutex);
    listener = m_presenceListener;
  }
  if (listener)
    (*listener)(index, present);
}

void VeskSimEngine::log(int index, const Request& request, const Response& response) {
  std::shared_ptr<std::function<void(const LogEntry&)>> log;
  {
    std::lock_guard lock(m_mutex);
    log = m_log;
  }
  if (log)
    (*log)(LogEntry{index, m_clock->nowUs(), &request, &response});
}

// ---- the wire ----

std::unique_ptr<VeskSimConnection> VeskSimEngine::connect(int index) {
  auto d = index == kControlDevice ? nullptr : device(index);
  if (!d || !d->present())
    return nullptr;
  return std::unique_ptr<VeskSimConnection>(new VeskSimConnection(*this, index, std::move(d)));
}

std::unique_ptr<VeskSimConnection> VeskSimEngine::connectControl() {
  return std::unique_ptr<VeskSimConnection>(
      new VeskSimConnection(*this, kControlDevice, device(kControlDevice)));
}

Response VeskSimEngine::handleOn(int index, VeskSimDevice& d, const Request& request) {
  VeskSimDevice::Outcome outcome = d.handle(request);
  if (outcome.unplugged)
    notifyPresence(index, false);
  log(index, request, outcome.response);
  return outcome.response;
}

Response VeskSimEngine::handle(int index, const Request& request) {
  const auto d = device(index);
  if (!d) {
    Response closed{Response::Kind::Close, {}, 0};
    log(index, request, closed);
    return closed;
  }
  return handleOn(index, *d, request);
}

// ---- faults and statistics ----

std::optional<FaultId> VeskSimEngine::injectFault(int index, const Fault& fault) {
  const auto d = device(index);
  if (!d)
    return std::nullopt;
  return d->addFault(fault);
}

void VeskSimEngine::clearFaults(int index) {
  if (const auto d = device(index))
    d->clearFaults();
}

void VeskSimEngine::clearAllFaults() {
  std::vector<std::shared_ptr<VeskSimDevice>> all;
  {
    std::lock_guard lock(m_mutex);
    all = m_devices;
    all.push_back(m_control);
  }
  for (const auto& d : all)
    d->clearFaults();
}

std::uint32_t VeskSimEngine::faultFired(int index, FaultId id) const {
  const auto d = device(index);
  return d ? d->faultFired(id) : 0;
}

std::optional<Stats> VeskSimEngine::stats(int index) const {
  const auto d = device(index);
  if (!d)
    return std::nullopt;
  return d->stats();
}

void VeskSimEngine::resetStats(int index) {
  if (const auto d = device(index))
    d->resetStats();
}

// ---- cameras ----

std::shared_ptr<VeskSimCamera> VeskSimEngine::camera(int index) const {
  return std::dynamic_pointer_cast<VeskSimCamera>(device(index));
}

std::optional<std::uint32_t> VeskSimEngine::cameraRegister(int index, std::uint8_t reg) const {
  const auto c = camera(index);
  return c ? c->readRegister(reg) : std::nullopt;
}

bool VeskSimEngine::setCameraRegister(int index, std::uint8_t reg, std::uint32_t value) {
  const auto c = camera(index);
  return c && c->writeRegister(reg, value);
}

std::size_t VeskSimEngine::pictureCount(int index) const {
  const auto c = camera(index);
  return c ? c->pictureCount() : 0;
}

std::optional<PictureInfo> VeskSimEngine::picture(int index, std::size_t number) const {
  const auto c = camera(index);
  return c ? c->picture(number) : std::nullopt;
}

std::optional<std::size_t> VeskSimEngine::dumpCard(int index, const std::string& dir,
                                                   std::string& error) const {
  const auto c = camera(index);
  if (!c) {
    error = "no camera at " + std::to_string(index);
    return std::nullopt;
  }
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    error = dir + ": " + ec.message();
    return std::nullopt;
  }
  const std::size_t count = c->pictureCount();
  for (std::size_t i = 1; i <= count; ++i) {
    const auto p = c->picture(i);
    if (!p)
      break;
    // Our own names, but keep them inside the folder whatever they hold.
    std::string name = p->fileName;
    for (char& ch : name) {
      if (ch == '/' || ch == '\\')
        ch = '_';
    }
    if (name.empty() || name == "." || name == "..")
      name = "picture" + std::to_string(i);
    std::ofstream out(std::filesystem::path(dir) / name, std::ios::binary | std::ios::trunc);
    if (p->bytes)
      out.write(reinterpret_cast<const char*>(p->bytes->data()),
                static_cast<std::streamsize>(p->bytes->size()));
    if (!out) {
      error = dir + "/" + name + ": write failed";
      return std::nullopt;
    }
  }
  return count;
}

} // namespace tarsel::vesksim
