#include "sim/vesk/VeskSimFrames.h"

#include "sim/vesk/VeskSimTypes.h"

namespace tarsel::vesksim::frames {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes header(std::size_t total, std::uint16_t word) {
  Bytes out(kHeaderSize, 0);
  storeLe32(&out[0], static_cast<std::uint32_t>(total));
  storeLe16(&out[4], kSignature);
  storeLe16(&out[6], word);
  return out;
}

void put16(Bytes& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

} // namespace

std::uint16_t checksum(std::span<const std::uint8_t> bytes) {
  std::uint32_t sum = 0;
  for (std::uint8_t b : bytes)
    sum += b;
  return static_cast<std::uint16_t>(sum);
}

HostFrame parseHostFrame(std::span<const std::uint8_t> f) {
  HostFrame out;
  if (f.size() < kStatusFrameSize) {
    out.problem = "frame shorter than 65 bytes";
    return out;
  }
  const std::uint32_t total = loadLe32(f.data());
  const std::uint16_t signature = loadLe16(f.data() + 4);
  out.headerWord = loadLe16(f.data() + 6);
  if (total != f.size()) {
    out.problem =
        "length field " + std::to_string(total) + " but " + std::to_string(f.size()) + " bytes sent";
    return out;
  }
  if (signature != kSignature) {
    out.problem = "header word at 4 is " + std::to_string(signature);
    return out;
  }
  for (std::size_t i = 8; i < kHeaderSize; ++i) {
    if (f[i] != 0) {
      out.notes.push_back("header padding not zero");
      break;
    }
  }

  if (f.size() == kStatusFrameSize) {
    if (out.headerWord != kStatusHeaderWord && out.headerWord != kHeaderWord) {
      out.problem = "status frame header word not 0x09FF or 0x9FFF";
      return out;
    }
    out.type = HostFrame::Type::Status;
    out.status = f[64];
    return out;
  }
  if (out.headerWord != kHeaderWord) {
    out.problem = "frame header word not 0x9FFF";
    return out;
  }
  if (f.size() < 70) {
    out.problem = "frame too short for a body";
    return out;
  }
  const std::uint16_t n = loadLe16(f.data() + 66);
  if (static_cast<std::size_t>(n) + 70 != f.size()) {
    out.problem = "body length " + std::to_string(n) + " does not fit a frame of " + std::to_string(f.size());
    return out;
  }
  const auto payload = f.subspan(68, n);
  out.checksumOk = checksum(payload) == loadLe16(f.data() + 68 + n);

  if (f[64] == kEsc) {
    if (f[65] != kCommandLetter) {
      out.problem = "command frame without 'C' after ESC";
      return out;
    }
    if (n < 2) {
      out.problem = "command frame without kind and number";
      return out;
    }
    out.type = HostFrame::Type::Command;
    out.kind = payload[0];
    out.number = payload[1];
    out.params.assign(payload.begin() + 2, payload.end());
    return out;
  }
  if (f[64] == kBlockMiddle || f[64] == kBlockLast) {
    out.type = HostFrame::Type::DataBlock;
    out.blockType = f[64];
    out.sequence = f[65];
    out.data.assign(payload.begin(), payload.end());
    return out;
  }
  out.problem = "unknown frame type byte " + std::to_string(f[64]);
  return out;
}

std::vector<std::uint8_t> statusRecord(std::uint8_t status) {
  Bytes out = header(kStatusFrameSize, kHeaderWord);
  out.push_back(status);
  return out;
}

std::vector<std::uint8_t> registerRecord(std::uint32_t value) {
  Bytes out = header(74, kHeaderWord);
  out.push_back(kBlockLast);
  out.push_back(0);
  put16(out, 4);
  std::uint8_t v[4];
  storeLe32(v, value);
  out.insert(out.end(), v, v + 4);
  put16(out, checksum(v));
  return out;
}

std::vector<std::uint8_t> dataRecord(std::uint8_t type, std::uint8_t sequence,
                                     std::span<const std::uint8_t> payload, bool unchecked) {
  Bytes out = header(payload.size() + 70, kHeaderWord);
  out.push_back(type);
  out.push_back(sequence);
  put16(out, static_cast<std::uint16_t>(payload.size()));
  out.insert(out.end(), payload.begin(), payload.end());
  put16(out, unchecked ? 0xFFFF : checksum(payload));
  return out;
}

std::vector<std::uint8_t> commandFrame(std::uint8_t kind, std::uint8_t number,
                                       std::span<const std::uint8_t> params) {
  Bytes payload = {kind, number};
  payload.insert(payload.end(), params.begin(), params.end());
  Bytes out = header(payload.size() + 70, kHeaderWord);
  out.push_back(kEsc);
  out.push_back(kCommandLetter);
  put16(out, static_cast<std::uint16_t>(payload.size()));
  out.insert(out.end(), payload.begin(), payload.end());
  put16(out, checksum(payload));
  return out;
}

std::vector<std::uint8_t> dataBlockFrame(std::uint8_t type, std::uint8_t sequence,
                                         std::span<const std::uint8_t> data) {
  Bytes out = header(data.size() + 70, kHeaderWord);
  out.push_back(type);
  out.push_back(sequence);
  put16(out, static_cast<std::uint16_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
  put16(out, checksum(data));
  return out;
}

std::vector<std::uint8_t> statusFrame(std::uint8_t status, std::uint16_t headerWord) {
  Bytes out = header(kStatusFrameSize, headerWord);
  out.push_back(status);
  return out;
}

} // namespace tarsel::vesksim::frames
