// One simulated camera on the camera link, as the driver's device node sees
// it: INQUIRY, and the vendor commands 0xC0 (open a step), 0xC1 (send a
// frame or a status byte), 0xC4 (length of the pending reply), 0xC2 (read
// it) and 0xC3 (close the step), carrying the camera protocol's frames.
//
// Two state machines: the step (open -> frame | length -> read | status ->
// close) and the transaction (what reply is pending and what the host must
// acknowledge). Steps out of order are served as well as possible and
// recorded as protocol violations. An open while an action runs blocks until
// the action ends, or for the request's time-out and then gives no reply.
//
// Every capture the camera starts is stamped with the arrival of its action
// frame on the host's monotonic clock (CLOCK_MONOTONIC, nanoseconds, whatever
// the simulator's own clock), so that a host can measure how far apart it
// released several cameras. The last kFireHistory stamps are kept.
//
// Thread-safe through the device lock (VeskSimDevice).
#pragma once

#include "sim/vesk/VeskSimCameraState.h"
#include "sim/vesk/VeskSimDevice.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarsel::vesksim {

// A picture on the card, as handed out to tests and the daemon.
struct PictureInfo {
  std::string fileName;
  SharedBytes bytes;
  PictureFormat format = PictureFormat::Jpeg;
  bool isProtected = false;
};

class VeskSimCamera final : public VeskSimDevice {
public:
  static constexpr std::size_t kFireHistory = 64;

  VeskSimCamera(std::shared_ptr<VeskSimClock> clock, CameraModel model, std::uint32_t seedBase,
                std::int64_t cameraClock, const CardSetup& card);

  std::string modelName() const;

  // The camera's side, for tests and the daemon's control commands.
  std::optional<std::uint32_t> readRegister(std::uint8_t reg);
  // Writes as the host would; false when the camera refuses the value.
  bool writeRegister(std::uint8_t reg, std::uint32_t value);
  std::optional<std::vector<std::uint8_t>> readObject(std::uint8_t object);
  std::size_t pictureCount();
  std::optional<PictureInfo> picture(std::size_t number);
  bool addPicture(const std::string& fileName, std::vector<std::uint8_t> bytes);
  bool takePicture();
  bool setProtected(std::size_t number, bool isProtected);
  void setCardPresent(bool present);
  void setCardFull();
  void setCardCapacity(std::uint64_t bytes);
  void setBattery(int level);
  // See VeskSimCameraState::setEraseHook.
  void setEraseHook(std::function<void(const CardPicture&)> hook);
  // Arrival stamps of the captures started by the host, oldest first.
  std::vector<std::uint64_t> fireStamps() const;

protected:
  Response run(const Request& request, Lock& lock) override;
  FaultEvent eventOf(const Request& request) const override;
  void onPlugged(std::uint64_t nowUs) override;

private:
  enum class Step { Closed, Opened, FrameSent, LengthRead, ReplyRead, StatusSent };
  enum class Tx { Idle, Status, ActionFirst, ActionRunning, Register, DataRead };

  void setStep(Step step);
  void setTx(Tx tx);

  Response inquiry(const Request& request);
  Response open(const Request& request, Lock& lock);
  // Makes the picture of a capture whose busy time has passed.
  void settleCapture();
  Response sendFrame(const Request& request);
  Response replyLength();
  Response readReply(const Request& request);
  Response closeStep();

  void commandFrame(std::uint8_t kind, std::uint8_t number, const std::vector<std::uint8_t>& params,
                    bool checksumOk);
  void dataBlock(std::uint8_t type, std::uint8_t sequence, const std::vector<std::uint8_t>& data,
                 bool checksumOk);
  void statusByte(std::uint8_t status);
  void refuse(std::uint8_t status);
  void startDataRead(SharedBytes object);
  bool notReady(std::uint64_t nowUs) const;
  std::uint8_t firstStatusFault(std::uint8_t status);

  const std::vector<std::uint8_t>& pendingReply();
  std::vector<std::uint8_t> buildReply();
  void applyRecordFaults(std::vector<std::uint8_t>& record, bool checksummed);
  std::size_t currentBlockLength() const;
  bool currentBlockIsLast() const;

  VeskSimCameraState m_state;
  Step m_step = Step::Closed;
  Tx m_tx = Tx::Idle;
  std::optional<std::uint8_t> m_txKind;
  std::uint8_t m_txNumber = 0;

  std::vector<std::uint8_t> m_reply;
  bool m_replyBuilt = false;
  bool m_replyRead = false;

  std::uint8_t m_status = 0;           // Tx::Status
  std::uint32_t m_registerValue = 0;   // Tx::Register
  std::uint8_t m_actionParam = 0;      // Tx::ActionFirst
  std::uint64_t m_actionArrivalNs = 0; // Tx::ActionFirst
  std::uint8_t m_firstStatus = 0;
  std::uint8_t m_secondStatus = 0; // Tx::ActionRunning
  std::uint64_t m_busyUntil = 0;
  std::uint64_t m_notReadyUntil = 0;

  SharedBytes m_object; // Tx::DataRead
  std::size_t m_offset = 0;
  std::uint8_t m_sequence = 0;
  bool m_endless = false;
  bool m_readsPicture = false; // the object read is a card picture, not a preview frame

  struct WriteAssembly {
    std::uint8_t object = 0;
    std::vector<std::uint8_t> bytes;
    std::uint8_t nextSequence = 0;
  };
  std::optional<WriteAssembly> m_write;

  std::deque<std::uint64_t> m_fireStamps;
};

} // namespace tarsel::vesksim
