// Holder of the bytes of one capture profile (no terminator added).
#pragma once

#include <cstdint>

class ICaptureProfileStorage {
public:
  virtual ~ICaptureProfileStorage() = default;
  // Keeps a copy of the bytes.
  virtual void SetData(const void* data, std::uint32_t length) = 0;
  // The kept bytes (null when empty) and their length.
  virtual const void* GetData(std::uint32_t& length) const = 0;
};
