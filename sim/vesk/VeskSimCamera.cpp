#include "sim/vesk/VeskSimCamera.h"

#include "sim/vesk/VeskSimFrames.h"
#include "sim/vesk/VeskSimPictures.h"

#include <algorithm>
#include <ctime>

namespace tarsel::vesksim {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kInquiry = 0x12;
constexpr std::uint8_t kTestUnitReady = 0x00;
constexpr std::uint8_t kOpen = 0xC0;
constexpr std::uint8_t kSendFrame = 0xC1;
constexpr std::uint8_t kReadReply = 0xC2;
constexpr std::uint8_t kCloseStep = 0xC3;
constexpr std::uint8_t kReplyLength = 0xC4;

constexpr std::uint8_t kIllegalRequest = 0x05;
constexpr std::uint8_t kInvalidOpcode = 0x20;
constexpr std::uint8_t kInvalidField = 0x24;

constexpr std::uint8_t kCaptureAction = 2;

// The host sends data objects in blocks of 32767 bytes; a first block of that
// size means more blocks follow.
constexpr std::size_t kWriteBlockSize = 32767;
constexpr std::size_t kMaxWrittenObject = 1u << 20;

std::uint32_t cdbLength(const RequestHeader& h) {
  return (std::uint32_t{h.cdb[6]} << 24) | (std::uint32_t{h.cdb[7]} << 16) | (std::uint32_t{h.cdb[8]} << 8) |
         h.cdb[9];
}

std::uint64_t monotonicNs() {
  timespec t{};
  ::clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<std::uint64_t>(t.tv_sec) * 1'000'000'000u + static_cast<std::uint64_t>(t.tv_nsec);
}

bool isSuccess(std::uint8_t status) {
  return status == frames::kAck || status == frames::kOkZero;
}

const char* opcodeName(std::uint8_t op) {
  switch (op) {
  case kOpen:
    return "0xC0";
  case kSendFrame:
    return "0xC1";
  case kReadReply:
    return "0xC2";
  case kCloseStep:
    return "0xC3";
  case kReplyLength:
    return "0xC4";
  default:
    return "?";
  }
}

} // namespace

VeskSimCamera::VeskSimCamera(std::shared_ptr<VeskSimClock> clock, CameraModel model, std::uint32_t seedBase,
                             std::int64_t cameraClock, const CardSetup& card)
    : VeskSimDevice(DeviceKind::Camera, std::move(clock)), m_state(std::move(model), seedBase, cameraClock) {
  const std::uint64_t now = m_clock->nowUs();
  m_state.preload(card, now);
  m_notReadyUntil = now + std::uint64_t{m_state.model().warmUpMs} * 1000u;
}

std::string VeskSimCamera::modelName() const {
  return m_state.model().name;
}

void VeskSimCamera::onPlugged(std::uint64_t nowUs) {
  // Plugged in again: the link starts afresh and the camera warms up.
  m_step = Step::Closed;
  setTx(Tx::Idle);
  m_write.reset();
  m_busyUntil = 0;
  m_notReadyUntil = nowUs + std::uint64_t{m_state.model().warmUpMs} * 1000u;
}

void VeskSimCamera::setStep(Step step) {
  m_step = step;
}

void VeskSimCamera::setTx(Tx tx) {
  m_tx = tx;
  m_reply.clear();
  m_replyBuilt = false;
  m_replyRead = false;
  if (tx == Tx::Idle) {
    m_txKind.reset();
    m_object.reset();
  }
}

void VeskSimCamera::settleCapture() {
  if (!m_state.capturePending() || m_clock->nowUs() < m_busyUntil)
    return;
  // A picture that no longer fits makes the capture fail as a full card does.
  if (!m_state.finishCapture() && m_tx == Tx::ActionRunning)
    m_secondStatus = frames::kNak;
}

