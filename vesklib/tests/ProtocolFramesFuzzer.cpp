// Fuzz target of the camera-link replies: any bytes as a status, register
// and data reply. A data block that parses must lie inside the reply.
#include "vesklib/ProtocolFrames.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

using tarsel::vesk::ProtocolFrames;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> reply(data, size);
  ProtocolFrames::hasValidHeader(reply);
  std::uint8_t status = 0;
  ProtocolFrames::parseStatusReply(reply, status);
  std::uint32_t value = 0;
  ProtocolFrames::parseRegisterReply(reply, value);
  ProtocolFrames::DataBlock block;
  if (ProtocolFrames::parseDataReply(reply, block)) {
    const std::uint8_t* begin = block.payload.data();
    if (!block.payload.empty() && (begin < data || begin + block.payload.size() > data + size))
      std::abort();
  }
  return 0;
}
