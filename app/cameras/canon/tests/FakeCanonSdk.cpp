#include "app/cameras/canon/tests/FakeCanonSdk.h"

#include "app/cameras/canon/CanonLimits.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tarsel::canon::fuzz {
namespace {

namespace cd = tarsel::cdsdk;
using cd::u16;
using cd::u32;
using cd::u64;
using cd::u8;
using Kind = FakeCanonSdk::Kind;

FakeCanonSdk* g_current = nullptr;

// Calls the family may still make once every call fails: the closing calls of
// a few operations, never a walk over a count.
constexpr u64 kCallsAfterEnd = 2048;
// Stream positions the model follows (the family's stream grows to any).
constexpr std::int64_t kModelLimit = 1 << 16;

constexpr u32 kFailures[] = {cd::kErrEnumEnd,          cd::kErrNotSupported,
                             cd::kErrInvalidParameter, cd::kErrDeviceBusy,
                             cd::kErrOperationRefused, cd::kErrIncompleteTransfer,
                             cd::kErrDeviceNotFound,   0x12340000u | cd::kErrLensCoverClosed};

FakeCanonSdk& F() {
  return FakeCanonSdk::Current();
}

// A count: mostly small, now and then any 32-bit number.
u32 Count() {
  const u8 b = F().Input().Byte();
  return b < 0xF0 ? b % 8u : F().Input().Word32();
}

// A zoom position or similar: small, or any 32-bit number.
u32 Number() {
  const u8 b = F().Input().Byte();
  return b < 0xC0 ? b % 16u : F().Input().Word32();
}

// Writes `size` bytes of input to `out` (the size the family gave).
void Fill(void* out, u32 size) {
  Check(out != nullptr || size == 0, "a value read into no buffer");
  F().Input().CopyTo(out, std::min<u32>(size, 64));
}

u32 SourceAnswer(u32 source) {
  return F().SourceUsable(source) ? F().Answer() : cd::kErrInvalidHandle;
}

// An enumeration opened on a source and walked one value at a time.
template <Kind K> u32 OpenOn(u32 source, u32* out) {
  if (const u32 result = SourceAnswer(source))
    return result;
  *out = F().Open(K, source);
  return 0;
}

template <Kind K> u32 ReleaseOf(u32 handle) {
  F().Release(handle, K);
  return 0;
}

template <class Value> u32 NextValue(u32 handle, Value* out) {
  F().Use(handle, Kind::ValueEnum, kMaxEnumerated);
  if (const u32 result = F().Answer())
    return result;
  Fill(out, sizeof *out);
  return 0;
}

template <Kind K> u32 NextRecord(u32 handle, void* out, u32 size) {
  F().Use(handle, K, kMaxEnumerated);
  if (const u32 result = F().Answer())
    return result;
  Fill(out, size);
  return 0;
}

// A setter or getter of one value on a source.
template <class... Args> u32 SetOn(u32 source, Args...) {
  return SourceAnswer(source);
}

template <class T> u32 GetOn(u32 source, T* out, u32 reserved) {
  Check(reserved == 0, "a reserved argument not 0");
  if (const u32 result = SourceAnswer(source))
    return result;
  Fill(out, sizeof *out);
  return 0;
}

u32 sourceEnumOpen(u32 option, u32* out) {
  Check(option == cd::kSourceEnumOption, "the source enumeration opened with another option");
  if (const u32 result = F().Answer())
    return result;
  *out = F().Open(Kind::SourceEnum, 0);
  return 0;
}

u32 sourceEnumNext(u32 handle, CanonSourceRecord* record) {
  return F().SourceEnumNext(handle, record);
}

u32 sourceEnumCount(u32 handle, u32* out) {
  F().Use(handle, Kind::SourceEnum);
  if (const u32 result = F().Answer())
    return result;
  *out = Count();
  return 0;
}

u32 sourceOpen(CanonSourceRecord* record, u32* out) {
  return F().SourceOpen(record, out);
}

u32 sourceClose(u32 source) {
  return F().SourceClose(source);
}

u32 eventRegister(u32 source, cd::EventCallback* callback, void* context, u32* out) {
  return F().EventRegister(source, callback, context, out);
}

u32 eventUnregister(u32 source, u32 registration) {
  return F().EventUnregister(source, registration);
}

u32 devicePropsOpen(u32 source, u32 reserved, u32* out) {
  Check(reserved == 0, "a reserved argument not 0");
  return OpenOn<Kind::Props>(source, out);
}

u32 devicePropRead(u32 props, u32 id, u32* size, void* value, u32 reserved) {
  Check(reserved == 0, "a reserved argument not 0");
  return F().DevicePropRead(props, id, size, value);
}

u32 devicePropWrite(u32 props, u32 id, u32* size, const void* value) {
  return F().CameraTimeWritten(props, id, size, value);
}

u32 resolutionEnumOpen(u32 source, u32 reserved, u32* out) {
  Check(reserved == 0, "a reserved argument not 0");
  return OpenOn<Kind::ResolutionEnum>(source, out);
}

u32 resolutionEnumNext(u32 handle, cd::ResolutionRecord* record) {
  return NextRecord<Kind::ResolutionEnum>(handle, record, 10);
}

u32 resolutionEnumCount(u32 handle, u32* out) {
  F().Use(handle, Kind::ResolutionEnum);
  if (const u32 result = F().Answer())
    return result;
  *out = Count();
  return 0;
}

u32 beforeRelease(u32 source) {
  return F().BracketOpen(source);
}

u32 afterTransfer(u32 source) {
  return F().BracketClose(source);
}

u32 volumeEnumOpen(u32 source, u32* out) {
  return OpenOn<Kind::VolumeEnum>(source, out);
}

u32 volumeEnumNext(u32 handle, u32* volume) {
  F().Use(handle, Kind::VolumeEnum, kMaxEnumerated);
  if (const u32 result = F().Answer())
    return result;
  *volume = F().Input().Byte() + 1u;
  return 0;
}

u32 volumeInfo(u32, cd::VolumeRecord* record) {
  if (const u32 result = F().Answer())
    return result;
  const u8 kind = F().Input().Byte();
  record->volumeType = kind;
  record->capacity = (kind & 1) ? F().Input().Word64() : F().Input().Byte();
  record->freeSpace = (kind & 2) ? F().Input().Word64() : F().Input().Byte();
  F().TallyOfAnswers().volumes.push_back(*record);
  return 0;
}

u32 itemEnumOpen(u32, u32 option, u32 flags, u32* out) {
  Check(option == cd::kItemEnumOption && flags == cd::kItemEnumFlags, "the item enumeration's constants");
  if (const u32 result = F().Answer())
    return result;
  *out = F().Open(Kind::ItemEnum, 0);
  return 0;
}

u32 itemEnumCount(u32 handle, u32* out) {
  F().Use(handle, Kind::ItemEnum);
  if (const u32 result = F().Answer())
    return result;
  *out = Count();
  F().TallyOfAnswers().itemCounts.push_back(*out);
  return 0;
}

u32 remoteEnter(u32 source, cd::EventCallback* callback, void* context) {
  return F().RemoteEnter(source, callback, context);
}

u32 remoteLeave(u32 source) {
  return F().RemoteLeave(source);
}

u32 selectReleaseKind(u32 source, u32 kind) {
  Check(kind == cd::kReleaseKindPicture || kind == cd::kReleaseKindWithExtras, "an unknown release kind");
  return SourceAnswer(source);
}

u32 release(u32 source, u16, cd::ProgressCallback* callback, void* context, u32 option, u32* count,
            u32 reserved) {
  Check(option == cd::kReleaseOption && reserved == 0, "the release's constants");
  return F().Release(source, callback, context, count);
}

u32 releasedItem(u32 source, cd::ProgressCallback* callback, void* context, u32 option,
                 CanonReleaseItemRecord* record, cd::ReleaseDestination* destination, u32 reserved) {
  Check(reserved == 0, "a reserved argument not 0");
  Check(option == (destination ? cd::kReleaseOption : 0u), "the transfer's option");
  return F().ReleasedItem(source, callback, context, record, destination);
}

u32 viewfinderStart(u32 source, u32, cd::ViewfinderCallback*, void*) {
  return SourceAnswer(source);
}

u32 viewfinderStop(u32 source, u32) {
  return SourceAnswer(source);
}

u32 viewfinderOutput(u32 source, u32 output) {
  Check(output == cd::kViewfinderOutputMonitorOn || output == cd::kViewfinderOutputMonitorOff,
        "an unknown viewfinder output");
  return SourceAnswer(source);
}

u32 zoomLimits(u32 source, u32* highest, u32* highestOptical) {
  if (const u32 result = SourceAnswer(source))
    return result;
  *highest = Number();
  *highestOptical = Number();
  return 0;
}

u32 zoomPosition(u32 source, u32* out) {
  return F().ZoomPosition(source, out);
}

u32 zoomRatio(u32 source, u32* numerator, u32* denominator) {
  if (const u32 result = SourceAnswer(source))
    return result;
  *numerator = F().Input().Word16();
  *denominator = F().Input().Word16();
  return 0;
}

u32 setZoomPosition(u32 source, u32 position) {
  return F().SetZoomPosition(source, position);
}

u32 imageFormat(u32 source, u32* quality, u32* size, u32 reserved) {
  Check(reserved == 0, "a reserved argument not 0");
  Check(*quality == cd::kImageFormatQualityPreset, "the image format asked without the preset");
  if (const u32 result = SourceAnswer(source))
    return result;
  *quality = F().Input().Word16();
  *size = F().Input().Word16();
  return 0;
}

u32 flash(u32 source, u32* mode, u32* second, u32 reserved) {
  Check(reserved == 0, "a reserved argument not 0");
  if (const u32 result = SourceAnswer(source))
    return result;
  *mode = F().Input().Word32();
  *second = F().Input().Byte();
  return 0;
}

u32 releaseControlEnumNext(u32 handle, cd::ReleaseControlDescriptor* out) {
  F().Use(handle, Kind::ReleaseControlEnum, kMaxEnumerated);
  if (const u32 result = F().Answer())
    return result;
  static constexpr u32 kIds[] = {cd::kParamIso, cd::kParamMetering, cd::kParamApertureBound,
                                 cd::kParamFocalLengthBase};
  const u8 b = F().Input().Byte();
  out->id = b < 0xF0 ? kIds[b % 4] : F().Input().Word32();
  out->size = F().Input().Byte() % 5u;
  out->access = F().Input().Byte() % 4u;
  return 0;
}

u32 releaseControlRead(u32 source, u32, u32* size, void* value) {
  if (const u32 result = SourceAnswer(source))
    return result;
  Fill(value, *size);
  return 0;
}

u32 releaseControlWrite(u32 source, u32, u32 size, const void* value) {
  Check(value != nullptr && size <= 4, "a property written from no value");
  return SourceAnswer(source);
}

u32 imageFormatEnumNext(u32 handle, cd::ImageFormatPair* out) {
  return NextRecord<Kind::ImageFormatEnum>(handle, out, sizeof *out);
}

u32 parameterValuesOpen(u32 source, u32 id, u32* out, u32* valueSize) {
  if (const u32 result = SourceAnswer(source))
    return result;
  const u8 b = F().Input().Byte();
  *valueSize = b < 0xC0 ? (id == cd::kParamIso ? 2u : 1u) : b % 8u;
  *out = F().Open(Kind::ParameterValues, source);
  return 0;
}

u32 parameterValuesNext(u32 handle, u32 size, void* out) {
  F().Use(handle, Kind::ParameterValues, kMaxEnumerated);
  if (const u32 result = F().Answer())
    return result;
  Fill(out, size);
  return 0;
}

template <u32 Offset> void Set(CanonSdkFunctionTable& table, typename cd::EntryType<Offset>::type* function) {
  cd::setEntry<Offset>(table, function);
}

} // namespace

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "canon_sdk_replies_fuzzer: %s\n", what);
  std::fflush(stderr);
  std::abort();
}