bool VeskSimCamera::notReady(std::uint64_t nowUs) const {
  return nowUs < m_notReadyUntil || nowUs < m_busyUntil;
}

FaultEvent VeskSimCamera::eventOf(const Request& request) const {
  FaultEvent e = VeskSimDevice::eventOf(request);
  const auto current = [&] {
    if (m_txKind) {
      e.kind = m_txKind;
      e.number = m_txNumber;
    }
  };
  const Bytes& d = request.data;
  if (e.opcode == kSendFrame && d.size() >= 70) {
    if (d[64] == frames::kEsc && loadLe16(d.data() + 66) >= 2) {
      e.kind = d[68];
      e.number = d[69];
    } else if ((d[64] == frames::kBlockMiddle || d[64] == frames::kBlockLast) && m_write) {
      e.kind = frames::kDataWrite;
      e.number = m_write->object;
    } else {
      current();
    }
    return e;
  }
  current();
  return e;
}

// ---- SCSI commands ----

Response VeskSimCamera::run(const Request& request, Lock& lock) {
  const RequestHeader& h = request.header;
  if (h.kind != RequestKind::ScsiPassThrough)
    return win32Error(1); // ERROR_INVALID_FUNCTION: a camera node has no driver controls
  const std::uint8_t op = h.cdb[0];
  if (op == kInquiry)
    return inquiry(request);
  if (op == kTestUnitReady)
    return good();
  if (op < kOpen || op > kReplyLength)
    return checkCondition(kIllegalRequest, kInvalidOpcode, 0);

  if (h.cdbLength != 12) {
    violation(std::string(opcodeName(op)) + " with a CDB of " + std::to_string(h.cdbLength) + " bytes");
    return checkCondition(kIllegalRequest, kInvalidField, 0);
  }
  const bool sends = op == kOpen || op == kSendFrame;
  const Direction want = sends ? Direction::DataOut : Direction::DataIn;
  if (h.direction != want) {
    violation(std::string(opcodeName(op)) + " with the wrong data direction");
    return checkCondition(kIllegalRequest, kInvalidField, 0);
  }
  const std::uint32_t length = cdbLength(h);
  switch (op) {
  case kOpen:
    if (length != 16 || h.dataLength != 16)
      violation("0xC0 carrying " + std::to_string(h.dataLength) + " bytes, CDB says " +
                std::to_string(length));
    return open(request, lock);
  case kSendFrame:
    if (length != h.dataLength) {
      violation("0xC1 CDB length " + std::to_string(length) + " but " + std::to_string(h.dataLength) +
                " bytes sent");
      return checkCondition(kIllegalRequest, kInvalidField, 0);
    }
    return sendFrame(request);
  case kReadReply:
    return readReply(request);
  case kCloseStep:
    if (length != 14 || h.dataLength != 14)
      violation("0xC3 asking " + std::to_string(h.dataLength) + " bytes, CDB says " + std::to_string(length));
    return closeStep();
  case kReplyLength:
    if (length != 16 || h.dataLength != 16)
      violation("0xC4 asking " + std::to_string(h.dataLength) + " bytes, CDB says " + std::to_string(length));
    return replyLength();
  default:
    return checkCondition(kIllegalRequest, kInvalidOpcode, 0);
  }
}

Response VeskSimCamera::inquiry(const Request& request) {
  const RequestHeader& h = request.header;
  if (h.cdbLength != 6 || h.direction != Direction::DataIn) {
    violation("INQUIRY without a 6-byte CDB reading data");
    return checkCondition(kIllegalRequest, kInvalidField, 0);
  }
  const CameraModel& m = m_state.model();
  Bytes data = inquiryData(0x00, true, m.vendor, m.product, m.revision);
  const std::size_t allocation = (std::size_t{h.cdb[3]} << 8) | h.cdb[4];
  if (data.size() > allocation)
    data.resize(allocation);
  return good(std::move(data));
}

