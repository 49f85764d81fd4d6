// Fuzz support: the camera's successive replies taken from a fuzz input, a
// scripted port that answers each packet or control byte the library sends
// with the next of them (silence once they ran out) and records what the
// library read and sent, and framing checks written apart from the library's
// packet code, so a mistake there cannot cancel itself out. One thread.
#pragma once

#include "ScriptedPort.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tarsel::vantic::test {

// Stops the fuzz run at once: a property broke.
inline void require(bool holds) {
  if (!holds)
    __builtin_trap();
}

// The replies of `bytes`: each a little-endian 16-bit length and that many
// bytes; a length past the end takes what is left (a truncated reply).
std::vector<Bytes> splitReplies(std::span<const std::uint8_t> bytes);

struct DataPacket {
  std::span<const std::uint8_t> payload;
  bool last = false;
};

// `bytes` read as exactly one data packet: lead 2 or 3, the given sequence
// number, a length field equal to the payload's size and within maxPayload,
// and a sum of the payload bytes that matches (when `verify`).
std::optional<DataPacket> exactDataPacket(std::span<const std::uint8_t> bytes, std::uint8_t sequence,
                                          std::size_t maxPayload, bool verify);

// A unit the library sent is one control byte or one whole packet whose
// length field and sum (or the unchecked mark) agree with its bytes.
bool wellFramed(const Bytes& unit);

class ReplyPort : public ScriptedPort {
public:
  explicit ReplyPort(std::vector<Bytes> replies);

  // The camera on the other end, by number modulo 4: serial, or a USB camera
  // with small checked blocks, with large blocks, or with unchecked replies.
  void chooseCamera(int kind);
  bool usb() const { return usbPresent; }

  int readTimed(int handle, std::uint8_t* buffer, int count, int timeoutUnits) override;
  int write(int handle, const std::uint8_t* bytes, int count) override;

  // What the library read since its last write, and between its last two.
  const Bytes& readSinceWrite() const { return m_readSinceWrite; }
  const Bytes& readBeforeWrite() const { return m_readBeforeWrite; }
  // Units the library sent after every reply had been given, and how many
  // reply bytes were still queued when the first of them went out.
  int silentUnits() const { return m_silentUnits; }
  std::size_t queuedAtSilence() const { return m_queuedAtSilence; }
  // Every reply was given and read: nothing more will come.
  bool drained() const { return m_next == m_replies.size() && queuedBytes() == 0; }
  // The last read found nothing, and nothing more was to come.
  bool lastReadDry() const { return m_lastReadDry; }

private:
  Bytes answer(const Bytes& unit);

  std::vector<Bytes> m_replies;
  std::size_t m_next = 0;
  int m_silentUnits = 0;
  std::size_t m_queuedAtSilence = 0;
  bool m_lastReadDry = false;
  Bytes m_readSinceWrite;
  Bytes m_readBeforeWrite;
};

} // namespace tarsel::vantic::test