bool ByteReader::Take(std::uint8_t* out) {
  if (m_left == 0)
    return false;
  *out = *m_data++;
  --m_left;
  return true;
}

std::uint8_t ByteReader::Byte() {
  std::uint8_t b = 0;
  Take(&b);
  return b;
}

std::uint16_t ByteReader::Word16() {
  const std::uint16_t low = Byte();
  return static_cast<std::uint16_t>(low | (Byte() << 8));
}

std::uint32_t ByteReader::Word32() {
  const std::uint32_t low = Word16();
  return low | (std::uint32_t{Word16()} << 16);
}

std::uint64_t ByteReader::Word64() {
  const std::uint64_t low = Word32();
  return low | (std::uint64_t{Word32()} << 32);
}

std::vector<std::uint8_t> ByteReader::Bytes(std::size_t count) {
  std::vector<std::uint8_t> bytes(count, 0);
  CopyTo(bytes.data(), count);
  return bytes;
}

void ByteReader::CopyTo(void* out, std::size_t count) {
  const std::size_t taken = std::min(count, m_left);
  if (taken > 0)
    std::memcpy(out, m_data, taken);
  if (count > taken)
    std::memset(static_cast<std::uint8_t*>(out) + taken, 0, count - taken);
  m_data += taken;
  m_left -= taken;
}

