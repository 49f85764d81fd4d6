// The in-memory stream the Canon SDK writes a transferred item into: the
// record handed to the SDK (its context, six call-backs and the buffer
// fields) and the operations the SDK calls back through it. The record owns
// its buffer; growing it keeps the bytes written so far.
//
// Results reach the SDK through the call-backs' error word: 0 success, 160
// no stream, 161 not open, 162 already open, 165 negative position, 169 not
// allowed by the open mode, 171 unknown seek origin, 172 fewer bytes than
// asked (end of the data on reading, the buffer not enlarged on writing or
// seeking; the buffer never grows past 2^31-1 bytes).
//
// Threads: one stream serves one transfer; the SDK calls back on the thread
// of the transfer call. Failure: the constructor throws
// _brantel_take_error(8) when the first buffer cannot be allocated.
#pragma once

#include "app/cameras/canon/CdSdkAbi.h"

#include <cstdint>

class CanonMemoryStream {
public:
  static constexpr std::uint32_t kNoStream = tarsel::cdsdk::kStreamNoStream;
  static constexpr std::uint32_t kNotOpen = tarsel::cdsdk::kStreamNotOpen;
  static constexpr std::uint32_t kAlreadyOpen = tarsel::cdsdk::kStreamAlreadyOpen;
  static constexpr std::uint32_t kNegativePosition = tarsel::cdsdk::kStreamNegativePosition;
  static constexpr std::uint32_t kModeNotAllowed = tarsel::cdsdk::kStreamModeNotAllowed;
  static constexpr std::uint32_t kUnknownOrigin = tarsel::cdsdk::kStreamBadOrigin;
  static constexpr std::uint32_t kIncomplete = tarsel::cdsdk::kStreamShort;

  static constexpr std::uint16_t kModeRead = tarsel::cdsdk::kStreamModeRead;
  static constexpr std::uint16_t kModeWrite = tarsel::cdsdk::kStreamModeWrite;

  static constexpr std::uint16_t kFromStart = tarsel::cdsdk::kSeekFromStart;
  static constexpr std::uint16_t kFromPosition = tarsel::cdsdk::kSeekFromCurrent;
  static constexpr std::uint16_t kFromCapacity = tarsel::cdsdk::kSeekFromCapacity;

  explicit CanonMemoryStream(std::int32_t capacity = 0);
  ~CanonMemoryStream();
  CanonMemoryStream(const CanonMemoryStream&) = delete;
  CanonMemoryStream& operator=(const CanonMemoryStream&) = delete;

  // The record handed to the SDK in the release destination.
  CanonMemoryStreamRecord* Record() { return &m_record; }

  const std::uint8_t* Data() const { return m_record.buffer; }
  std::int32_t Size() const { return m_record.size; }
  std::int32_t Position() const { return m_record.position; }
  std::int32_t Capacity() const { return m_record.capacity; }
  std::uint16_t Mode() const { return m_record.mode; }

  // The call-backs as the SDK calls them; `context` is the record.
  static void Open(void* context, std::uint16_t mode, std::uint32_t* error);
  static void Close(void* context, std::uint32_t* error);
  static void Read(void* context, void* buffer, std::uint32_t* size, std::uint32_t* error);
  static void Write(void* context, const void* buffer, std::uint32_t* size, std::uint32_t* error);
  static void Seek(void* context, std::int32_t offset, std::uint16_t origin, std::uint32_t* error);
  static std::int32_t Tell(void* context, std::uint32_t* error);

private:
  CanonMemoryStreamRecord m_record{};
};
