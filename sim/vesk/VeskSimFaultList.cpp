#include "sim/vesk/VeskSimFaultList.h"

namespace tarsel::vesksim {
namespace {

bool fits(const std::optional<std::uint8_t>& want, const std::optional<std::uint8_t>& have) {
  return !want || (have && *want == *have);
}

} // namespace

FaultStage stageOf(FaultAction action) {
  switch (action) {
  case FaultAction::Silence:
  case FaultAction::Delay:
  case FaultAction::ShortReply:
  case FaultAction::CheckCondition:
  case FaultAction::Win32Error:
  case FaultAction::Unplug:
  case FaultAction::TruncatedFrame:
  case FaultAction::CloseConnection:
    return FaultStage::Request;
  case FaultAction::StatusByte:
    return FaultStage::StatusByte;
  case FaultAction::SecondStatus:
    return FaultStage::SecondStatus;
  case FaultAction::BadHeader:
  case FaultAction::ShortRecord:
    return FaultStage::AnyRecord;
  case FaultAction::BadChecksum:
    return FaultStage::Checksummed;
  case FaultAction::UncheckedChecksum:
  case FaultAction::LengthOverrun:
    return FaultStage::DataRecord;
  case FaultAction::OversizeLength:
    return FaultStage::LengthQuery;
  case FaultAction::EndlessData:
  case FaultAction::ObjectGrowth:
    return FaultStage::DataStart;
  }
  return FaultStage::Request;
}

FaultId VeskSimFaultList::add(const Fault& fault) {
  const FaultId id = m_nextId++;
  m_entries.push_back({id, fault, 0, 0});
  return id;
}

void VeskSimFaultList::clear() {
  for (const Entry& e : m_entries)
    m_cleared.emplace_back(e.id, e.fired);
  m_entries.clear();
}

std::optional<Fault> VeskSimFaultList::take(FaultStage stage, const FaultEvent& event) {
  for (Entry& e : m_entries) {
    if (stageOf(e.fault.action) != stage)
      continue;
    if (e.fault.count != 0 && e.fired >= e.fault.count)
      continue;
    const FaultMatch& m = e.fault.match;
    if (!fits(m.opcode, event.opcode) || !fits(m.kind, event.kind) || !fits(m.number, event.number))
      continue;
    if (e.seen++ < e.fault.skip)
      continue;
    ++e.fired;
    ++m_totalFired;
    return e.fault;
  }
  return std::nullopt;
}

std::uint32_t VeskSimFaultList::fired(FaultId id) const {
  for (const Entry& e : m_entries) {
    if (e.id == id)
      return e.fired;
  }
  for (const auto& [cleared, count] : m_cleared) {
    if (cleared == id)
      return count;
  }
  return 0;
}

} // namespace tarsel::vesksim
