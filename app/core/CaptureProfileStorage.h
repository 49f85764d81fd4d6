// The holder of one capture profile's bytes: a copy of what it was given or
// read, no terminator added, no character set assumed.
//
// Threads: one thread at a time. Failure: SetData and ReadFile throw
// _brantel_take_error (8 when the block cannot be allocated; the file's
// error with the path as explanation when it cannot be read or written); the
// holder keeps its old bytes then.
#pragma once

#include "TarselCore_export.h"
#include "env/ICaptureProfileStorage.h"

#include <cstdint>
#include <memory>
#include <string>

class TARSELCORE_EXPORT CCaptureProfileStorage : public ICaptureProfileStorage {
public:
  CCaptureProfileStorage() = default;
  CCaptureProfileStorage(const CCaptureProfileStorage&) = delete;
  CCaptureProfileStorage& operator=(const CCaptureProfileStorage&) = delete;
  ~CCaptureProfileStorage() override = default;

  void SetData(const void* data, std::uint32_t length) override;
  const void* GetData(std::uint32_t& length) const override;

  // Reads the whole file at `path` (one leading and one trailing double
  // quote removed, environment variables expanded); a null or empty path
  // does nothing.
  void ReadFile(const char* path);
  // Reads the whole file at exactly `path` (no quotes removed, nothing
  // expanded: a name the user chose).
  void ReadFileAt(const std::string& path);
  // Replaces the file at `path` with the held bytes; a failed write leaves
  // the file as it was. Throws _brantel_take_error (the error, the path).
  void WriteFile(const char* path) const;

private:
  std::unique_ptr<std::uint8_t[]> m_data;
  std::uint32_t m_length = 0;
};
