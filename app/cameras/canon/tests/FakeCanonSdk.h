// A Canon SDK function table that answers from a byte string, for the fuzz
// target of the family's reading of SDK replies. Each call takes its result
// (a byte: below 0xE0 success, else one of a few failures), then its counts,
// lengths, texts, records, stream operations and event data from the next
// bytes; once the bytes are used up every call fails, so whatever the family
// runs ends. Closing, releasing and leaving calls take no bytes and succeed.
//
// It keeps the strict stand-in's books and traps when the family breaks
// them: every handle it handed out is used only while open, released once by
// its own kind of call, the source closed only after what was opened on it;
// an enumeration is not walked past the family's bounds; the family's memory
// stream answers every write, seek, tell and read as a model of the same
// stream says; and the calls made after the bytes ran out stay few.
//
// Threads: one; the fake lives for one input (its constructor makes it the
// one the table answers for; Table() goes to UseCanonSdkTable once).
#pragma once

#include "app/cameras/canon/CdSdkAbi.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tarsel::canon::fuzz {

[[noreturn]] void Broken(const char* what);
inline void Check(bool holds, const char* what) {
  if (!holds)
    Broken(what);
}

// The input, read front to back; zeros once it is used up.
class ByteReader {
public:
  ByteReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_left(size) {}
  bool Empty() const { return m_left == 0; }
  bool Take(std::uint8_t* out);
  std::uint8_t Byte();
  std::uint16_t Word16();
  std::uint32_t Word32();
  std::uint64_t Word64();
  // `count` bytes (zeros past the end).
  std::vector<std::uint8_t> Bytes(std::size_t count);
  // The same into `out`.
  void CopyTo(void* out, std::size_t count);

private:
  const std::uint8_t* m_data;
  std::size_t m_left;
};

class FakeCanonSdk {
public:
  // Item counts and volume records answered since the last ClearTally.
  struct Tally {
    std::vector<std::uint32_t> itemCounts;
    std::vector<cdsdk::VolumeRecord> volumes;
  };
  // A picture's bytes as the stream ought to hold them after a transfer.
  struct Delivered {
    std::vector<std::uint8_t> bytes;
    std::string fileName;
  };

  explicit FakeCanonSdk(ByteReader& input);
  ~FakeCanonSdk();
  FakeCanonSdk(const FakeCanonSdk&) = delete;
  FakeCanonSdk& operator=(const FakeCanonSdk&) = delete;

  static FakeCanonSdk& Current();

  // The table whose entries answer for this fake.
  static CanonSdkFunctionTable Table();

  // Traps when a handle is still open or remote-release mode still entered.
  void CheckAllReleased() const;

  // The event call-back registered last (null when none is registered).
  cdsdk::EventCallback* EventCallback() const { return m_eventCallback; }
  void* EventContext() const { return m_eventContext; }

  ByteReader& Input() { return m_in; }
  Tally& TallyOfAnswers() { return m_tally; }
  void ClearTally() { m_tally = {}; }
  // The last text answered for a device property (empty when the read failed).
  const std::string& LastText(std::uint32_t id) { return m_texts[id]; }
  std::uint32_t LastWord(std::uint32_t id) { return m_words[id]; }
  std::uint32_t LastCameraTimeWritten() const { return m_cameraTimeWritten; }
  const std::string& LastOwnerWritten() const { return m_ownerWritten; }
  std::vector<Delivered>& DeliveredPictures() { return m_delivered; }
  std::uint32_t TransferRecordCalls() const { return m_recordCalls; }
  // The zoom position answered last by the position entry and the one set last.
  bool ZoomAnswered() const { return m_zoomAnswered; }
  std::uint32_t ZoomPositionAnswered() const { return m_zoomPosition; }
  std::uint32_t ZoomPositionSet() const { return m_zoomSet; }
  std::uint32_t ZoomSetCalls() const { return m_zoomSetCalls; }
  void ClearZoom() {
    m_zoomAnswered = false;
    m_zoomSetCalls = 0;
  }