Response VeskSimCamera::open(const Request& request, Lock& lock) {
  // While an action runs the camera takes no new step: the open waits for the
  // action's end, at most for the request's time-out.
  const std::uint64_t now = m_clock->nowUs();
  if (m_tx != Tx::ActionFirst && now < m_busyUntil) {
    const std::uint64_t limit = std::uint64_t{request.header.timeoutMs} * 1000u;
    if (m_busyUntil - now > limit) {
      if (!waitUntil(now + limit, lock))
        return Response{Response::Kind::Close, {}, 0};
      return Response{Response::Kind::Silence, {}, 0};
    }
    if (!waitUntil(m_busyUntil, lock))
      return Response{Response::Kind::Close, {}, 0};
  }
  settleCapture();
  const Bytes& d = request.data;
  if (d.size() == 16) {
    const bool ok = loadLe32(d.data()) == 12 && loadLe16(d.data() + 4) == 1 &&
                    loadLe16(d.data() + 6) == frames::kHeaderWord &&
                    std::all_of(d.begin() + 8, d.end(), [](std::uint8_t b) { return b == 0; });
    if (!ok)
      violation("0xC0 block is not {12, 1, 0x9FFF, 0...}");
  }
  setStep(Step::Opened);
  return good();
}

Response VeskSimCamera::sendFrame(const Request& request) {
  if (m_step != Step::Opened)
    violation("frame sent outside an open step");
  const frames::HostFrame frame = frames::parseHostFrame(request.data);
  for (const std::string& note : frame.notes)
    violation(note);
  switch (frame.type) {
  case frames::HostFrame::Type::Status:
    if (frame.headerWord == frames::kStatusHeaderWord)
      ++m_stats.statusFrames09FF;
    else
      ++m_stats.statusFrames9FFF;
    statusByte(frame.status);
    setStep(Step::StatusSent);
    return good();
  case frames::HostFrame::Type::Invalid:
    violation("bad frame: " + frame.problem);
    m_write.reset();
    setTx(Tx::Status);
    m_status = frames::kNak;
    break;
  case frames::HostFrame::Type::Command:
    commandFrame(frame.kind, frame.number, frame.params, frame.checksumOk);
    break;
  case frames::HostFrame::Type::DataBlock:
    dataBlock(frame.blockType, frame.sequence, frame.data, frame.checksumOk);
    break;
  }
  setStep(Step::FrameSent);
  return good();
}

void VeskSimCamera::refuse(std::uint8_t status) {
  setTx(Tx::Status);
  m_status = status;
}

