// The frames that travel over the stand-in device sockets between the camera-link
// library's socket back end and the simulator daemon.
//
// $VESK_DEVICE_DIR holds Unix stream sockets: "BrantelVesk" (the control device)
// and "BrantelVesk0" ... "BrantelVesk<N-1>" (one per camera device). Opening a
// device is connect(), closing it is close(). One request at a time per
// connection, answered in order. Every request carries a sequence number of
// the sender's choosing and its reply carries the same number back, so a
// reply that comes after its request timed out is known for what it is and
// never taken for the answer to a later request.
//
// Request (little-endian, 44-byte header, then the data for direction 1):
//   0 u32 magic 0x51534B56      4 u16 kind (1 SCSI pass-through, 2 device control)
//   6 u16 0                     8 u32 control code (kind 2; count query 0x222004)
//  12 u8  CDB length (6 or 12; 0 for kind 2)  13 u8  direction (0 none, 1 out, 2 in)
//  14 u16 0                    16 u8  CDB[16] (unused bytes 0)
//  32 u32 data length          36 u32 time-out in milliseconds
//  40 u32 sequence number
// Reply (little-endian, 52-byte header, then the data):
//   0 u32 magic 0x52534B56      4 u32 Win32 error (0, 31 for a failed command, ...)
//   8 u8  SCSI status (0, 2)    9 u8  sense length (<= 32)
//  10 u16 0                    12 u8  sense[32]
//  44 u32 data length (the bytes that follow; at most what was asked)
//  48 u32 sequence number (the request's)
//
// A request whose header does not decode (wrong magic, kind, direction, CDB
// length, non-zero reserved bytes, data over 1 MiB) makes the peer close the
// connection. No reply within the request's time-out is ERROR_SEM_TIMEOUT (121);
// a connection closed by the peer or a socket that is gone is ERROR_DEV_NOT_EXIST (55).
//
// Header only, no state: usable from any thread. Encoders write explicit
// little-endian bytes; decoders check every length and field before use and
// report what was wrong instead of trusting the peer (they never throw).
#pragma once

#include "platform/Bytes.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace tarsel::vesk::wire {

inline constexpr std::uint32_t kRequestMagic = 0x51534B56u;
inline constexpr std::uint32_t kReplyMagic = 0x52534B56u;
inline constexpr std::size_t kRequestHeaderSize = 44;
inline constexpr std::size_t kReplyHeaderSize = 52;
inline constexpr std::size_t kCdbCapacity = 16;
inline constexpr std::size_t kSenseCapacity = 32;
inline constexpr std::uint32_t kMaxDataLength = 1u << 20;
inline constexpr std::size_t kRequestSequenceAt = 40;
inline constexpr std::size_t kReplySequenceAt = 48;

// The control device's one query: how many camera devices exist.
inline constexpr std::uint32_t kCountQueryCode = 0x222004u;
inline constexpr std::size_t kCountAnswerSize = 8;

inline constexpr const char* kDeviceDirVariable = "VESK_DEVICE_DIR";
inline constexpr const char* kControlDeviceName = "BrantelVesk";

// Win32 error numbers carried in the reply, and the ones a socket peer produces.
inline constexpr std::uint32_t kWireSuccess = 0;
inline constexpr std::uint32_t kWireCommandFailed = 31; // ERROR_GEN_FAILURE
inline constexpr std::uint32_t kWireDeviceGone = 55;    // ERROR_DEV_NOT_EXIST
inline constexpr std::uint32_t kWireTimedOut = 121;     // ERROR_SEM_TIMEOUT

enum class RequestKind : std::uint16_t { ScsiPassThrough = 1, DeviceControl = 2 };
enum class Direction : std::uint8_t { None = 0, DataOut = 1, DataIn = 2 };

inline constexpr std::uint8_t kScsiStatusGood = 0;
inline constexpr std::uint8_t kScsiStatusCheckCondition = 2;

struct RequestHeader {
  RequestKind kind = RequestKind::ScsiPassThrough;
  std::uint32_t controlCode = 0;
  std::uint8_t cdbLength = 0;
  Direction direction = Direction::None;
  std::array<std::uint8_t, kCdbCapacity> cdb{};
  std::uint32_t dataLength = 0;
  std::uint32_t timeoutMs = 0;
  std::uint32_t sequence = 0;
};

struct ReplyHeader {
  std::uint32_t error = kWireSuccess;
  std::uint8_t scsiStatus = kScsiStatusGood;
  std::uint8_t senseLength = 0;
  std::array<std::uint8_t, kSenseCapacity> sense{};
  std::uint32_t dataLength = 0;
  std::uint32_t sequence = 0;
};