FakeCanonSdk::FakeCanonSdk(ByteReader& input) : m_in(input) {
  Check(g_current == nullptr, "two fake SDKs at once");
  g_current = this;
}

FakeCanonSdk::~FakeCanonSdk() {
  g_current = nullptr;
}

FakeCanonSdk& FakeCanonSdk::Current() {
  Check(g_current != nullptr, "an SDK entry called with no fake SDK in place");
  return *g_current;
}

std::uint32_t FakeCanonSdk::Answer() {
  std::uint8_t b = 0;
  if (!m_in.Take(&b)) {
    ++m_callsAfterEnd;
    CheckCallsBounded();
    return cd::kErrDisconnected;
  }
  return b < 0xE0 ? 0u : kFailures[b & 7u];
}

void FakeCanonSdk::CheckCallsBounded() const {
  Check(m_callsAfterEnd <= kCallsAfterEnd, "the family kept calling an SDK that fails every call");
}

std::uint32_t FakeCanonSdk::Open(Kind kind, std::uint32_t parent) {
  const std::uint32_t handle = m_nextHandle++;
  m_open.emplace(handle, HandleBook{kind, parent});
  return handle;
}

void FakeCanonSdk::Use(std::uint32_t handle, Kind kind, std::uint32_t maxUses) {
  const auto found = m_open.find(handle);
  Check(found != m_open.end(), "a handle used that is not open (never handed out or released)");
  Check(found->second.kind == kind, "a handle used with another kind's entry");
  Check(++found->second.uses <= maxUses, "an enumeration walked past the family's bound");
}

