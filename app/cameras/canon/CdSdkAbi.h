// The binary interface of the Canon camera SDK library (libCDSDK.so), shared by
// the Canon family, which loads the library at run time, and by our stand-in of
// it in sim/cdsdk. Nothing here has behaviour: records, call-back types, the
// function table and the constants both sides must agree on.
//
// The library exports three C functions (CDStartSDK, CDGetFunctions,
// CDFinishSDK). Every other call goes through the function table it fills:
// one pointer-sized slot per entry, entries known by their historical byte
// offset in a table of 32-bit slots, so slot i stands for byte offset 4 * i.
// Slot 0 is no entry: it carries the table version 0x07030000 into
// CDGetFunctions. Every entry returns a 32-bit result, 0 meaning success; the
// arguments are in the order listed below. Handles are small non-zero 32-bit
// numbers, never pointers; 0 is "none".
//
// Records are packed (byte offsets as listed, little-endian) and their sizes
// and offsets are checked below. Texts the library writes into a record are
// always NUL-terminated within the record's field.
//
// Call-backs: the event call-back runs on a thread of the library, the
// progress call-back on the caller's thread inside the release and transfer
// entries, the viewfinder call-back on the library's frame thread; the stop
// viewfinder entry joins the frame thread, so no frame call-back is running
// or will run once it has returned. The six memory-stream call-backs run on
// the caller's thread inside the transfer entry.
#pragma once

#include <cstddef>
#include <cstdint>

// ---- Records the family names ---------------------------------------------

#pragma pack(push, 1)

// One connected camera as the source enumeration reports it. The family sets
// the first word to kSourceRecordOpenWord before opening the source with it.
struct CanonSourceRecord {
  std::uint32_t word0;
  std::uint32_t sourceId; // the library's own identity of the source
  char name[392];         // the camera's model name, NUL-terminated
};

// The description of one data item of a release (entry 312 without a
// destination). The file name is a 64-byte field, always NUL-terminated.
struct CanonReleaseItemRecord {
  std::uint32_t itemNumber;
  std::uint32_t dataType; // kItemType*
  std::uint8_t reserved;
  std::uint32_t dataSize; // bytes
  char fileName[64];
};

struct CanonMemoryStreamRecord;

// The process-wide function table. Slot 0 carries the version on the way in.
struct CanonSdkFunctionTable {
  std::uintptr_t slot[157];
};

#pragma pack(pop)

namespace tarsel::cdsdk {

using u8 = std::uint8_t;
using u16 = std::uint16_t;
using u32 = std::uint32_t;
using i32 = std::int32_t;
using u64 = std::uint64_t;

// ---- Call-back types --------------------------------------------------------

// A camera event: event word, its data (may be null when size is 0), the
// data's size, the context given at registration. The answer matters only
// for the sleep query (kAnswerStayAwake).
using EventCallback = u32(u32 event, const void* data, u32 size, void* context);
// Progress of a release or transfer, 0..100; status kProgressStatus*.
using ProgressCallback = u32(u32 progress, u32 status, void* context);
// One live-view frame (format kViewfinderFormatJpeg: a complete JPEG file).
using ViewfinderCallback = u32(const void* frame, u32 size, u32 format, void* context);

// The memory stream's operations. Each reports through *error (kStream*).
using StreamOpen = void(void* context, u16 mode, u32* error);
using StreamClose = void(void* context, u32* error);
using StreamRead = void(void* context, void* buffer, u32* size, u32* error);
using StreamWrite = void(void* context, const void* buffer, u32* size, u32* error);
using StreamSeek = void(void* context, i32 offset, u16 origin, u32* error);
using StreamTell = i32(void* context, u32* error);

} // namespace tarsel::cdsdk

#pragma pack(push, 1)

// The stream record the library writes a transferred item into, through its
// call-backs only (the library never touches the other fields). The record is
// built by the family; context is the record itself.
struct CanonMemoryStreamRecord {
  void* context;
  tarsel::cdsdk::StreamOpen* open;
  tarsel::cdsdk::StreamClose* close;
  tarsel::cdsdk::StreamRead* read;
  tarsel::cdsdk::StreamWrite* write;
  tarsel::cdsdk::StreamSeek* seek;
  tarsel::cdsdk::StreamTell* tell;
  std::int32_t capacity;
  std::int32_t position;
  std::uint8_t* buffer;
  std::int32_t size;
  std::uint16_t mode;
};

#pragma pack(pop)

