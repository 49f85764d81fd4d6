#include "vantic/PacketCodec.h"

#include "platform/Bytes.h"

#include <algorithm>

namespace tarsel::vantic {

std::uint16_t PacketCodec::checksum(std::span<const std::uint8_t> payload) {
  std::uint32_t sum = 0;
  for (const std::uint8_t byte : payload)
    sum += byte;
  return static_cast<std::uint16_t>(sum & 0xFFFFu);
}

std::vector<std::uint8_t> PacketCodec::packet(std::uint8_t lead, std::uint8_t second,
                                              std::span<const std::uint8_t> payload, bool unchecked) {
  std::vector<std::uint8_t> out(payload.size() + kPacketOverhead);
  out[0] = lead;
  out[1] = second;
  bytes::storeLe16(out, 2, static_cast<std::uint16_t>(payload.size()));
  std::copy(payload.begin(), payload.end(), out.begin() + 4);
  bytes::storeLe16(out, 4 + payload.size(), unchecked ? kUncheckedSum : checksum(payload));
  return out;
}

std::vector<std::uint8_t> PacketCodec::command(std::uint8_t letter, std::span<const std::uint8_t> payload,
                                               bool unchecked) {
  return packet(kEsc, letter, payload, unchecked);
}

std::vector<std::uint8_t> PacketCodec::data(std::uint8_t type, std::uint8_t sequence,
                                            std::span<const std::uint8_t> payload, bool unchecked) {
  return packet(type, sequence, payload, unchecked);
}

std::vector<std::uint8_t> PacketCodec::writeRegister(int reg, std::uint32_t value, std::uint8_t letter) {
  std::uint8_t payload[6] = {static_cast<std::uint8_t>(Operation::WriteRegister),
                             static_cast<std::uint8_t>(reg)};
  bytes::storeLe32(payload, 2, value);
  return command(letter, payload);
}

std::vector<std::uint8_t> PacketCodec::readRegister(int reg) {
  const std::uint8_t payload[2] = {static_cast<std::uint8_t>(Operation::ReadRegister),
                                   static_cast<std::uint8_t>(reg)};
  return command(kLetterCommand, payload);
}

std::vector<std::uint8_t> PacketCodec::action(int action, int argument) {
  const std::uint8_t payload[3] = {static_cast<std::uint8_t>(Operation::Action),
                                   static_cast<std::uint8_t>(action), static_cast<std::uint8_t>(argument)};
  return command(kLetterCommand, payload);
}

std::vector<std::uint8_t> PacketCodec::readObject(int reg, bool large) {
  const std::uint8_t payload[2] = {
      static_cast<std::uint8_t>(large ? Operation::ReadObjectLarge : Operation::ReadObject),
      static_cast<std::uint8_t>(reg)};
  return command(kLetterCommand, payload);
}

ReplyCheck PacketCodec::checkData(std::span<const std::uint8_t> reply, std::uint8_t expectedSequence,
                                  std::size_t maxPayload, bool verifyChecksum) {
  if (reply.size() < kPacketOverhead)
    return ReplyCheck::BadLength;
  if (reply[0] != kMorePackets && reply[0] != kLastPacket)
    return ReplyCheck::BadLead;
  const std::size_t length = bytes::loadLe16(reply, 2);
  if (length != reply.size() - kPacketOverhead || length > maxPayload)
    return ReplyCheck::BadLength;
  if (reply[1] != expectedSequence)
    return ReplyCheck::BadSequence;
  if (verifyChecksum) {
    const std::uint16_t sum = bytes::loadLe16(reply, 4 + length);
    if (sum != checksum(reply.subspan(4, length)))
      return ReplyCheck::BadChecksum;
  }
  return ReplyCheck::Good;
}

} // namespace tarsel::vantic
