#include "vantic/CameraSession.h"

#include "vantic/CallTimeLimit.h"
#include "vantic/PacketCodec.h"
#include "vantic/Tick.h"

namespace tarsel::vantic {

namespace {

constexpr int kOpenBaud = 19200;
constexpr int kWakeAttempts = 4;
constexpr int kFirstWakeTries = 20;
constexpr int kLaterWakeTries = 4;
constexpr int kSpeedRegister = 17;
constexpr int kReadyRegister = 18;
constexpr int kNoFlowControl = 2;

} // namespace

CameraSession::CameraSession(ComPort& port, SessionState& state, CameraLink& link, const Timings& timings)
    : m_port(port), m_state(state), m_link(link), m_timings(timings) {}

void CameraSession::reset() {
  const int handle = m_port.openHandle();
  if (handle != -1)
    m_port.close(handle);
  m_state.clear();
}

bool CameraSession::findUsb() {
  if (m_port.usbOpen(CAM_PORT_USB, &m_state.usb) != CAM_PORT_USB)
    return false;
  m_port.close(CAM_PORT_USB);
  return true;
}

bool CameraSession::openSerialWithRetries(int port) {
  for (int attempt = 0; attempt < m_timings.openTries; ++attempt) {
    if (attempt > 0)
      Tick::sleepMs(CallTimeLimit::clampMs(m_timings.openPauseMs));
    if (m_port.open(port, kOpenBaud, 8) == port)
      return true;
  }
  return false;
}

// Wake-up on the open serial port: the probe byte until the camera answers
// NAK; the attempts are counted in the retry counter.
bool CameraSession::wake() {
  const int handle = m_state.portHandle;
  m_state.retryCounter = 0;
  for (int attempt = 0; attempt < kWakeAttempts && !CallTimeLimit::expired(); ++attempt) {
    ++m_state.retryCounter;
    const std::uint8_t probe = kWakeProbe;
    if (m_port.write(handle, &probe, 1) != 1)
      continue;
    if (m_link.readReplyByte(attempt == 0 ? kFirstWakeTries : kLaterWakeTries) == kNak)
      return true;
  }
  return false;
}

int CameraSession::setPort(int port) {
  // Refused without touching the session: it stays as it is.
  if (m_state.state() != State::Closed)
    return m_state.note(CAM_OTHER);
  if (port != 0 && port != CAM_PORT_USB && (port < 1 || port > 4)) {
    m_state.record(CAM_OUT_OF_RANGE);
    return -1;
  }
  int found = -1;
  if (port == 0 || port == CAM_PORT_USB) {
    if (findUsb()) {
      found = CAM_PORT_USB;
      m_state.speedIndex = 2;
      m_state.storedSpeed = 2;
      m_state.speedConfirmed = false;
    }
  }
  if (found == -1 && port >= 1 && port <= 4) {
    if (openSerialWithRetries(port)) {
      m_port.close(port);
      found = port;
    }
  }
  if (found == -1 && port == 0) {
    for (int com = 1; com <= 4 && found == -1; ++com) {
      if (!openSerialWithRetries(com))
        continue;
      const int saved = m_state.portHandle;
      m_state.portHandle = com;
      m_port.setFlow(com, kNoFlowControl);
      m_port.readToQuiet(com, 1);
      if (wake())
        found = com;
      m_state.portHandle = saved;
      m_port.close(com);
    }
  }
  m_state.portHandle = found;
  m_state.record(found == -1 ? CAM_NO_PORT : CAM_OK);
  return found;
}

int CameraSession::setSpeed(int speedIndex) {
  m_state.speedConfirmed = false;
  if (speedIndex < 1 || speedIndex > 6) {
    m_state.speedIndex = 0;
    m_state.storedSpeed = 0;
    return m_state.record(CAM_OUT_OF_RANGE);
  }
  m_state.speedIndex = speedIndex;
  m_state.storedSpeed = speedIndex;
  return m_state.record(CAM_OK);
}

int CameraSession::open() {
  const int handle = m_state.portHandle;
  if (handle == -1)
    return CAM_NO_PORT;
  m_state.usb = CamUsbDeviceRecord{0x0474, 0, 0, 0};
  if (m_port.openHandle() != -1) {
    // An open session ends as a disable ends it, so the camera is back at
    // the speed the wake-up below talks at; the chosen speed stays.
    const int speed = m_state.speedIndex;
    const int closed = close();
    m_state.speedIndex = speed;
    if (closed != CAM_OK)
      return CAM_BAD_CLOSE;
    if (m_port.openHandle() != -1 && m_port.close(m_port.openHandle()) != 1)
      return CAM_BAD_CLOSE;
  }
  if (m_state.isUsb()) {
    if (m_port.usbOpen(CAM_PORT_USB, &m_state.usb) != CAM_PORT_USB)
      return CAM_BAD_CLOSE;
    m_state.setState(State::Open);
    // A new session counts its re-opens afresh, as the serial wake-up does.
    m_state.retryCounter = 0;
  } else {
    if (m_port.open(handle, kOpenBaud, 8) != handle)
      return CAM_BAD_OPEN;
    m_state.setState(State::Open);
    m_port.setFlow(handle, kNoFlowControl);
    m_port.readToQuiet(handle, 1);
    if (!wake())
      return CAM_NOT_RESPONDING;
  }
  const int baud = baudOfSpeed(m_state.speedIndex);
  if (const int rc =
          m_link.writeRegister(kSpeedRegister, static_cast<std::uint32_t>(m_state.speedIndex), kLetterSpeed);
      rc != CAM_OK) {
    // Recording a garbled answer (13) leaves the state as it is, but the
    // camera never took the speed: the session failed, so the next operation
    // opens it again instead of talking at a speed the camera may not use.
    if (m_state.state() == State::Open)
      m_state.setState(State::Failed);
    return rc;
  }
  if (m_port.setBaud(handle, baud) != 1)
    return CAM_BAD_OPEN;
  if (!m_state.speedConfirmed) {
    std::uint32_t ready = 0;
    if (m_link.readRegister(kReadyRegister, ready) != CAM_OK)
      return CAM_BAD_OPEN;
    m_state.speedConfirmed = true;
  }
  m_port.sleepMs(handle, m_timings.settleMs);
  return CAM_OK;
}

int CameraSession::close() {
  const int handle = m_state.portHandle;
  if (m_state.isUsb()) {
    if (m_port.openHandle() == CAM_PORT_USB && m_port.close(CAM_PORT_USB) != 1)
      return CAM_BAD_CLOSE;
    m_state.setState(State::Closed);
    return CAM_OK;
  }
  if (m_state.state() == State::Closed)
    return CAM_OK;
  // A camera that ended the session is back at its opening speed and hears
  // nothing more; any other is told to go back there.
  const bool talk = m_state.state() != State::Ended;
  m_state.speedIndex = 0;
  int rc = CAM_OK;
  if (m_port.openHandle() == handle && handle != -1) {
    if (talk && m_link.writeRegister(kSpeedRegister, 0, kLetterSpeed) == CAM_OK)
      m_port.sleepMs(handle, m_timings.settleMs);
    if (m_port.close(handle) != 1)
      rc = CAM_BAD_CLOSE;
  }
  m_state.setState(State::Closed);
  return rc;
}

int CameraSession::enable(int enable) {
  if (enable == 1)
    return m_state.record(open());
  if (enable == 0)
    return m_state.record(close());
  return m_state.record(CAM_OUT_OF_RANGE);
}

int CameraSession::reopen() {
  close();
  // Whatever is still open (a port the session did not open) goes too, so
  // the port layer takes the next open.
  if (const int handle = m_port.openHandle(); handle != -1)
    m_port.close(handle);
  m_state.setState(State::Closed);
  const int port = m_state.portHandle;
  if (m_state.storedSpeed >= 1 && m_state.storedSpeed <= 6)
    setSpeed(m_state.storedSpeed);
  if (port == -1 || setPort(port) == -1)
    return CAM_NO_PORT;
  m_state.reopened = true;
  return open();
}

void CameraSession::startBusy(int busyMs) {
  const std::int64_t scaled = static_cast<std::int64_t>(busyMs) * m_timings.busyPercent / 100;
  m_state.setState(State::Busy);
  m_state.busyDeadline = Tick::nowMs() + scaled;
}

void CameraSession::busyPoll() {
  if (m_state.state() != State::Busy)
    return;
  const std::int64_t now = Tick::nowMs();
  int waitMs = m_timings.replyMs;
  // A USB camera answers the poll only when the action is done: wait for it
  // up to the action's deadline, never without bound.
  if (m_state.isUsb())
    waitMs = static_cast<int>(std::max<std::int64_t>(m_state.busyDeadline - now, m_timings.replyMs));
  const int reply = m_link.readByteWithin(waitMs);
  if (reply == kEnq) {
    m_state.setState(State::Open);
    return;
  }
  if (reply == kSessionEnd) {
    m_state.setState(State::Ended);
    return;
  }
  // A wait the caller's time limit cut short says nothing about the camera:
  // it stays busy until its deadline.
  if (reply == -1 && CallTimeLimit::expired() && Tick::nowMs() < m_state.busyDeadline)
    return;
  if (m_state.isUsb()) {
    m_state.setState(State::Failed);
    return;
  }
  // A deadline reached has passed: busy times scaled to nothing end at the
  // first poll instead of polling on until the clock ticks.
  if (Tick::nowMs() >= m_state.busyDeadline) {
    m_state.setState(State::Failed);
    m_state.record(reopen());
  }
}

int CameraSession::ensure() {
  switch (m_state.state()) {
  case State::Open:
    return CAM_OK;
  case State::Busy: {
    while (m_state.state() == State::Busy) {
      if (CallTimeLimit::expired())
        return CAM_NOT_RESPONDING;
      busyPoll();
    }
    if (m_state.state() != State::Open)
      return ensure();
    std::uint32_t ready = 0;
    const int rc = m_link.readRegister(kReadyRegister, ready);
    // A camera that ends the session right after its action (power off)
    // gets a new one.
    if (rc == CAM_SESSION_CLOSED)
      return reopen();
    if (rc != CAM_OK || ready != 1)
      return CAM_NOT_RESPONDING;
    return CAM_OK;
  }
  case State::Closed:
  case State::Ended:
  case State::Failed:
    return reopen();
  }
  return CAM_OTHER;
}

int CameraSession::getState() {
  if (m_state.state() == State::Busy && Tick::nowMs() - m_state.lastKeepAlive > m_timings.keepAliveMs) {
    m_state.lastKeepAlive = Tick::nowMs();
    busyPoll();
  }
  return m_state.stateCode();
}

int CameraSession::pushCommOpen(int port, int mode) {
  switch (mode) {
  case 0: {
    reset();
    if (port < 1 || port > 9 || m_port.open(port, kOpenBaud, 8) != port)
      return m_state.record(CAM_NO_PORT);
    m_state.portHandle = port;
    m_state.setState(State::Open);
    m_port.setFlow(port, kNoFlowControl);
    m_port.readToQuiet(port, 1);
    return m_state.record(CAM_OK);
  }
  case 1:
    if (m_state.state() == State::Open && m_port.openHandle() != -1) {
      m_port.close(m_port.openHandle());
      m_state.setState(State::Closed);
    }
    return m_state.record(CAM_OK);
  case 2:
    if (m_state.state() == State::Open && m_link.readByteWithin(m_timings.rawProbeMs) == kNak)
      return m_state.record(CAM_NAK_RESPONSE);
    return m_state.record(CAM_OK);
  default:
    return CAM_OK;
  }
}

int CameraSession::ready() {
  if (m_state.state() == State::Busy) {
    busyPoll();
    if (m_state.state() == State::Busy)
      return 0;
  }
  const int rc = ensure();
  if (rc != CAM_OK) {
    m_state.record(rc);
    return 0;
  }
  std::uint32_t value = 0;
  const int read = m_link.readRegister(kReadyRegister, value);
  m_state.record(read);
  return read == CAM_OK && value == 1 ? 1 : 0;
}

} // namespace tarsel::vantic