// A whole request: for direction 1, data holds header.dataLength bytes.
struct Request {
  RequestHeader header;
  std::vector<std::uint8_t> data;
};

// A whole reply: data holds header.dataLength bytes.
struct Reply {
  ReplyHeader header;
  std::vector<std::uint8_t> data;
};

enum class DecodeStatus {
  Ok,
  TooShort, // fewer bytes than a header
  BadMagic,
  BadKind,
  BadDirection,
  BadCdbLength, // not 6 or 12 for a pass-through; or CDB bytes past the length not 0
  ReservedNotZero,
  TooLong,        // data length over 1 MiB
  BadSenseLength, // over 32
};

inline const char* decodeStatusText(DecodeStatus status) {
  switch (status) {
  case DecodeStatus::Ok:
    return "ok";
  case DecodeStatus::TooShort:
    return "too short";
  case DecodeStatus::BadMagic:
    return "bad magic";
  case DecodeStatus::BadKind:
    return "bad kind";
  case DecodeStatus::BadDirection:
    return "bad direction";
  case DecodeStatus::BadCdbLength:
    return "bad CDB length";
  case DecodeStatus::ReservedNotZero:
    return "reserved bytes not zero";
  case DecodeStatus::TooLong:
    return "data length over 1 MiB";
  case DecodeStatus::BadSenseLength:
    return "sense length over 32";
  }
  return "unknown";
}

// ---- request header ----

inline std::array<std::uint8_t, kRequestHeaderSize> encodeRequestHeader(const RequestHeader& h) {
  std::array<std::uint8_t, kRequestHeaderSize> out{};
  bytes::storeLe32(out, 0, kRequestMagic);
  bytes::storeLe16(out, 4, static_cast<std::uint16_t>(h.kind));
  bytes::storeLe32(out, 8, h.controlCode);
  out[12] = h.cdbLength;
  out[13] = static_cast<std::uint8_t>(h.direction);
  // Bytes past the CDB length go out as 0 whatever the caller left there.
  const std::size_t used = h.cdbLength <= kCdbCapacity ? h.cdbLength : kCdbCapacity;
  for (std::size_t i = 0; i < used; ++i)
    out[16 + i] = h.cdb[i];
  bytes::storeLe32(out, 32, h.dataLength);
  bytes::storeLe32(out, 36, h.timeoutMs);
  bytes::storeLe32(out, kRequestSequenceAt, h.sequence);
  return out;
}

inline DecodeStatus decodeRequestHeader(std::span<const std::uint8_t> frame, RequestHeader& out) {
  if (frame.size() < kRequestHeaderSize)
    return DecodeStatus::TooShort;
  const std::span<const std::uint8_t> p = frame.first(kRequestHeaderSize);
  if (bytes::loadLe32(p, 0) != kRequestMagic)
    return DecodeStatus::BadMagic;
  const std::uint16_t kind = bytes::loadLe16(p, 4);
  if (kind != static_cast<std::uint16_t>(RequestKind::ScsiPassThrough) &&
      kind != static_cast<std::uint16_t>(RequestKind::DeviceControl))
    return DecodeStatus::BadKind;
  if (bytes::loadLe16(p, 6) != 0 || bytes::loadLe16(p, 14) != 0)
    return DecodeStatus::ReservedNotZero;
  const std::uint8_t direction = p[13];
  if (direction > static_cast<std::uint8_t>(Direction::DataIn))
    return DecodeStatus::BadDirection;
  const std::uint8_t cdbLength = p[12];
  if (kind == static_cast<std::uint16_t>(RequestKind::ScsiPassThrough) && cdbLength != 6 && cdbLength != 12)
    return DecodeStatus::BadCdbLength;
  if (cdbLength > kCdbCapacity)
    return DecodeStatus::BadCdbLength;
  for (std::size_t i = cdbLength; i < kCdbCapacity; ++i) {
    if (p[16 + i] != 0)
      return DecodeStatus::BadCdbLength;
  }
  const std::uint32_t dataLength = bytes::loadLe32(p, 32);
  if (dataLength > kMaxDataLength)
    return DecodeStatus::TooLong;

  out.kind = static_cast<RequestKind>(kind);
  out.controlCode = bytes::loadLe32(p, 8);
  out.cdbLength = cdbLength;
  out.direction = static_cast<Direction>(direction);
  for (std::size_t i = 0; i < kCdbCapacity; ++i)
    out.cdb[i] = p[16 + i];
  out.dataLength = dataLength;
  out.timeoutMs = bytes::loadLe32(p, 36);
  out.sequence = bytes::loadLe32(p, kRequestSequenceAt);
  return DecodeStatus::Ok;
}

