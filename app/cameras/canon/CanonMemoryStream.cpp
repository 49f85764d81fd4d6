#include "app/cameras/canon/CanonMemoryStream.h"

#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

using StreamRecord = CanonMemoryStreamRecord;

constexpr std::int64_t kLargest = std::numeric_limits<std::int32_t>::max();

void report(std::uint32_t* error, std::uint32_t code) {
  if (error)
    *error = code;
}

StreamRecord* recordOf(void* context, std::uint32_t* error) {
  if (!context)
    report(error, CanonMemoryStream::kNoStream);
  return static_cast<StreamRecord*>(context);
}

// The mode test every transfer call starts with; 0 when `needed` is allowed.
std::uint32_t modeResult(const StreamRecord& record, std::uint16_t needed) {
  if (record.mode == 0)
    return CanonMemoryStream::kNotOpen;
  if ((record.mode & needed) == 0)
    return CanonMemoryStream::kModeNotAllowed;
  return 0;
}

// A zeroed buffer of `capacity` bytes holding the record's data; the record
// takes it. False, and the record unchanged, when it cannot be allocated.
bool grow(StreamRecord& record, std::int64_t capacity) {
  auto* larger = static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(capacity), 1));
  if (!larger)
    return false;
  if (record.buffer && record.size > 0)
    std::memcpy(larger, record.buffer, static_cast<std::size_t>(record.size));
  std::free(record.buffer);
  record.buffer = larger;
  record.capacity = static_cast<std::int32_t>(capacity);
  return true;
}

std::uint8_t* at(StreamRecord& record, std::int32_t position) {
  return record.buffer + position;
}

void advance(StreamRecord& record, std::uint32_t count) {
  record.position += static_cast<std::int32_t>(count);
  // Packed fields: compare copies, never references.
  const std::int32_t size = record.size;
  const std::int32_t position = record.position;
  record.size = std::max(size, position);
}

} // namespace

CanonMemoryStream::CanonMemoryStream(std::int32_t capacity) {
  m_record.context = &m_record;
  m_record.open = &Open;
  m_record.close = &Close;
  m_record.read = &Read;
  m_record.write = &Write;
  m_record.seek = &Seek;
  m_record.tell = &Tell;
  if (capacity > 0 && !grow(m_record, capacity))
    throw _brantel_take_error(ERROR_NOT_ENOUGH_MEMORY);
}

CanonMemoryStream::~CanonMemoryStream() {
  m_record.mode = 0;
  std::free(m_record.buffer);
}

void CanonMemoryStream::Open(void* context, std::uint16_t mode, std::uint32_t* error) {
  StreamRecord* record = recordOf(context, error);
  if (!record)
    return;
  if (record->mode != 0)
    return report(error, kAlreadyOpen);
  record->mode = mode;
  report(error, 0);
}

void CanonMemoryStream::Close(void* context, std::uint32_t* error) {
  StreamRecord* record = recordOf(context, error);
  if (!record)
    return;
  record->mode = 0;
  report(error, 0);
}

void CanonMemoryStream::Read(void* context, void* buffer, std::uint32_t* size, std::uint32_t* error) {
  StreamRecord* record = recordOf(context, error);
  if (!record)
    return;
  if (const std::uint32_t result = modeResult(*record, kModeRead))
    return report(error, result);
  if (!size || (*size > 0 && !buffer))
    return report(error, kNoStream);
  // After a seek past the written data nothing is left to read.
  const std::int64_t left = std::max<std::int64_t>(0, std::int64_t{record->size} - record->position);
  std::uint32_t result = 0;
  if (*size > left) {
    *size = static_cast<std::uint32_t>(left);
    result = kIncomplete;
  }
  if (*size > 0)
    std::memcpy(buffer, at(*record, record->position), *size);
  record->position += static_cast<std::int32_t>(*size);
  report(error, result);
}

void CanonMemoryStream::Write(void* context, const void* buffer, std::uint32_t* size, std::uint32_t* error) {
  StreamRecord* record = recordOf(context, error);
  if (!record)
    return;
  if (const std::uint32_t result = modeResult(*record, kModeWrite))
    return report(error, result);
  if (!size || (*size > 0 && !buffer))
    return report(error, kNoStream);
  const std::int64_t room = std::int64_t{record->capacity} - record->position;
  std::uint32_t result = 0;
  if (*size > room) {
    // The buffer never grows past what its 32-bit fields can count.
    const std::int64_t needed = std::int64_t{record->position} + *size;
    if (needed > kLargest || !grow(*record, needed)) {
      *size = static_cast<std::uint32_t>(std::max<std::int64_t>(0, room));
      result = kIncomplete;
    }
  }
  if (*size > 0)
    std::memcpy(at(*record, record->position), buffer, *size);
  advance(*record, *size);
  report(error, result);
}

void CanonMemoryStream::Seek(void* context, std::int32_t offset, std::uint16_t origin, std::uint32_t* error) {
  StreamRecord* record = recordOf(context, error);
  if (!record)
    return;
  if (record->mode == 0)
    return report(error, kNotOpen);
  std::int64_t target = 0;
  switch (origin) {
  case kFromStart:
    target = offset;
    break;
  case kFromPosition:
    target = std::int64_t{record->position} + offset;
    break;
  case kFromCapacity:
    target = std::int64_t{record->capacity} - offset;
    break;
  default:
    return report(error, kUnknownOrigin);
  }
  if (target < 0)
    return report(error, kNegativePosition);
  if (target > record->capacity && (target > kLargest || !grow(*record, target)))
    return report(error, kIncomplete);
  record->position = static_cast<std::int32_t>(target);
  report(error, 0);
}

std::int32_t CanonMemoryStream::Tell(void* context, std::uint32_t* error) {
  StreamRecord* record = recordOf(context, error);
  if (!record)
    return -1;
  report(error, 0);
  return record->position;
}
