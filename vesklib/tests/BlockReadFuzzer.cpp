// Fuzz target of the data read loop: the camera's successive replies to one
// read (data blocks of any size and type, good, unchecked or wrong sums,
// status replies, short, empty and raw replies, any byte of them flipped)
// played by the scripted camera into the real protocol. A decoder of its own
// says what the read must give: the bytes in the caller's buffer are the
// accepted blocks' payloads and nothing past them, the count returned is
// theirs, every progress report adds one block and the last ends at the
// count, a failure is "bad reply" (16), the loop stops at the reply that ends
// it and never reads a reply the camera did not send.
//
// Input: u16 destination size (up to 16 KiB), a flags byte (bit 0: with a progress sink),
// then replies, each an op byte (bits 0-2 kind, bits 3-6 repeats less one,
// bit 7: then a position byte and an XOR mask byte, for one byte of the reply) and its bytes.
#include "ScriptedBackend.h"

#include "vesklib/CameraProtocol.h"
#include "vesklib/CameraRecord.h"
#include "vesklib/ScsiLink.h"
#include "vesklib/VeskErrors.h"
#include "vesklib/VeskFault.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <utility>
#include <vector>

using namespace tarsel::vesk;
using tarsel::vesk::test::replyHeader;
using tarsel::vesk::test::ScriptedBackend;
using tarsel::vesk::test::statusReply;