void FakeCanonSdk::Release(std::uint32_t handle, Kind kind) {
  const auto found = m_open.find(handle);
  Check(found != m_open.end(), "a handle released that is not open (released twice?)");
  Check(found->second.kind == kind, "a handle released by another kind's entry");
  m_open.erase(found);
}

bool FakeCanonSdk::SourceUsable(std::uint32_t source) {
  if (source == 0)
    return false;
  Use(source, Kind::Source);
  return true;
}

void FakeCanonSdk::CheckAllReleased() const {
  Check(m_open.empty(), "a handle the SDK handed out was never released");
  Check(m_remoteSource == 0, "remote-release mode still entered at the end");
  Check(m_eventCallback == nullptr, "an event call-back still registered at the end");
}

std::uint32_t FakeCanonSdk::DevicePropRead(std::uint32_t props, std::uint32_t id, std::uint32_t* size,
                                           void* value) {
  Use(props, Kind::Props);
  Check(size != nullptr && value != nullptr, "a device property read into no buffer");
  const bool text = id == cd::kPropModelText || id == cd::kPropFirmwareText || id == cd::kPropOwnerText;
  if (const std::uint32_t result = Answer()) {
    m_texts[id].clear();
    m_words[id] = 0;
    return result;
  }
  const std::uint32_t room = *size;
  auto* out = static_cast<char*>(value);
  if (!text) {
    const std::uint32_t word = m_in.Word32();
    std::memcpy(out, &word, std::min<std::uint32_t>(room, 4));
    m_words[id] = word;
    *size = std::min<std::uint32_t>(room, 4);
    return 0;
  }
  // A text of up to `room` bytes, NUL-terminated when there is room for it.
  const std::uint32_t length = std::min<std::uint32_t>(m_in.Byte(), room);
  m_in.CopyTo(out, length);
  if (length < room)
    out[length] = '\0';
  m_texts[id].assign(out, strnlen(out, length));
  *size = length < room ? length + 1 : length;
  return 0;
}

std::uint32_t FakeCanonSdk::CameraTimeWritten(std::uint32_t props, std::uint32_t id, std::uint32_t* size,
                                              const void* value) {
  Use(props, Kind::Props);
  Check(size != nullptr && value != nullptr, "a device property written from no value");
  if (id == cd::kPropCameraTime) {
    Check(*size == 4, "the camera time written with another size");
    std::memcpy(&m_cameraTimeWritten, value, 4);
  } else if (id == cd::kPropOwnerText) {
    const auto* text = static_cast<const char*>(value);
    Check(*size >= 1 && text[*size - 1] == '\0', "the owner text written without its NUL");
    m_ownerWritten.assign(text, *size - 1);
  }
  return Answer();
}

std::uint32_t FakeCanonSdk::SourceEnumNext(std::uint32_t handle, CanonSourceRecord* record) {
  // Source index i reads i + 1 records: the family lists at most kMaxSources.
  Use(handle, Kind::SourceEnum, 64);
  Check(record != nullptr, "a source record read into no record");
  if (const std::uint32_t result = Answer())
    return result;
  record->word0 = m_in.Word32();
  record->sourceId = m_in.Word32();
  // Names of any length up to the field, the whole field without a NUL.
  const std::uint8_t b = m_in.Byte();
  const std::size_t length = b == 0xFF ? sizeof record->name : b;
  m_in.CopyTo(record->name, length);
  if (length < sizeof record->name)
    record->name[length] = '\0';
  m_lastRecord = *record;
  m_recordGiven = true;
  return 0;
}

std::uint32_t FakeCanonSdk::SourceOpen(CanonSourceRecord* record, std::uint32_t* out) {
  Check(record != nullptr && out != nullptr, "a source opened without its record");
  Check(m_recordGiven, "a source opened with no record read");
  Check(record->word0 == cd::kSourceRecordOpenWord, "a source record opened without the open word");
  const std::uint32_t id = record->sourceId;
  const std::uint32_t lastId = m_lastRecord.sourceId;
  Check(id == lastId && std::memcmp(record->name, m_lastRecord.name, sizeof record->name) == 0,
        "a source opened with another record than the one read");
  if (const std::uint32_t result = Answer())
    return result;
  *out = Open(Kind::Source, 0);
  return 0;
}

