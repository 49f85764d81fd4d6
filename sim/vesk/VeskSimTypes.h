// Plain data types of the camera-link simulator's public interface: what a
// request turns into (reply, silence, closed connection), the device kinds,
// the faults a test can inject and the counters the simulator keeps.
#pragma once

#include "sim/vesk/VeskSimBytes.h"
#include "vesklib/VeskWire.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tarsel::vesksim {
// The simulator answers the frames the library defines.
using namespace tarsel::vesk::wire;
} // namespace tarsel::vesksim

namespace tarsel::vesksim {

// Index that names the control device in the fault and statistics calls.
inline constexpr int kControlDevice = -1;

// What the peer of one request sees.
struct Response {
  enum class Kind {
    Reply,              // the frame in `reply`
    Silence,            // nothing at all: the caller's time-out runs out (121)
    Close,              // the connection is closed without a reply (55)
    TruncatedThenClose, // the first `truncateAt` bytes of the encoded reply frame, then a close
  };
  Kind kind = Kind::Reply;
  Reply reply;
  std::size_t truncateAt = 0;
};

enum class DeviceKind {
  Camera,      // answers INQUIRY with its model and speaks the camera protocol
  Disk,        // answers INQUIRY with a disk's identification; vendor commands fail
  FailingNode, // fails every command, INQUIRY included
  Control,     // the driver's control device (the count query)
};

// What an injected fault does. "Request" faults act on one SCSI request as a
// whole; the others change one record the camera builds.
enum class FaultAction {
  // -- request level --
  Silence,         // no reply
  Delay,           // reply after `value` ms of the simulator's clock
  ShortReply,      // a data-in reply carries only `value` bytes (never more than it had)
  CheckCondition,  // SCSI status 2 with sense data, Win32 error 31; the command is not run
  Win32Error,      // Win32 error `value`, no data; the command is not run
  Unplug,          // the device disappears; this request is not answered (connection closed)
  TruncatedFrame,  // the command runs; `value` bytes of the reply frame are sent, then a close
  CloseConnection, // the connection closes without a reply; the device stays
  // -- camera records --
  StatusByte,        // first (or only) status byte replaced by `value`: DC1, NAK, CAN, anything
  SecondStatus,      // an action's second status replaced by `value`
  BadChecksum,       // register or data record carries a wrong checksum
  UncheckedChecksum, // data record carries 0xFFFF (not tested)
  BadHeader,         // record's word at offset `value` (4 or 6; else 6) is wrong
  ShortRecord,       // record cut to `value` bytes (the length query reports the cut length)
  OversizeLength,    // the length query reports `value` instead of the record's length
  LengthOverrun,     // data record's length field says `value` more bytes than it holds
  EndlessData,       // a data read never sends its last block (blocks repeat)
  ObjectGrowth,      // a data read delivers `value` bytes more than the object's size
};

// Which requests or records a fault applies to; an empty field matches all.
struct FaultMatch {
  std::optional<std::uint8_t> opcode; // SCSI opcode (request-level faults)
  std::optional<std::uint8_t> kind;   // frame kind of the transaction: 0, 1, 2, 5, 6
  std::optional<std::uint8_t> number; // register, object or action number
};

struct Fault {
  FaultAction action = FaultAction::Silence;
  FaultMatch match;
  std::uint32_t skip = 0;  // let this many matching events pass first
  std::uint32_t count = 1; // then act on this many; 0 = on every one
  std::uint32_t value = 0;
};

using FaultId = std::uint64_t;

struct Stats {
  std::uint64_t requests = 0;
  std::map<std::uint8_t, std::uint64_t> opcodes;        // SCSI opcode -> requests
  std::map<std::uint8_t, std::uint64_t> frameKinds;     // command frame kind -> frames
  std::map<std::uint8_t, std::uint64_t> registerReads;  // register -> reads
  std::map<std::uint8_t, std::uint64_t> registerWrites; // register -> accepted writes
  std::map<std::uint8_t, std::uint64_t> actions;        // action -> started
  std::map<std::uint8_t, std::uint64_t> objectReads;    // object -> completed reads
  std::uint64_t picturesRead = 0;                       // completed reads of a card picture (not a preview)
  std::map<std::uint8_t, std::uint64_t> objectWrites;   // object -> stored writes
  std::uint64_t dataBlocksOut = 0;                      // further data-write blocks received
  std::uint64_t statusFrames09FF = 0;                   // status-byte frames with header word 0x09FF
  std::uint64_t statusFrames9FFF = 0;                   // ... with 0x9FFF
  std::uint64_t faultsFired = 0;
  std::vector<std::string> violations; // protocol order or format broken by the host
};

// One line of the request log.
struct LogEntry {
  int device = kControlDevice;
  std::uint64_t timeUs = 0;
  const Request* request = nullptr;
  const Response* response = nullptr;
};

} // namespace tarsel::vesksim