namespace {

// The largest reply the camera may announce, and the empty blocks in a row
// a read accepts: the camera's side of the protocol, written down again.
constexpr std::size_t kLongestReply = 32896;
constexpr int kEmptyBlocksAccepted = 64;
// Bound the script: room for the longest run of empty blocks and a few
// others, and for a few blocks past the longest reply.
constexpr std::size_t kMaxReplies = 96;
constexpr std::size_t kMaxScriptBytes = 48 * 1024;
// Destinations up to 16 KiB, with guard bytes behind them.
constexpr std::size_t kMaxCapacity = 0x3FFF;
constexpr std::size_t kGuard = 64;

class Input {
public:
  Input(const std::uint8_t* data, std::size_t size) : m_bytes(data, size) {}
  bool empty() const { return m_at >= m_bytes.size(); }
  std::uint8_t byte() { return empty() ? 0 : m_bytes[m_at++]; }
  std::uint16_t word() {
    const std::uint16_t low = byte();
    return static_cast<std::uint16_t>(low | byte() << 8);
  }
  std::span<const std::uint8_t> take(std::size_t n) {
    n = std::min(n, m_bytes.size() - std::min(m_at, m_bytes.size()));
    const auto piece = m_bytes.subspan(m_at, n);
    m_at += n;
    return piece;
  }

private:
  std::span<const std::uint8_t> m_bytes;
  std::size_t m_at = 0;
};

std::uint16_t byteSum(std::span<const std::uint8_t> bytes) {
  // Eight bytes at a time as four 16-bit lanes, folded every 1 KiB before a
  // lane can overflow: keeps the coverage counters out of the per-byte work.
  constexpr std::uint64_t kLowBytes = 0x00FF00FF00FF00FFu;
  unsigned sum = 0;
  std::size_t at = 0;
  while (at + 8 <= bytes.size()) {
    std::uint64_t lanes = 0;
    for (int i = 0; i < 128 && at + 8 <= bytes.size(); ++i, at += 8) {
      std::uint64_t word = 0;
      std::memcpy(&word, bytes.data() + at, 8);
      lanes += (word & kLowBytes) + ((word >> 8) & kLowBytes);
    }
    for (int lane = 0; lane < 4; ++lane)
      sum += static_cast<unsigned>((lanes >> (16 * lane)) & 0xFFFF);
  }
  for (; at < bytes.size(); ++at)
    sum += bytes[at];
  return static_cast<std::uint16_t>(sum);
}

void put16(std::vector<std::uint8_t>& reply, std::size_t at, unsigned value) {
  reply[at] = static_cast<std::uint8_t>(value);
  reply[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

enum class Sum { Good, Unchecked, Wrong };

std::vector<std::uint8_t> dataBlock(std::uint8_t type, std::span<const std::uint8_t> payload, Sum sum) {
  auto reply = replyHeader(70 + payload.size());
  reply[64] = type;
  put16(reply, 66, static_cast<unsigned>(payload.size()));
  std::copy(payload.begin(), payload.end(), reply.begin() + 68);
  const std::uint16_t good = byteSum(payload);
  put16(reply, 68 + payload.size(),
        sum == Sum::Good        ? good
        : sum == Sum::Unchecked ? 0xFFFFu
                                : (good + 1u) % 0xFFFFu);
  return reply;
}

// One reply of the script as op byte `op` and its bytes describe it.
std::vector<std::uint8_t> makeReply(std::uint8_t op, Input& in) {
  switch (op & 7) {
  case 0:
  case 1:
  case 3: {
    const std::uint8_t type = in.byte();
    const auto payload = in.take(in.byte());
    return dataBlock(type, payload, (op & 7) == 0 ? Sum::Good : (op & 7) == 1 ? Sum::Unchecked : Sum::Wrong);
  }
  case 2: {
    // A long block of one repeated byte: reaches past the destination and
    // past the longest reply without a long input.
    const std::uint8_t type = in.byte();
    // Just past the longest reply is long enough.
    const std::size_t n = in.word() % (kLongestReply + 128);
    const std::vector<std::uint8_t> payload(n, in.byte());
    return dataBlock(type, payload, Sum::Good);
  }
  case 4:
    return statusReply(in.byte());
  case 5: {
    const std::uint8_t type = in.byte();
    auto reply = dataBlock(type, in.take(in.byte()), Sum::Good);
    reply.resize(std::min<std::size_t>(reply.size(), in.byte()));
    return reply;
  }
  case 6:
    return {};
  default: {
    // A header, then whatever the input holds.
    auto reply = replyHeader(64);
    const auto rest = in.take(in.byte());
    reply.insert(reply.end(), rest.begin(), rest.end());
    return reply;
  }
  }
}

// What the read must give, from the camera's side of the protocol.
struct Expected {
  bool succeeds = false;
  std::vector<std::uint8_t> data;
  std::vector<std::uint32_t> blocks;
  // Replies the library fetched (0xC2), the missing reply after the script included.
  std::size_t reads = 0;
};

Expected expect(const std::vector<std::vector<std::uint8_t>>& script, std::size_t capacity) {
  Expected result;
  int emptyInARow = 0;
  const std::vector<std::uint8_t> none;
  for (std::size_t i = 0;; ++i) {
    const std::vector<std::uint8_t>& reply = i < script.size() ? script[i] : none;
    // An announcement past the longest reply is refused before the read.
    if (reply.size() > kLongestReply)
      return result;
    ++result.reads;
    if (reply.size() < 70 || reply[4] != 2 || reply[5] != 0 || reply[6] != 0xFF || reply[7] != 0x9F)
      return result;
    const std::size_t n = reply[66] | std::size_t{reply[67]} << 8;
    if (68 + n + 2 > reply.size())
      return result;
    const std::span<const std::uint8_t> payload(reply.data() + 68, n);
    const unsigned sum = reply[68 + n] | unsigned{reply[69 + n]} << 8;
    if (sum != 0xFFFF && sum != byteSum(payload))
      return result;
    if (n > capacity - result.data.size())
      return result;
    result.data.insert(result.data.end(), payload.begin(), payload.end());
    result.blocks.push_back(static_cast<std::uint32_t>(n));
    if (reply[64] == 3) {
      result.succeeds = true;
      return result;
    }
    emptyInARow = n == 0 ? emptyInARow + 1 : 0;
    if (emptyInARow > kEmptyBlocksAccepted)
      return result;
  }
}

// The bytes the destination and its guard hold before the read.
const std::vector<std::uint8_t>& canary() {
  static const std::vector<std::uint8_t> pattern = [] {
    std::vector<std::uint8_t> bytes(kMaxCapacity + kGuard);
    for (std::size_t i = 0; i < bytes.size(); ++i)
      bytes[i] = static_cast<std::uint8_t>(i * 7 + 0x5A);
    return bytes;
  }();
  return pattern;
}

void check(bool condition) {
  if (!condition)
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const std::size_t capacity = in.word() & kMaxCapacity;
  const bool withProgress = (in.byte() & 1) != 0;

  std::vector<std::vector<std::uint8_t>> script;
  std::size_t scriptBytes = 0;
  while (!in.empty() && script.size() < kMaxReplies && scriptBytes < kMaxScriptBytes) {
    const std::uint8_t op = in.byte();
    std::size_t flipAt = 0;
    std::uint8_t flip = 0;
    if (op & 0x80) {
      flipAt = in.byte();
      flip = in.byte();
    }
    auto reply = makeReply(op, in);
    if (flip != 0 && flipAt < reply.size())
      reply[flipAt] ^= flip;
    const std::size_t repeats = 1 + ((op >> 3) & 0x0F);
    for (std::size_t r = 0; r < repeats && script.size() < kMaxReplies && scriptBytes < kMaxScriptBytes;
         ++r) {
      scriptBytes += reply.size();
      script.push_back(reply);
    }
  }
  const Expected expected = expect(script, capacity);

  const std::size_t scripted = script.size();
  auto owned = std::make_unique<ScriptedBackend>();
  ScriptedBackend& backend = *owned;
  backend.setProduct("cam0", "MODEL");
  for (auto& reply : script)
    backend.queueReply(std::move(reply));
  CScsiLink link(std::move(owned), 0);
  CCameraRecord camera(backend, "cam0", "MODEL");
  check(camera.connect() == 0);
  CameraProtocol protocol(link);

  // The destination with guard bytes behind it, all of a known pattern.
  const std::vector<std::uint8_t>& pattern = canary();
  std::vector<std::uint8_t> area(pattern.begin(),
                                 pattern.begin() + static_cast<std::ptrdiff_t>(capacity + kGuard));
  std::vector<VESK_PROGRESS> reports;
  const CameraProtocol::ProgressSink sink = [&](const VESK_PROGRESS& p) { reports.push_back(p); };

  bool succeeded = false;
  std::size_t count = 0;
  try {
    count = protocol.readData(camera, 14, std::span(area).first(capacity), withProgress ? &sink : nullptr);
    succeeded = true;
  } catch (const VeskFault& fault) {
    check(fault.kind() == VeskFault::Kind::Library && fault.code() == VESK_BAD_CHECKSUM);
  }

  check(succeeded == expected.succeeds);
  // Accepted payloads, in order, and nothing else anywhere in the area.
  const std::size_t placed = expected.data.size();
  check(!succeeded || count == placed);
  check(std::equal(expected.data.begin(), expected.data.end(), area.begin()));
  check(std::equal(area.begin() + static_cast<std::ptrdiff_t>(placed), area.end(),
                   pattern.begin() + static_cast<std::ptrdiff_t>(placed)));

  if (withProgress) {
    check(reports.size() == expected.blocks.size());
    std::uint32_t total = 0;
    for (std::size_t i = 0; i < reports.size(); ++i) {
      check(reports[i].lastBlock == expected.blocks[i]);
      total += reports[i].lastBlock;
      check(reports[i].received == total);
    }
    check(total == placed);
  }
  check(!succeeded || (camera.counters().received == 0 && camera.counters().lastBlock == 0));

  // The read stops at the reply that ends it: no further reply fetched, no
  // reply fetched that the script did not hold beyond the one missing reply
  // that ends an exhausted script; each accepted block acknowledged once.
  std::size_t reads = 0;
  std::size_t acks = 0;
  for (const auto& command : backend.commands()) {
    reads += command.opcode == 0xC2;
    acks += command.opcode == 0xC1 && command.dataOut.size() == 65 && command.dataOut[64] == 0x06;
  }
  check(reads == expected.reads);
  check(reads <= scripted + 1);
  check(backend.pendingReplies() == scripted - std::min(reads, scripted));
  check(acks == expected.blocks.size());
  check(backend.commands().size() <= 7 * reads + 6);
  return 0;
}