std::uint32_t FakeCanonSdk::SourceClose(std::uint32_t source) {
  for (const auto& [handle, book] : m_open)
    Check(book.parent != source, "a source closed before what was opened on it");
  Check(m_remoteSource != source, "a source closed in remote-release mode");
  Release(source, Kind::Source);
  return 0;
}

std::uint32_t FakeCanonSdk::EventRegister(std::uint32_t source, cdsdk::EventCallback* callback, void* context,
                                          std::uint32_t* out) {
  Check(callback != nullptr && out != nullptr, "an event registration without a call-back");
  Check(m_eventCallback == nullptr, "a second event registration");
  if (const std::uint32_t result = SourceAnswer(source))
    return result;
  *out = Open(Kind::Registration, source);
  m_eventCallback = callback;
  m_eventContext = context;
  return 0;
}

std::uint32_t FakeCanonSdk::EventUnregister(std::uint32_t source, std::uint32_t registration) {
  Use(source, Kind::Source);
  const auto found = m_open.find(registration);
  Check(found != m_open.end() && found->second.parent == source, "an unregistration of another source");
  Release(registration, Kind::Registration);
  m_eventCallback = nullptr;
  m_eventContext = nullptr;
  return 0;
}

std::uint32_t FakeCanonSdk::RemoteEnter(std::uint32_t source, cdsdk::EventCallback* callback, void* context) {
  Check(callback != nullptr, "remote-release mode entered without a call-back");
  Check(m_remoteSource == 0, "remote-release mode entered twice");
  Check(m_eventCallback == callback && m_eventContext == context,
        "remote-release mode entered before the event call-back was registered");
  if (const std::uint32_t result = SourceAnswer(source))
    return result;
  m_remoteSource = source;
  return 0;
}

std::uint32_t FakeCanonSdk::RemoteLeave(std::uint32_t source) {
  Use(source, Kind::Source);
  Check(m_remoteSource == source, "remote-release mode left while not in it");
  m_remoteSource = 0;
  return 0;
}

std::uint32_t FakeCanonSdk::BracketOpen(std::uint32_t source) {
  if (!SourceUsable(source))
    return cd::kErrInvalidHandle;
  m_bracket = true;
  return 0;
}

std::uint32_t FakeCanonSdk::BracketClose(std::uint32_t source) {
  if (!SourceUsable(source))
    return cd::kErrInvalidHandle;
  Check(m_bracket, "the call after a transfer without the call before a release");
  m_bracket = false;
  return 0;
}

std::uint32_t FakeCanonSdk::ZoomPosition(std::uint32_t source, std::uint32_t* out) {
  if (const std::uint32_t result = SourceAnswer(source))
    return result;
  *out = Number();
  m_zoomAnswered = true;
  m_zoomPosition = *out;
  return 0;
}

std::uint32_t FakeCanonSdk::SetZoomPosition(std::uint32_t source, std::uint32_t position) {
  m_zoomSet = position;
  ++m_zoomSetCalls;
  return SourceAnswer(source);
}

std::uint32_t FakeCanonSdk::Release(std::uint32_t source, cdsdk::ProgressCallback* callback, void* context,
                                    std::uint32_t* count) {
  Check(count != nullptr, "a release without a place for the item count");
  if (!SourceUsable(source))
    return cd::kErrInvalidHandle;
  Check(m_remoteSource == source, "a release outside remote-release mode");
  Check(m_bracket, "a release without the call before a release");
  if (const std::uint32_t result = Answer())
    return result;
  if (callback)
    callback(m_in.Byte(), cd::kProgressStatusRelease, context);
  *count = Count();
  return 0;
}

std::uint32_t FakeCanonSdk::ReleasedItem(std::uint32_t source, cdsdk::ProgressCallback* callback,
                                         void* context, CanonReleaseItemRecord* record,
                                         cdsdk::ReleaseDestination* destination) {
  Check(record != nullptr, "a transfer without an item record");
  if (!SourceUsable(source))
    return cd::kErrInvalidHandle;
  if (!destination) {
    ++m_recordCalls;
    if (const std::uint32_t result = Answer())
      return result;
    static constexpr std::uint32_t kTypes[] = {cd::kItemTypeJpeg, cd::kItemTypeRaw, cd::kItemTypeThumbnail,
                                               0x33};
    record->itemNumber = m_in.Byte();
    record->dataType = kTypes[m_in.Byte() % 4];
    // Now and then a size past what a stream holds.
    const std::uint8_t b = m_in.Byte();
    record->dataSize = b == 0xFF ? 0x80000000u | m_in.Word32() : m_in.Word16();
    const std::size_t length = m_in.Byte() % (sizeof record->fileName + 1);
    m_in.CopyTo(record->fileName, length);
    if (length < sizeof record->fileName)
      record->fileName[length] = '\0';
    m_itemAsked = true;
    m_itemType = record->dataType;
    m_itemName.assign(record->fileName, strnlen(record->fileName, sizeof record->fileName));
    return 0;
  }
  Check(m_itemAsked, "an item transferred before its record was asked");
  Check(destination->kind == cd::kDestinationMemoryStream && destination->stream != nullptr,
        "a transfer without a memory stream");
  const std::uint32_t size = record->dataSize;
  Check(size <= 0x7FFFFFFFu, "a transfer into a stream that cannot hold the item");
  Check(destination->stream->capacity == static_cast<std::int32_t>(size),
        "the stream's buffer is not the item's size");
  m_itemAsked = false;
  Stream(destination->stream, callback, context);
  const std::uint32_t result = Answer();
  if (result == 0 && (m_itemType == cd::kItemTypeJpeg || m_itemType == cd::kItemTypeRaw))
    m_delivered.back().fileName = m_itemName;
  else
    m_delivered.pop_back();
  return result;
}

