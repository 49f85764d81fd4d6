// The faults injected into one device: each waits for its `skip` matching
// events, then acts on `count` of them (0: on all) and counts how often it
// fired. Events come in stages (a whole SCSI request, a status byte, a reply
// record, ...); a fault only sees the events of its action's stage.
//
// Not thread-safe: its device's lock (or the engine's, for the control
// device) guards it.
#pragma once

#include "sim/vesk/VeskSimTypes.h"

#include <optional>
#include <vector>

namespace tarsel::vesksim {

enum class FaultStage {
  Request,      // a SCSI request as a whole
  StatusByte,   // the first or only status of a command frame
  SecondStatus, // an action's second status
  AnyRecord,    // any reply record the camera builds
  Checksummed,  // a register or data record
  DataRecord,   // a data record
  LengthQuery,  // a 0xC4 answer
  DataStart,    // the start of a data read
};

FaultStage stageOf(FaultAction action);

struct FaultEvent {
  std::optional<std::uint8_t> opcode;
  std::optional<std::uint8_t> kind;
  std::optional<std::uint8_t> number;
};

class VeskSimFaultList {
public:
  FaultId add(const Fault& fault);
  void clear();
  // The first armed fault of this stage that matches the event; uses one of its turns.
  std::optional<Fault> take(FaultStage stage, const FaultEvent& event);
  std::uint32_t fired(FaultId id) const;
  std::uint64_t totalFired() const { return m_totalFired; }

private:
  struct Entry {
    FaultId id = 0;
    Fault fault;
    std::uint32_t seen = 0;
    std::uint32_t fired = 0;
  };
  std::vector<Entry> m_entries;
  std::vector<std::pair<FaultId, std::uint32_t>> m_cleared; // fired counts of cleared faults
  FaultId m_nextId = 1;
  std::uint64_t m_totalFired = 0;
};

} // namespace tarsel::vesksim