void VeskSimCamera::commandFrame(std::uint8_t kind, std::uint8_t number, const Bytes& params,
                                 bool checksumOk) {
  if ((m_tx == Tx::Register || m_tx == Tx::DataRead) && m_replyRead)
    violation("reply not acknowledged before the next command");
  m_write.reset();
  ++m_stats.frameKinds[kind];
  m_txKind = kind;
  m_txNumber = number;
  const auto withKind = [&](Tx tx) {
    setTx(tx);
    m_txKind = kind;
    m_txNumber = number;
  };
  const auto answer = [&](std::uint8_t status) {
    refuse(status);
    m_txKind = kind;
    m_txNumber = number;
  };
  if (!checksumOk) {
    violation("command frame with a bad checksum");
    answer(frames::kNak);
    return;
  }
  const std::uint64_t now = m_clock->nowUs();
  const FaultEvent event{std::nullopt, kind, number};
  switch (kind) {
  case frames::kRegisterWrite: {
    if (params.size() != 4) {
      violation("register write without a 4-byte value");
      answer(frames::kNak);
      return;
    }
    if (auto f = m_faults.take(FaultStage::StatusByte, event)) {
      answer(static_cast<std::uint8_t>(f->value));
      return;
    }
    if (notReady(now)) {
      answer(frames::kDc1);
      return;
    }
    const std::uint8_t status = m_state.writeRegister(number, loadLe32(params.data()), now);
    if (status == frames::kAck)
      ++m_stats.registerWrites[number];
    answer(status);
    return;
  }
  case frames::kRegisterRead: {
    const auto value = params.empty() ? m_state.readRegister(number, now) : std::nullopt;
    if (!value) {
      answer(frames::kNak);
      return;
    }
    ++m_stats.registerReads[number];
    withKind(Tx::Register);
    m_registerValue = *value;
    return;
  }
  case frames::kAction:
    if (params.size() != 1) {
      answer(frames::kNak);
      return;
    }
    withKind(Tx::ActionFirst);
    m_actionParam = params[0];
    m_actionArrivalNs = monotonicNs();
    return;
  case frames::kDataWrite: {
    if (!m_state.isWritableObject(number)) {
      answer(frames::kNak);
      return;
    }
    if (auto f = m_faults.take(FaultStage::StatusByte, event)) {
      answer(static_cast<std::uint8_t>(f->value));
      return;
    }
    if (notReady(now)) {
      answer(frames::kDc1);
      return;
    }
    if (params.size() == kWriteBlockSize) {
      m_write = WriteAssembly{number, params, 0};
      answer(frames::kAck);
      return;
    }
    const std::uint8_t status = m_state.writeObject(number, params);
    if (status == frames::kAck)
      ++m_stats.objectWrites[number];
    answer(status);
    return;
  }
  case frames::kDataRead: {
    const auto object = params.empty() ? m_state.readObject(number, now) : std::nullopt;
    if (!object) {
      answer(frames::kNak);
      return;
    }
    startDataRead(*object);
    m_txKind = kind;
    m_txNumber = number;
    // Object 14 is the current card picture; while register 4 (its number) is 0, the preview frame.
    m_readsPicture = number == 14 && m_state.readRegister(4, now).value_or(0) != 0;
    return;
  }
  default:
    answer(frames::kNak);
    return;
  }
}

void VeskSimCamera::dataBlock(std::uint8_t type, std::uint8_t sequence, const Bytes& data, bool checksumOk) {
  ++m_stats.dataBlocksOut;
  if (!m_write) {
    violation("data block without a data write in progress");
    refuse(frames::kNak);
    return;
  }
  const std::uint8_t object = m_write->object;
  const auto answer = [&](std::uint8_t status) {
    refuse(status);
    m_txKind = frames::kDataWrite;
    m_txNumber = object;
  };
  if (auto f = m_faults.take(FaultStage::StatusByte, {std::nullopt, frames::kDataWrite, object})) {
    // Anything but an acknowledgement ends the transfer (CAN: cancelled by the camera).
    if (!isSuccess(static_cast<std::uint8_t>(f->value)))
      m_write.reset();
    answer(static_cast<std::uint8_t>(f->value));
    return;
  }
  if (!checksumOk || sequence != m_write->nextSequence ||
      m_write->bytes.size() + data.size() > kMaxWrittenObject) {
    violation(!checksumOk ? "data block with a bad checksum" : "data block out of sequence or too long");
    m_write.reset();
    answer(frames::kNak);
    return;
  }
  m_write->bytes.insert(m_write->bytes.end(), data.begin(), data.end());
  if (type != frames::kBlockLast) {
    ++m_write->nextSequence;
    answer(frames::kAck);
    return;
  }
  const std::uint8_t status = m_state.writeObject(object, m_write->bytes);
  if (status == frames::kAck)
    ++m_stats.objectWrites[object];
  m_write.reset();
  answer(status);
}