void FakeCanonSdk::Stream(CanonMemoryStreamRecord* stream, cdsdk::ProgressCallback* callback, void* context) {
  Check(stream->context && stream->open && stream->close && stream->read && stream->write && stream->seek &&
            stream->tell,
        "a stream record without its call-backs");
  // The stream as it ought to be: what was written where, its size, its
  // position, its buffer's capacity and its open mode.
  std::int64_t capacity = stream->capacity;
  std::int64_t position = 0;
  std::int64_t size = 0;
  std::uint16_t mode = 0;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min<std::int64_t>(capacity, kModelLimit)), 0);
  const auto agrees = [&] {
    const std::int32_t recordCapacity = stream->capacity;
    const std::int32_t recordPosition = stream->position;
    const std::int32_t recordSize = stream->size;
    const std::uint16_t recordMode = stream->mode;
    Check(recordCapacity == capacity && recordPosition == position && recordSize == size &&
              recordMode == mode,
          "the stream's capacity, position, size or mode differ from the writes and seeks");
  };
  agrees();
  void* const self = stream->context;
  const unsigned operations = m_in.Byte() % 32u;
  for (unsigned i = 0; i < operations && !m_in.Empty(); ++i) {
    std::uint32_t error = 0xDEADu;
    switch (m_in.Byte() % 8u) {
    case 0: { // open
      const auto asked = static_cast<std::uint16_t>(m_in.Byte() % 4u);
      stream->open(self, asked, &error);
      Check(error == (mode != 0 ? cd::kStreamAlreadyOpen : cd::kStreamOk), "the stream's open result");
      if (mode == 0)
        mode = asked;
      break;
    }
    case 1: // close
      stream->close(self, &error);
      Check(error == cd::kStreamOk, "the stream's close result");
      mode = 0;
      break;
    case 2:
    case 3: { // write
      std::vector<std::uint8_t> data = m_in.Bytes(m_in.Byte());
      const auto length = static_cast<std::uint32_t>(data.size());
      if (position + length > kModelLimit)
        break;
      std::uint32_t written = length;
      stream->write(self, data.data(), &written, &error);
      if (mode == 0 || (mode & cd::kStreamModeWrite) == 0) {
        Check(error == (mode == 0 ? cd::kStreamNotOpen : cd::kStreamModeNotAllowed),
              "the stream's write refusal");
        break;
      }
      Check(error == cd::kStreamOk && written == length, "a write the stream did not take whole");
      capacity = std::max<std::int64_t>(capacity, position + length);
      bytes.resize(static_cast<std::size_t>(std::max<std::int64_t>(capacity, std::ssize(bytes))), 0);
      std::copy(data.begin(), data.end(), bytes.begin() + position);
      position += length;
      size = std::max(size, position);
      break;
    }
    case 4: { // seek
      const auto origin = static_cast<std::uint16_t>(m_in.Byte() % 4u);
      const auto offset = static_cast<std::int16_t>(m_in.Word16());
      const std::int64_t target = origin == cd::kSeekFromStart     ? offset
                                  : origin == cd::kSeekFromCurrent ? position + offset
                                                                   : capacity - offset;
      const bool known =
          origin == cd::kSeekFromStart || origin == cd::kSeekFromCurrent || origin == cd::kSeekFromCapacity;
      if (mode != 0 && known && target > kModelLimit)
        break;
      stream->seek(self, offset, origin, &error);
      const std::uint32_t expected = mode == 0    ? cd::kStreamNotOpen
                                     : !known     ? cd::kStreamBadOrigin
                                     : target < 0 ? cd::kStreamNegativePosition
                                                  : cd::kStreamOk;
      Check(error == expected, "the stream's seek result");
      if (expected != cd::kStreamOk)
        break;
      capacity = std::max(capacity, target);
      bytes.resize(static_cast<std::size_t>(std::max<std::int64_t>(capacity, std::ssize(bytes))), 0);
      position = target;
      break;
    }
    case 5: { // tell
      const std::int32_t told = stream->tell(self, &error);
      Check(error == cd::kStreamOk && told == position,
            "the stream's tell differs from the writes and seeks");
      break;
    }
    case 6: { // read back
      std::vector<std::uint8_t> data(m_in.Byte(), 0);
      const auto length = static_cast<std::uint32_t>(data.size());
      std::uint32_t got = length;
      stream->read(self, data.data(), &got, &error);
      if (mode == 0 || (mode & cd::kStreamModeRead) == 0) {
        Check(error == (mode == 0 ? cd::kStreamNotOpen : cd::kStreamModeNotAllowed),
              "the stream's read refusal");
        break;
      }
      const std::int64_t left = std::max<std::int64_t>(0, size - position);
      const std::uint32_t expected = static_cast<std::uint32_t>(std::min<std::int64_t>(length, left));
      Check(got == expected && error == (expected < length ? cd::kStreamShort : cd::kStreamOk),
            "the stream's read length or result");
      Check(std::equal(data.begin(), data.begin() + expected, bytes.begin() + position),
            "the stream read back other bytes than were written there");
      position += expected;
      break;
    }
    default: // progress
      if (callback)
        callback(m_in.Byte() % 101u, cd::kProgressStatusTransfer, context);
      break;
    }
    agrees();
  }
  bytes.resize(static_cast<std::size_t>(size));
  m_delivered.push_back({std::move(bytes), {}});
}