  // Handle books: sources and what is opened on them, the other enumerations.
  enum class Kind {
    Source,
    Registration,
    Props,
    ValueEnum,
    ParameterValues,
    SourceEnum,
    ResolutionEnum,
    VolumeEnum,
    ItemEnum,
    ReleaseControlEnum,
    ImageFormatEnum
  };
  std::uint32_t Open(Kind kind, std::uint32_t parent);
  // Traps unless `handle` is open and of `kind`; counts one more use of it.
  void Use(std::uint32_t handle, Kind kind, std::uint32_t maxUses = UINT32_MAX);
  void Release(std::uint32_t handle, Kind kind);
  // A source handle the family passes: 0 is answered as an unknown handle,
  // a closed one traps.
  bool SourceUsable(std::uint32_t source);

  // The call's result: 0 or a failure (every call after the input ran out).
  std::uint32_t Answer();

  // Entries with state of their own (the others are in the source file).
  std::uint32_t DevicePropRead(std::uint32_t props, std::uint32_t id, std::uint32_t* size, void* value);
  std::uint32_t SourceEnumNext(std::uint32_t handle, CanonSourceRecord* record);
  std::uint32_t SourceOpen(CanonSourceRecord* record, std::uint32_t* out);
  std::uint32_t SourceClose(std::uint32_t source);
  std::uint32_t EventRegister(std::uint32_t source, cdsdk::EventCallback* callback, void* context,
                              std::uint32_t* out);
  std::uint32_t EventUnregister(std::uint32_t source, std::uint32_t registration);
  std::uint32_t RemoteEnter(std::uint32_t source, cdsdk::EventCallback* callback, void* context);
  std::uint32_t RemoteLeave(std::uint32_t source);
  std::uint32_t Release(std::uint32_t source, cdsdk::ProgressCallback* callback, void* context,
                        std::uint32_t* count);
  std::uint32_t ReleasedItem(std::uint32_t source, cdsdk::ProgressCallback* callback, void* context,
                             CanonReleaseItemRecord* record, cdsdk::ReleaseDestination* destination);
  std::uint32_t BracketOpen(std::uint32_t source);
  std::uint32_t BracketClose(std::uint32_t source);
  std::uint32_t ZoomPosition(std::uint32_t source, std::uint32_t* out);
  std::uint32_t SetZoomPosition(std::uint32_t source, std::uint32_t position);
  std::uint32_t CameraTimeWritten(std::uint32_t props, std::uint32_t id, std::uint32_t* size,
                                  const void* value);

private:
  // Traps when the family went on calling long after the bytes ran out.
  void CheckCallsBounded() const;

  struct HandleBook {
    Kind kind;
    std::uint32_t parent;
    std::uint32_t uses = 0;
  };
  // Runs the stream operations the input names against the family's stream.
  void Stream(CanonMemoryStreamRecord* stream, cdsdk::ProgressCallback* callback, void* context);

  ByteReader& m_in;
  std::map<std::uint32_t, HandleBook> m_open;
  std::uint32_t m_nextHandle = 0x100;
  std::uint64_t m_callsAfterEnd = 0;
  cdsdk::EventCallback* m_eventCallback = nullptr;
  void* m_eventContext = nullptr;
  std::uint32_t m_remoteSource = 0;
  bool m_bracket = false;
  CanonSourceRecord m_lastRecord{};
  bool m_recordGiven = false;
  Tally m_tally;
  std::map<std::uint32_t, std::string> m_texts;
  std::map<std::uint32_t, std::uint32_t> m_words;
  std::uint32_t m_cameraTimeWritten = 0;
  std::string m_ownerWritten;
  std::vector<Delivered> m_delivered;
  std::uint32_t m_recordCalls = 0;
  bool m_itemAsked = false;
  std::uint32_t m_itemType = 0;
  std::string m_itemName;
  bool m_zoomAnswered = false;
  std::uint32_t m_zoomPosition = 0;
  std::uint32_t m_zoomSet = 0;
  std::uint32_t m_zoomSetCalls = 0;
};

} // namespace tarsel::canon::fuzz