// The bytes that follow a request header on the wire: the data for direction 1, none otherwise.
inline std::uint32_t requestPayloadLength(const RequestHeader& h) {
  return h.direction == Direction::DataOut ? h.dataLength : 0;
}

// ---- reply header ----

inline std::array<std::uint8_t, kReplyHeaderSize> encodeReplyHeader(const ReplyHeader& h) {
  std::array<std::uint8_t, kReplyHeaderSize> out{};
  bytes::storeLe32(out, 0, kReplyMagic);
  bytes::storeLe32(out, 4, h.error);
  out[8] = h.scsiStatus;
  const std::size_t senseLength = h.senseLength <= kSenseCapacity ? h.senseLength : kSenseCapacity;
  out[9] = static_cast<std::uint8_t>(senseLength);
  for (std::size_t i = 0; i < senseLength; ++i)
    out[12 + i] = h.sense[i];
  bytes::storeLe32(out, 44, h.dataLength);
  bytes::storeLe32(out, kReplySequenceAt, h.sequence);
  return out;
}

inline DecodeStatus decodeReplyHeader(std::span<const std::uint8_t> frame, ReplyHeader& out) {
  if (frame.size() < kReplyHeaderSize)
    return DecodeStatus::TooShort;
  const std::span<const std::uint8_t> p = frame.first(kReplyHeaderSize);
  if (bytes::loadLe32(p, 0) != kReplyMagic)
    return DecodeStatus::BadMagic;
  if (bytes::loadLe16(p, 10) != 0)
    return DecodeStatus::ReservedNotZero;
  const std::uint8_t senseLength = p[9];
  if (senseLength > kSenseCapacity)
    return DecodeStatus::BadSenseLength;
  const std::uint32_t dataLength = bytes::loadLe32(p, 44);
  if (dataLength > kMaxDataLength)
    return DecodeStatus::TooLong;

  out.error = bytes::loadLe32(p, 4);
  out.scsiStatus = p[8];
  out.senseLength = senseLength;
  out.sense.fill(0);
  for (std::size_t i = 0; i < senseLength; ++i)
    out.sense[i] = p[12 + i];
  out.dataLength = dataLength;
  out.sequence = bytes::loadLe32(p, kReplySequenceAt);
  return DecodeStatus::Ok;
}

// ---- whole frames ----

// Header then, for direction 1, exactly header.dataLength bytes of data (data is
// cut or padded with 0 to that length so the frame is always self-consistent).
inline std::vector<std::uint8_t> encodeRequest(const Request& r) {
  const auto header = encodeRequestHeader(r.header);
  const std::uint32_t payload = requestPayloadLength(r.header);
  std::vector<std::uint8_t> out(kRequestHeaderSize + payload, 0);
  std::copy(header.begin(), header.end(), out.begin());
  const std::size_t copy = r.data.size() < payload ? r.data.size() : payload;
  if (copy)
    std::memcpy(out.data() + kRequestHeaderSize, r.data.data(), copy);
  return out;
}

// Header (its data length taken from data.size(), which the caller keeps
// within kMaxDataLength) then the data.
inline std::vector<std::uint8_t> encodeReply(const Reply& r) {
  ReplyHeader h = r.header;
  h.dataLength = static_cast<std::uint32_t>(r.data.size());
  const auto header = encodeReplyHeader(h);
  std::vector<std::uint8_t> out(kReplyHeaderSize + r.data.size(), 0);
  std::copy(header.begin(), header.end(), out.begin());
  if (!r.data.empty())
    std::memcpy(out.data() + kReplyHeaderSize, r.data.data(), r.data.size());
  return out;
}

// ---- the control device's count answer ----

inline std::array<std::uint8_t, kCountAnswerSize> encodeCountAnswer(std::uint32_t deviceCount) {
  std::array<std::uint8_t, kCountAnswerSize> out{};
  bytes::storeLe32(out, 0, deviceCount);
  return out;
}

inline bool decodeCountAnswer(std::span<const std::uint8_t> answer, std::uint32_t& deviceCount) {
  if (answer.size() < 4)
    return false;
  deviceCount = bytes::loadLe32(answer, 0);
  return true;
}

// ---- socket names ----

inline std::string cameraDeviceName(std::uint32_t index) {
  return std::string(kControlDeviceName) + std::to_string(index);
}

} // namespace tarsel::vesk::wire
