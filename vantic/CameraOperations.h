// The camera operations with their retries that the exported functions are
// built from: range-checked register writes and reads, actions with their
// busy times, object writes, structure reads and downloads with progress.
// Each makes the session usable first, re-opens it and repeats while the
// camera ends the session (at most four times), and records its result.
// Reads that depend on a selected picture or folder pass `guard`: when the
// session had to be re-opened they give kReopened instead, and the caller
// selects again. Runs under the library lock; an exception (memory
// exhausted) goes on to the exported function's wrapper.
#pragma once

#include "vantic/CameraSession.h"

#include <cstdint>
#include <functional>
#include <span>

namespace tarsel::vantic {

class CameraOperations {
public:
  static constexpr int kReopened = -2;
  using DataSink = std::function<int(std::span<const std::uint8_t> bytes)>;

  CameraOperations(SessionState& state, CameraLink& link, CameraSession& session);

  int writeChecked(int reg, std::uint32_t value);
  // The code (0 with the value set), or kReopened.
  int readChecked(int reg, bool guard, std::uint32_t& value);
  int runAction(int action, int argument, int busyMs);
  int writeObject(int reg, std::span<const std::uint8_t> data);
  // One block into `out` (bounded by its size, zero-filled, written only on
  // success); `received` tells how many bytes the camera sent.
  int readStructure(int reg, std::span<std::uint8_t> out, bool guard, std::size_t* received = nullptr);
  // An object's blocks into the sink, with progress measured against
  // progressTotal from progressStart (1/256 percent units), and 100 at the
  // end when reportEnd is set. Always guarded.
  int download(int reg, const DataSink& sink, std::uint64_t progressTotal, std::uint64_t progressStart,
               bool reportEnd = true);

private:
  int readObject(int reg, const BlockHandlers& handlers, bool guard);
  // Whether a session the camera ended may be re-opened once more.
  bool mayRetryAfterEnd(int& reopens);
  int callback(int percent);

  SessionState& m_state;
  CameraLink& m_link;
  CameraSession& m_session;
};

} // namespace tarsel::vantic