namespace tarsel::cdsdk {

#pragma pack(push, 1)

// Handed to CDStartSDK.
struct VersionRecord {
  u16 size;  // kVersionRecordSize
  u16 major; // kVersionMajor
  u16 minor; // kVersionMinor
  u8 zero[34];
};

// Entry 132: one storage volume.
struct VolumeRecord {
  u32 volumeType;
  u64 capacity; // bytes; 0 = no media
  u64 freeSpace;
  u8 reserved[64];
};

// Entry 88: one image size the camera offers.
struct ResolutionRecord {
  u16 sizeCode;
  u32 width;
  u32 height;
  u8 reserved[64];
};

// Entry 452: one image format the camera offers.
struct ImageFormatPair {
  u16 quality;
  u16 size;
};

// Entry 428: one release-control property.
struct ReleaseControlDescriptor {
  u32 id;
  u32 size;   // bytes of one value
  u32 access; // kAccess* bits
};

// The destination handed to entry 312 for a transfer.
struct ReleaseDestination {
  u32 kind; // kDestinationMemoryStream
  CanonMemoryStreamRecord* stream;
};

#pragma pack(pop)

// ---- The entries -----------------------------------------------------------

// X(name, byte offset, function type). Argument names say in, out or in/out.
#define TARSEL_CDSDK_ENTRIES(X)                                                                              \
  /* sources and their event call-back */                                                                    \
  X(SourceEnumOpen, 28, u32(u32 option, u32* outEnum))                                                       \
  X(SourceEnumNext, 32, u32(u32 enumHandle, CanonSourceRecord* outRecord))                                   \
  X(SourceEnumCount, 36, u32(u32 enumHandle, u32* outCount))                                                 \
  X(SourceEnumRelease, 40, u32(u32 enumHandle))                                                              \
  X(SourceOpen, 44, u32(CanonSourceRecord* record, u32* outSource))                                          \
  X(SourceClose, 48, u32(u32 source))                                                                        \
  X(EventRegister, 52, u32(u32 source, EventCallback* callback, void* context, u32* outRegistration))        \
  X(EventUnregister, 56, u32(u32 source, u32 registration))                                                  \
  /* device properties */                                                                                    \
  X(DevicePropsOpen, 60, u32(u32 source, u32 reserved, u32* outProps))                                       \
  X(DevicePropsClose, 72, u32(u32 props))                                                                    \
  X(DevicePropRead, 76, u32(u32 props, u32 id, u32* inOutSize, void* outValue, u32 reserved))                \
  X(DevicePropWrite, 80, u32(u32 props, u32 id, u32* inOutSize, const void* value))                          \
  /* resolution records */                                                                                   \
  X(ResolutionEnumOpen, 84, u32(u32 source, u32 reserved, u32* outEnum))                                     \
  X(ResolutionEnumNext, 88, u32(u32 enumHandle, ResolutionRecord* outRecord))                                \
  X(ResolutionEnumCount, 92, u32(u32 enumHandle, u32* outCount))                                             \
  X(ResolutionEnumRelease, 96, u32(u32 enumHandle))                                                          \
  /* the bracket around a release and its transfer */                                                        \
  X(BeforeRelease, 100, u32(u32 source))                                                                     \
  X(AfterTransfer, 104, u32(u32 source))                                                                     \
  /* storage */                                                                                              \
  X(VolumeEnumOpen, 116, u32(u32 source, u32* outEnum))                                                      \
  X(VolumeEnumNext, 120, u32(u32 enumHandle, u32* outVolume))                                                \
  X(VolumeEnumRelease, 128, u32(u32 enumHandle))                                                             \
  X(VolumeInfo, 132, u32(u32 volume, VolumeRecord* outRecord))                                               \
  X(ItemEnumOpen, 152, u32(u32 volume, u32 option, u32 flags, u32* outEnum))                                 \
  X(ItemEnumCount, 160, u32(u32 enumHandle, u32* outCount))                                                  \
  X(ItemEnumRelease, 164, u32(u32 enumHandle))                                                               \
  /* remote release, transfer, viewfinder */                                                                 \
  X(RemoteReleaseEnter, 296, u32(u32 source, EventCallback* callback, void* context))                        \
  X(RemoteReleaseLeave, 300, u32(u32 source))                                                                \
  X(SelectReleaseKind, 304, u32(u32 source, u32 kind))                                                       \
  X(Release, 308,                                                                                            \
    u32(u32 source, u16 flag, ProgressCallback* callback, void* context, u32 option, u32* outCount,          \
        u32 reserved))                                                                                       \
  X(ReleasedItem, 312,                                                                                       \
    u32(u32 source, ProgressCallback* callback, void* context, u32 option, CanonReleaseItemRecord* record,   \
        ReleaseDestination* destination, u32 reserved))                                                      \
  X(ViewfinderStart, 316, u32(u32 source, u32 reserved, ViewfinderCallback* callback, void* context))        \
  X(ViewfinderStop, 320, u32(u32 source, u32 reserved))                                                      \
  X(ViewfinderOutput, 324, u32(u32 source, u32 output))                                                      \
  /* zoom and image format */                                                                                \
  X(ZoomLimits, 332, u32(u32 source, u32* outMaxPosition, u32* outMaxOpticalPosition))                       \
  X(ZoomPosition, 336, u32(u32 source, u32* outPosition))                                                    \
  X(ZoomRatio, 340, u32(u32 source, u32* outNumerator, u32* outDenominator))                                 \
  X(SetZoomPosition, 344, u32(u32 source, u32 position))                                                     \
  X(SetImageFormat, 348, u32(u32 source, u32 quality, u32 size, u32 reserved))                               \
  X(ImageFormat, 352, u32(u32 source, u32* inOutQuality, u32* outSize, u32 reserved))                        \
  /* exposure and shooting values */                                                                         \
  X(SetProgramMode, 364, u32(u32 source, u32 mode))                                                          \
  X(ProgramMode, 368, u32(u32 source, u32* outMode, u32 reserved))                                           \
  X(SetAperture, 372, u32(u32 source, u16 aperture))                                                         \
  X(Aperture, 376, u32(u32 source, u16* outAperture, u32 reserved))                                          \
  X(SetExposureTime, 380, u32(u32 source, u16 exposureTime))                                                 \
  X(ExposureTime, 384, u32(u32 source, u16* outExposureTime, u32 reserved))                                  \
  X(SetExposureBias, 388, u32(u32 source, u32 bias))                                                         \
  X(ExposureBias, 392, u32(u32 source, u32* outBias, u32 reserved))                                          \
  X(SetWhiteBalance, 396, u32(u32 source, u32 code))                                                         \
  X(WhiteBalance, 400, u32(u32 source, u16* outCode, u32 reserved))                                          \
  X(SetAfDistance, 404, u32(u32 source, u32 distance))                                                       \
  X(AfDistance, 408, u32(u32 source, u16* outDistance, u32 reserved))                                        \
  X(SetFlash, 412, u32(u32 source, u32 mode, u32 option))                                                    \
  X(Flash, 416, u32(u32 source, u32* outMode, u32* outSecond, u32 reserved))                                 \
  X(RemainingShots, 420, u32(u32 source, u32* outCount, u32 reserved))                                       \
  /* release-control properties */                                                                           \
  X(ReleaseControlEnumOpen, 424, u32(u32 source, u32* outEnum))                                              \
  X(ReleaseControlEnumNext, 428, u32(u32 enumHandle, ReleaseControlDescriptor* outDescriptor))               \
  X(ReleaseControlEnumRelease, 432, u32(u32 enumHandle))                                                     \
  X(ReleaseControlRead, 440, u32(u32 source, u32 id, u32* inOutSize, void* outValue))                        \
  X(ReleaseControlWrite, 444, u32(u32 source, u32 id, u32 size, const void* value))                          \
  /* image formats */                                                                                        \
  X(ImageFormatEnumOpen, 448, u32(u32 source, u32* outEnum))                                                 \
  X(ImageFormatEnumNext, 452, u32(u32 enumHandle, ImageFormatPair* outPair))                                 \
  X(ImageFormatEnumRelease, 456, u32(u32 enumHandle))                                                        \
  /* value lists */                                                                                          \
  X(ProgramModeEnumOpen, 480, u32(u32 source, u32* outEnum))                                                 \
  X(ProgramModeEnumNext, 484, u32(u32 enumHandle, u16* outValue))                                            \
  X(ProgramModeEnumRelease, 488, u32(u32 enumHandle))                                                        \
  X(ApertureEnumOpen, 496, u32(u32 source, u32* outEnum))                                                    \
  X(ApertureEnumNext, 500, u32(u32 enumHandle, u16* outValue))                                               \
  X(ApertureEnumRelease, 504, u32(u32 enumHandle))                                                           \
  X(ExposureTimeEnumOpen, 512, u32(u32 source, u32* outEnum))                                                \
  X(ExposureTimeEnumNext, 516, u32(u32 enumHandle, u16* outValue))                                           \
  X(ExposureTimeEnumRelease, 520, u32(u32 enumHandle))                                                       \
  X(ExposureBiasEnumOpen, 528, u32(u32 source, u32* outEnum))                                                \
  X(ExposureBiasEnumNext, 532, u32(u32 enumHandle, u16* outValue))                                           \
  X(ExposureBiasEnumRelease, 536, u32(u32 enumHandle))                                                       \
  X(WhiteBalanceEnumOpen, 544, u32(u32 source, u32* outEnum))                                                \
  X(WhiteBalanceEnumNext, 548, u32(u32 enumHandle, u16* outValue))                                           \
  X(WhiteBalanceEnumRelease, 552, u32(u32 enumHandle))                                                       \
  X(AfDistanceEnumOpen, 560, u32(u32 source, u32* outEnum))                                                  \
  X(AfDistanceEnumNext, 564, u32(u32 enumHandle, u16* outValue))                                             \
  X(AfDistanceEnumRelease, 568, u32(u32 enumHandle))                                                         \
  X(FlashEnumOpen, 576, u32(u32 source, u32* outEnum))                                                       \
  X(FlashEnumNext, 580, u32(u32 enumHandle, u16* outValue))                                                  \
  X(FlashEnumRelease, 584, u32(u32 enumHandle))                                                              \
  /* the values of one release-control property */                                                           \
  X(ParameterValuesOpen, 592, u32(u32 source, u32 id, u32* outEnum, u32* outValueSize))                      \
  X(ParameterValuesNext, 596, u32(u32 enumHandle, u32 size, void* outValue))                                 \
  X(ParameterValuesRelease, 600, u32(u32 enumHandle))                                                        \
  /* focus */                                                                                                \
  X(AfLock, 608, u32(u32 source, u32 lock))

// kEntry<name>: the entry's byte offset; Fn<name>: its function type;
// EntryType<offset>: the function type and name for an offset.
template <u32 Offset> struct EntryType;

#define TARSEL_CDSDK_DECLARE_ENTRY(name, offset, signature)                                                  \
  inline constexpr u32 kEntry##name = offset;                                                                \
  using Fn##name = signature;                                                                                \
  template <> struct EntryType<offset> {                                                                     \
    using type = Fn##name;                                                                                   \
    static constexpr const char* entryName = #name;                                                          \
  };
TARSEL_CDSDK_ENTRIES(TARSEL_CDSDK_DECLARE_ENTRY)
#undef TARSEL_CDSDK_DECLARE_ENTRY

inline constexpr std::size_t kTableSlots = 157;
inline constexpr std::size_t kTableBytesOf32BitSlots = 628;

constexpr std::size_t slotOf(u32 offset) {
  return offset / 4;
}

// The entry at an offset, typed; null when the slot is empty.
template <u32 Offset> typename EntryType<Offset>::type* entry(const CanonSdkFunctionTable& table) {
  return reinterpret_cast<typename EntryType<Offset>::type*>(table.slot[slotOf(Offset)]);
}

// Stores a function in the entry's slot; the function must have the entry's type.
template <u32 Offset>
void setEntry(CanonSdkFunctionTable& table, typename EntryType<Offset>::type* function) {
  table.slot[slotOf(Offset)] = reinterpret_cast<std::uintptr_t>(function);
}

// ---- Exports ---------------------------------------------------------------

inline constexpr const char* kStartSdkExport = "CDStartSDK";
inline constexpr const char* kGetFunctionsExport = "CDGetFunctions";
inline constexpr const char* kFinishSdkExport = "CDFinishSDK";
inline constexpr const char* kLibraryName = "libCDSDK.so";

using FnStartSdk = u32(const VersionRecord* version, u32 reserved);
using FnGetFunctions = u32(CanonSdkFunctionTable* table);
using FnFinishSdk = u32();

// The three exports as the library defines them. The family never links the
// library and finds them by name (above); a library that defines them is
// held to these types.
extern "C" {
FnStartSdk CDStartSDK;
FnGetFunctions CDGetFunctions;
FnFinishSdk CDFinishSDK;
}

// ---- Constants ---------------------------------------------------------------

inline constexpr u16 kVersionRecordSize = sizeof(VersionRecord);
inline constexpr u16 kVersionMajor = 7;
inline constexpr u16 kVersionMinor = 3;
inline constexpr u32 kTableVersion = 0x07030000u;

inline constexpr u32 kSourceEnumOption = 1;
inline constexpr u32 kSourceRecordOpenWord = 2;
inline constexpr u32 kItemEnumOption = 100;
inline constexpr u32 kItemEnumFlags = 0x10000;
inline constexpr u32 kReleaseOption = 3;
inline constexpr u32 kFlashSetOption = 0xFF;
inline constexpr u32 kImageFormatQualityPreset = 3;

// Release data kinds (entry 304).
inline constexpr u32 kReleaseKindPicture = 2;
inline constexpr u32 kReleaseKindWithExtras = 10;
// Data types of released items.
inline constexpr u32 kItemTypeThumbnail = 0x10;
inline constexpr u32 kItemTypeJpeg = 0x20;
inline constexpr u32 kItemTypeRaw = 0x50;
inline constexpr u32 kDestinationMemoryStream = 1;

// Viewfinder outputs (entry 324) and frame format.
inline constexpr u32 kViewfinderOutputMonitorOn = 1;
inline constexpr u32 kViewfinderOutputMonitorOff = 3;
inline constexpr u32 kViewfinderFormatJpeg = 1;

// Progress call-back status.
inline constexpr u32 kProgressStatusRelease = 1;
inline constexpr u32 kProgressStatusTransfer = 2;

// Device properties (entries 76/80).
inline constexpr u32 kPropModelText = 2;
inline constexpr u32 kPropDeviceFlags = 8;
inline constexpr u32 kPropFirmwareText = 0xE;
inline constexpr u32 kPropBatteryLevel = 0xF;
inline constexpr u32 kPropOwnerText = 0x0800000C;
inline constexpr u32 kPropCameraTime = 0x0800000D;
inline constexpr u32 kOwnerTextMaxBytes = 32; // the terminating NUL included

// Device flags bits (property 8).
inline constexpr u32 kFlagLiveViewfinder = 1u << 2;
inline constexpr u32 kFlagMonitorOffAroundRelease = 1u << 3;
inline constexpr u32 kFlagAfLock = 1u << 4;
inline constexpr u32 kFlagEligible = 1u << 30;

// Release-control properties (entries 424-444, 592-600).
inline constexpr u32 kParamMetering = 0x08000004;
inline constexpr u32 kParamIso = 0x0800000C;
inline constexpr u32 kParamApertureBound = 33;
inline constexpr u32 kParamFocalLengthCurrent = 0x22;
inline constexpr u32 kParamFocalLengthLongest = 0x23;
inline constexpr u32 kParamFocalLengthShortest = 0x24;
inline constexpr u32 kParamFocalLengthBase = 0x25;
inline constexpr u32 kAccessRead = 1;
inline constexpr u32 kAccessWrite = 2;

// Events: class in bits 16-19, code in the low 16 bits; bit 27 marks events
// the receiver ignores.
inline constexpr u32 kEventClassMask = 0x000F0000;
inline constexpr u32 kEventCodeMask = 0x0000FFFF;
inline constexpr u32 kEventIgnoredBit = 0x08000000;
inline constexpr u32 kEventBatteryLevel = 0x00000001;
inline constexpr u32 kEventStatus = 0x0000001B;
inline constexpr u32 kEventShutterButton = 0x0000001E;
inline constexpr u32 kEventBatteryLevelOther = 0x00020001;
inline constexpr u32 kEventSleepQuery = 0x00020005;
inline constexpr u32 kEventBatteryEmpty = 0x00040001;
inline constexpr u32 kAnswerStayAwake = 0x8C;

// Memory stream modes, origins and results.
inline constexpr u16 kStreamModeRead = 1;
inline constexpr u16 kStreamModeWrite = 2;
inline constexpr u16 kSeekFromStart = 1;
inline constexpr u16 kSeekFromCurrent = 2;
inline constexpr u16 kSeekFromCapacity = 3;
inline constexpr u32 kStreamOk = 0;
inline constexpr u32 kStreamNoStream = 160;
inline constexpr u32 kStreamNotOpen = 161;
inline constexpr u32 kStreamAlreadyOpen = 162;
inline constexpr u32 kStreamNegativePosition = 165;
inline constexpr u32 kStreamModeNotAllowed = 169;
inline constexpr u32 kStreamBadOrigin = 171;
inline constexpr u32 kStreamShort = 172;

// Results of the entries (the low 16 bits of the family's error codes).
inline constexpr u32 kOk = 0;
inline constexpr u32 kErrNotImplemented = 0x0001;
inline constexpr u32 kErrIncompatibleVersion = 0x0006;
inline constexpr u32 kErrNotSupported = 0x0007;
inline constexpr u32 kErrInvalidParameter = 0x0060;
inline constexpr u32 kErrInvalidHandle = 0x0061;
inline constexpr u32 kErrInvalidPointer = 0x0062;
inline constexpr u32 kErrInvalidLength = 0x0064;
inline constexpr u32 kErrDeviceNotFound = 0x0080;
inline constexpr u32 kErrDeviceBusy = 0x0081;
inline constexpr u32 kErrDeviceMemoryFull = 0x0084;
inline constexpr u32 kErrNoDisk = 0x0087;
inline constexpr u32 kErrDisconnected = 0x00C1;
inline constexpr u32 kErrEnumEnd = 0x00F0;
inline constexpr u32 kErrInvalidCall = 0x00F1;
inline constexpr u32 kErrIncompleteTransfer = 0x2007;
inline constexpr u32 kErrPropertyNotSupported = 0x200A;
inline constexpr u32 kErrInvalidPropertyValue = 0x201C;
inline constexpr u32 kErrSessionAlreadyOpen = 0x201E;
inline constexpr u32 kErrUnknownCommand = 0xA001;
inline constexpr u32 kErrOperationRefused = 0xA005;
inline constexpr u32 kErrLensCoverClosed = 0xA006;

// ---- Layout checks -----------------------------------------------------------

static_assert(sizeof(VersionRecord) == 40);
static_assert(offsetof(VersionRecord, major) == 2 && offsetof(VersionRecord, minor) == 4);
static_assert(offsetof(VersionRecord, zero) == 6);
static_assert(sizeof(CanonSourceRecord) == 400);
static_assert(offsetof(CanonSourceRecord, sourceId) == 4 && offsetof(CanonSourceRecord, name) == 8);
static_assert(sizeof(VolumeRecord) == 84);
static_assert(offsetof(VolumeRecord, capacity) == 4 && offsetof(VolumeRecord, freeSpace) == 12);
static_assert(sizeof(ResolutionRecord) == 74);
static_assert(offsetof(ResolutionRecord, width) == 2 && offsetof(ResolutionRecord, height) == 6);
static_assert(sizeof(ImageFormatPair) == 4 && offsetof(ImageFormatPair, size) == 2);
static_assert(sizeof(ReleaseControlDescriptor) == 12);
static_assert(offsetof(ReleaseControlDescriptor, size) == 4 &&
              offsetof(ReleaseControlDescriptor, access) == 8);
static_assert(sizeof(CanonReleaseItemRecord) == 77);
static_assert(offsetof(CanonReleaseItemRecord, dataType) == 4);
static_assert(offsetof(CanonReleaseItemRecord, reserved) == 8);
static_assert(offsetof(CanonReleaseItemRecord, dataSize) == 9);
static_assert(offsetof(CanonReleaseItemRecord, fileName) == 13);
static_assert(sizeof(ReleaseDestination) == 4 + sizeof(void*));
static_assert(offsetof(ReleaseDestination, stream) == 4);
static_assert(sizeof(CanonSdkFunctionTable) == kTableSlots * sizeof(std::uintptr_t));
static_assert(kTableSlots * 4 == kTableBytesOf32BitSlots);
static_assert(slotOf(kEntryAfLock) < kTableSlots);
static_assert(offsetof(CanonMemoryStreamRecord, open) == sizeof(void*));
static_assert(offsetof(CanonMemoryStreamRecord, tell) == 6 * sizeof(void*));
static_assert(offsetof(CanonMemoryStreamRecord, capacity) == 7 * sizeof(void*));
static_assert(offsetof(CanonMemoryStreamRecord, position) == 7 * sizeof(void*) + 4);
static_assert(offsetof(CanonMemoryStreamRecord, buffer) == 7 * sizeof(void*) + 8);
static_assert(offsetof(CanonMemoryStreamRecord, size) == 8 * sizeof(void*) + 8);
static_assert(offsetof(CanonMemoryStreamRecord, mode) == 8 * sizeof(void*) + 12);
static_assert(sizeof(CanonMemoryStreamRecord) == 8 * sizeof(void*) + 14);

} // namespace tarsel::cdsdk