CanonSdkFunctionTable FakeCanonSdk::Table() {
  CanonSdkFunctionTable table{};
  Set<cd::kEntrySourceEnumOpen>(table, &sourceEnumOpen);
  Set<cd::kEntrySourceEnumNext>(table, &sourceEnumNext);
  Set<cd::kEntrySourceEnumCount>(table, &sourceEnumCount);
  Set<cd::kEntrySourceEnumRelease>(table, &ReleaseOf<Kind::SourceEnum>);
  Set<cd::kEntrySourceOpen>(table, &sourceOpen);
  Set<cd::kEntrySourceClose>(table, &sourceClose);
  Set<cd::kEntryEventRegister>(table, &eventRegister);
  Set<cd::kEntryEventUnregister>(table, &eventUnregister);
  Set<cd::kEntryDevicePropsOpen>(table, &devicePropsOpen);
  Set<cd::kEntryDevicePropsClose>(table, &ReleaseOf<Kind::Props>);
  Set<cd::kEntryDevicePropRead>(table, &devicePropRead);
  Set<cd::kEntryDevicePropWrite>(table, &devicePropWrite);
  Set<cd::kEntryResolutionEnumOpen>(table, &resolutionEnumOpen);
  Set<cd::kEntryResolutionEnumNext>(table, &resolutionEnumNext);
  Set<cd::kEntryResolutionEnumCount>(table, &resolutionEnumCount);
  Set<cd::kEntryResolutionEnumRelease>(table, &ReleaseOf<Kind::ResolutionEnum>);
  Set<cd::kEntryBeforeRelease>(table, &beforeRelease);
  Set<cd::kEntryAfterTransfer>(table, &afterTransfer);
  Set<cd::kEntryVolumeEnumOpen>(table, &volumeEnumOpen);
  Set<cd::kEntryVolumeEnumNext>(table, &volumeEnumNext);
  Set<cd::kEntryVolumeEnumRelease>(table, &ReleaseOf<Kind::VolumeEnum>);
  Set<cd::kEntryVolumeInfo>(table, &volumeInfo);
  Set<cd::kEntryItemEnumOpen>(table, &itemEnumOpen);
  Set<cd::kEntryItemEnumCount>(table, &itemEnumCount);
  Set<cd::kEntryItemEnumRelease>(table, &ReleaseOf<Kind::ItemEnum>);
  Set<cd::kEntryRemoteReleaseEnter>(table, &remoteEnter);
  Set<cd::kEntryRemoteReleaseLeave>(table, &remoteLeave);
  Set<cd::kEntrySelectReleaseKind>(table, &selectReleaseKind);
  Set<cd::kEntryRelease>(table, &release);
  Set<cd::kEntryReleasedItem>(table, &releasedItem);
  Set<cd::kEntryViewfinderStart>(table, &viewfinderStart);
  Set<cd::kEntryViewfinderStop>(table, &viewfinderStop);
  Set<cd::kEntryViewfinderOutput>(table, &viewfinderOutput);
  Set<cd::kEntryZoomLimits>(table, &zoomLimits);
  Set<cd::kEntryZoomPosition>(table, &zoomPosition);
  Set<cd::kEntryZoomRatio>(table, &zoomRatio);
  Set<cd::kEntrySetZoomPosition>(table, &setZoomPosition);
  Set<cd::kEntrySetImageFormat>(table, &SetOn<u32, u32, u32>);
  Set<cd::kEntryImageFormat>(table, &imageFormat);
  Set<cd::kEntrySetProgramMode>(table, &SetOn<u32>);
  Set<cd::kEntryProgramMode>(table, &GetOn<u32>);
  Set<cd::kEntrySetAperture>(table, &SetOn<u16>);
  Set<cd::kEntryAperture>(table, &GetOn<u16>);
  Set<cd::kEntrySetExposureTime>(table, &SetOn<u16>);
  Set<cd::kEntryExposureTime>(table, &GetOn<u16>);
  Set<cd::kEntrySetExposureBias>(table, &SetOn<u32>);
  Set<cd::kEntryExposureBias>(table, &GetOn<u32>);
  Set<cd::kEntrySetWhiteBalance>(table, &SetOn<u32>);
  Set<cd::kEntryWhiteBalance>(table, &GetOn<u16>);
  Set<cd::kEntrySetAfDistance>(table, &SetOn<u32>);
  Set<cd::kEntryAfDistance>(table, &GetOn<u16>);
  Set<cd::kEntrySetFlash>(table, &SetOn<u32, u32>);
  Set<cd::kEntryFlash>(table, &flash);
  Set<cd::kEntryRemainingShots>(table, &GetOn<u32>);
  Set<cd::kEntryReleaseControlEnumOpen>(table, &OpenOn<Kind::ReleaseControlEnum>);
  Set<cd::kEntryReleaseControlEnumNext>(table, &releaseControlEnumNext);
  Set<cd::kEntryReleaseControlEnumRelease>(table, &ReleaseOf<Kind::ReleaseControlEnum>);
  Set<cd::kEntryReleaseControlRead>(table, &releaseControlRead);
  Set<cd::kEntryReleaseControlWrite>(table, &releaseControlWrite);
  Set<cd::kEntryImageFormatEnumOpen>(table, &OpenOn<Kind::ImageFormatEnum>);
  Set<cd::kEntryImageFormatEnumNext>(table, &imageFormatEnumNext);
  Set<cd::kEntryImageFormatEnumRelease>(table, &ReleaseOf<Kind::ImageFormatEnum>);
  Set<cd::kEntryProgramModeEnumOpen>(table, &OpenOn<Kind::ValueEnum>);
  Set<cd::kEntryProgramModeEnumNext>(table, &NextValue<u16>);
  Set<cd::kEntryProgramModeEnumRelease>(table, &ReleaseOf<Kind::ValueEnum>);
  Set<cd::kEntryApertureEnumOpen>(table, &OpenOn<Kind::ValueEnum>);
  Set<cd::kEntryApertureEnumNext>(table, &NextValue<u16>);
  Set<cd::kEntryApertureEnumRelease>(table, &ReleaseOf<Kind::ValueEnum>);
  Set<cd::kEntryExposureTimeEnumOpen>(table, &OpenOn<Kind::ValueEnum>);
  Set<cd::kEntryExposureTimeEnumNext>(table, &NextValue<u16>);
  Set<cd::kEntryExposureTimeEnumRelease>(table, &ReleaseOf<Kind::ValueEnum>);
  Set<cd::kEntryExposureBiasEnumOpen>(table, &OpenOn<Kind::ValueEnum>);
  Set<cd::kEntryExposureBiasEnumNext>(table, &NextValue<u16>);
  Set<cd::kEntryExposureBiasEnumRelease>(table, &ReleaseOf<Kind::ValueEnum>);
  Set<cd::kEntryWhiteBalanceEnumOpen>(table, &OpenOn<Kind::ValueEnum>);
  Set<cd::kEntryWhiteBalanceEnumNext>(table, &NextValue<u16>);
  Set<cd::kEntryWhiteBalanceEnumRelease>(table, &ReleaseOf<Kind::ValueEnum>);
  Set<cd::kEntryAfDistanceEnumOpen>(table, &OpenOn<Kind::ValueEnum>);
  Set<cd::kEntryAfDistanceEnumNext>(table, &NextValue<u16>);
  Set<cd::kEntryAfDistanceEnumRelease>(table, &ReleaseOf<Kind::ValueEnum>);
  Set<cd::kEntryFlashEnumOpen>(table, &OpenOn<Kind::ValueEnum>);
  Set<cd::kEntryFlashEnumNext>(table, &NextValue<u16>);
  Set<cd::kEntryFlashEnumRelease>(table, &ReleaseOf<Kind::ValueEnum>);
  Set<cd::kEntryParameterValuesOpen>(table, &parameterValuesOpen);
  Set<cd::kEntryParameterValuesNext>(table, &parameterValuesNext);
  Set<cd::kEntryParameterValuesRelease>(table, &ReleaseOf<Kind::ParameterValues>);
  Set<cd::kEntryAfLock>(table, &SetOn<u32>);
  return table;
}

} // namespace tarsel::canon::fuzz