void VeskSimCamera::statusByte(std::uint8_t status) {
  switch (m_tx) {
  case Tx::Register:
    if (!m_replyRead)
      violation("status byte before the register reply was read");
    setTx(Tx::Idle);
    return;
  case Tx::DataRead: {
    if (!m_replyRead) {
      violation("status byte before the data block was read");
      return;
    }
    if (!isSuccess(status)) {
      setTx(Tx::Idle); // the host gave the transfer up
      return;
    }
    const std::size_t length = currentBlockLength();
    if (currentBlockIsLast()) {
      ++m_stats.objectReads[m_txNumber];
      if (m_readsPicture)
        ++m_stats.picturesRead;
      setTx(Tx::Idle);
      return;
    }
    m_offset += length;
    if (m_endless && m_offset >= m_object->size())
      m_offset = 0;
    ++m_sequence;
    m_reply.clear();
    m_replyBuilt = false;
    m_replyRead = false;
    return;
  }
  default:
    violation("status byte with nothing to acknowledge");
    return;
  }
}

void VeskSimCamera::startDataRead(SharedBytes object) {
  m_endless = false;
  if (auto f = m_faults.take(FaultStage::DataStart, {std::nullopt, m_txKind, m_txNumber})) {
    if (f->action == FaultAction::EndlessData) {
      m_endless = true;
    } else {
      auto grown = std::make_shared<Bytes>(*object);
      grown->insert(grown->end(), f->value, 0xA5);
      object = std::move(grown);
    }
  }
  const std::optional<std::uint8_t> kind = m_txKind;
  const std::uint8_t number = m_txNumber;
  setTx(Tx::DataRead);
  m_txKind = kind;
  m_txNumber = number;
  m_object = std::move(object);
  m_offset = 0;
  m_sequence = 0;
}

std::size_t VeskSimCamera::currentBlockLength() const {
  const std::size_t size = m_object ? m_object->size() : 0;
  const std::size_t remaining = m_offset < size ? size - m_offset : 0;
  return std::min<std::size_t>(m_state.model().blockSize, remaining);
}

bool VeskSimCamera::currentBlockIsLast() const {
  const std::size_t size = m_object ? m_object->size() : 0;
  return !m_endless && m_offset + currentBlockLength() >= size;
}

// ---- replies ----

const Bytes& VeskSimCamera::pendingReply() {
  if (!m_replyBuilt) {
    m_reply = buildReply();
    m_replyBuilt = true;
  }
  return m_reply;
}

void VeskSimCamera::applyRecordFaults(Bytes& record, bool checksummed) {
  const FaultEvent event{std::nullopt, m_txKind, m_txNumber};
  if (checksummed && record.size() >= 2) {
    if (m_faults.take(FaultStage::Checksummed, event)) {
      const std::size_t at = record.size() - 2;
      storeLe16(&record[at], static_cast<std::uint16_t>(loadLe16(&record[at]) + 1));
    }
  }
  if (auto f = m_faults.take(FaultStage::AnyRecord, event)) {
    if (f->action == FaultAction::BadHeader && record.size() >= 8) {
      if (f->value == 4)
        storeLe16(&record[4], 3);
      else
        storeLe16(&record[6], 0x9FFE);
    } else if (f->action == FaultAction::ShortRecord && record.size() > f->value) {
      record.resize(f->value);
    }
  }
}

