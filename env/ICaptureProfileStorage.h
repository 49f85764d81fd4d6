// Holder of the bytes of one capture profile (no terminator added).
#pragma once

#include <cstddef>
#include <cstdint>

// The largest capture-profile file the readers take: a file is read whole, so
// a bigger one is refused by its size before any byte is read.
namespace tarsel::env {
inline constexpr std::size_t kMaxCaptureProfileFileBytes = 4u << 20;
} // namespace tarsel::env

class ICaptureProfileStorage {
public:
  virtual ~ICaptureProfileStorage() = default;
  // Keeps a copy of the bytes.
  virtual void SetData(const void* data, std::uint32_t length) = 0;
  // The kept bytes (null when empty) and their length.
  virtual const void* GetData(std::uint32_t& length) const = 0;
};