Bytes VeskSimCamera::buildReply() {
  const std::uint64_t now = m_clock->nowUs();
  const FaultEvent event{std::nullopt, m_txKind, m_txNumber};
  Bytes record;
  switch (m_tx) {
  case Tx::Idle:
    return {};
  case Tx::Status:
    record = frames::statusRecord(m_status);
    applyRecordFaults(record, false);
    return record;
  case Tx::ActionFirst: {
    std::uint8_t status = frames::kAck;
    bool start = true;
    if (auto f = m_faults.take(FaultStage::StatusByte, event)) {
      status = static_cast<std::uint8_t>(f->value);
      start = isSuccess(status);
    } else if (notReady(now)) {
      status = frames::kDc1;
      start = false;
    }
    if (start) {
      const auto result = m_state.runAction(m_txNumber, m_actionParam, now);
      if (result.firstStatus != frames::kAck) {
        status = result.firstStatus;
      } else {
        ++m_stats.actions[m_txNumber];
        if (m_txNumber == kCaptureAction) {
          m_fireStamps.push_back(m_actionArrivalNs);
          if (m_fireStamps.size() > kFireHistory)
            m_fireStamps.pop_front();
        }
        m_busyUntil = now + result.durationUs;
        m_notReadyUntil = m_busyUntil + result.notReadyUs;
        m_secondStatus = result.secondStatus;
      }
    }
    m_firstStatus = status;
    record = frames::statusRecord(status);
    applyRecordFaults(record, false);
    return record;
  }
  case Tx::ActionRunning: {
    std::uint8_t status = m_secondStatus;
    if (auto f = m_faults.take(FaultStage::SecondStatus, event))
      status = static_cast<std::uint8_t>(f->value);
    record = frames::statusRecord(status);
    applyRecordFaults(record, false);
    return record;
  }
  case Tx::Register:
    record = frames::registerRecord(m_registerValue);
    applyRecordFaults(record, true);
    return record;
  case Tx::DataRead: {
    const std::size_t length = currentBlockLength();
    const bool last = currentBlockIsLast();
    bool unchecked = m_state.model().uncheckedDataChecksums;
    std::uint32_t overrun = 0;
    if (auto f = m_faults.take(FaultStage::DataRecord, event)) {
      if (f->action == FaultAction::UncheckedChecksum)
        unchecked = true;
      else
        overrun = f->value;
    }
    const std::span<const std::uint8_t> payload(m_object->data() + std::min(m_offset, m_object->size()),
                                                length);
    record =
        frames::dataRecord(last ? frames::kBlockLast : frames::kBlockMiddle, m_sequence, payload, unchecked);
    if (overrun)
      storeLe16(&record[66], static_cast<std::uint16_t>(std::min<std::size_t>(length + overrun, 0xFFFF)));
    applyRecordFaults(record, !unchecked);
    return record;
  }
  }
  return record;
}

Response VeskSimCamera::replyLength() {
  if (m_step != Step::Opened)
    violation("reply length asked outside an open step");
  if (m_tx == Tx::Idle)
    violation("reply length asked with no reply pending");
  std::uint32_t length = static_cast<std::uint32_t>(pendingReply().size());
  if (auto f = m_faults.take(FaultStage::LengthQuery, {std::nullopt, m_txKind, m_txNumber}))
    length = f->value;
  Bytes data(16, 0);
  storeLe32(&data[0], 16);
  storeLe16(&data[4], 4);
  storeLe16(&data[6], frames::kHeaderWord);
  storeLe32(&data[12], length);
  setStep(Step::LengthRead);
  return good(std::move(data));
}

Response VeskSimCamera::readReply(const Request& request) {
  if (m_step != Step::LengthRead)
    violation("reply read without asking its length first");
  const std::uint32_t asked = cdbLength(request.header);
  if (asked != request.header.dataLength)
    violation("0xC2 CDB length " + std::to_string(asked) + " but " +
              std::to_string(request.header.dataLength) + " bytes asked");
  if (m_tx == Tx::Idle)
    violation("reply read with no reply pending");
  const Bytes& reply = pendingReply();
  const std::size_t take = std::min<std::size_t>({asked, request.header.dataLength, reply.size()});
  Bytes data(reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(take));
  // A status stays the answer to further polls until the next command frame.
  switch (m_tx) {
  case Tx::Idle:
  case Tx::Status:
    break;
  case Tx::ActionRunning:
    setTx(Tx::Idle);
    break;
  case Tx::ActionFirst:
    if (isSuccess(m_firstStatus)) {
      const auto kind = m_txKind;
      const auto number = m_txNumber;
      setTx(Tx::ActionRunning);
      m_txKind = kind;
      m_txNumber = number;
    } else if (m_firstStatus == frames::kDc1) {
      m_replyBuilt = false; // not ready: the next poll asks the camera again
    }
    break;
  case Tx::Register:
  case Tx::DataRead:
    m_replyRead = true;
    break;
  }
  setStep(Step::ReplyRead);
  return good(std::move(data));
}

Response VeskSimCamera::closeStep() {
  if (m_step == Step::Closed || m_step == Step::Opened || m_step == Step::LengthRead)
    violation("step closed before it was complete");
  setStep(Step::Closed);
  return good(Bytes(14, 0));
}

// ---- the camera's side ----

std::optional<std::uint32_t> VeskSimCamera::readRegister(std::uint8_t reg) {
  std::lock_guard lock(m_mutex);
  settleCapture();
  return m_state.readRegister(reg, m_clock->nowUs());
}

bool VeskSimCamera::writeRegister(std::uint8_t reg, std::uint32_t value) {
  std::lock_guard lock(m_mutex);
  return m_state.writeRegister(reg, value, m_clock->nowUs()) == frames::kAck;
}

std::optional<std::vector<std::uint8_t>> VeskSimCamera::readObject(std::uint8_t object) {
  std::lock_guard lock(m_mutex);
  settleCapture();
  const auto bytes = m_state.readObject(object, m_clock->nowUs());
  if (!bytes)
    return std::nullopt;
  return **bytes;
}

std::size_t VeskSimCamera::pictureCount() {
  std::lock_guard lock(m_mutex);
  settleCapture();
  return m_state.card().pictureCount();
}

std::optional<PictureInfo> VeskSimCamera::picture(std::size_t number) {
  std::lock_guard lock(m_mutex);
  settleCapture();
  const CardPicture* p = m_state.card().picture(number);
  if (!p)
    return std::nullopt;
  return PictureInfo{p->fileName, p->bytes, p->format, p->isProtected};
}

bool VeskSimCamera::addPicture(const std::string& fileName, std::vector<std::uint8_t> bytes) {
  std::lock_guard lock(m_mutex);
  CardPicture p;
  p.fileName = fileName;
  p.bytes = std::make_shared<const Bytes>(std::move(bytes));
  PictureParams thumb;
  thumb.seed = static_cast<std::uint32_t>(m_state.card().totalPictureCount() + 7);
  p.thumbnail = std::make_shared<const Bytes>(makeThumbnail(thumb));
  return m_state.card().add(std::move(p));
}

bool VeskSimCamera::takePicture() {
  std::lock_guard lock(m_mutex);
  settleCapture();
  return m_state.takePicture(m_clock->nowUs());
}

bool VeskSimCamera::setProtected(std::size_t number, bool isProtected) {
  std::lock_guard lock(m_mutex);
  CardPicture* p = m_state.card().picture(number);
  if (!p)
    return false;
  p->isProtected = isProtected;
  return true;
}

void VeskSimCamera::setCardPresent(bool present) {
  std::lock_guard lock(m_mutex);
  m_state.card().setPresent(present);
}

void VeskSimCamera::setCardFull() {
  std::lock_guard lock(m_mutex);
  m_state.card().setCapacity(m_state.card().usedBytes());
}

void VeskSimCamera::setCardCapacity(std::uint64_t bytes) {
  std::lock_guard lock(m_mutex);
  m_state.card().setCapacity(bytes);
}

void VeskSimCamera::setBattery(int level) {
  std::lock_guard lock(m_mutex);
  m_state.setBattery(level);
}

void VeskSimCamera::setEraseHook(std::function<void(const CardPicture&)> hook) {
  std::lock_guard lock(m_mutex);
  m_state.setEraseHook(std::move(hook));
}

std::vector<std::uint64_t> VeskSimCamera::fireStamps() const {
  std::lock_guard lock(m_mutex);
  return {m_fireStamps.begin(), m_fireStamps.end()};
}

} // namespace tarsel::vesksim
