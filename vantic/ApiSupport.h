// Building blocks of the exported camera functions: the process's camera,
// register reads and writes with their result conventions, selections with
// the repeat after a re-open, and little-endian structure conversions. Called
// with the library lock held.
#pragma once

#include "vantic/CameraLibrary.h"

#include <cstdint>
#include <span>

namespace tarsel::vantic::api {

CameraLibrary& camera();

// A range-checked register write: the code.
int setRegister(int reg, std::uint32_t value);
// The low 16 bits of a value, sign-extended, as the camera's 16-bit registers take it.
std::uint32_t low16(int value);
// A range-checked register read: the value, or -1 with the code kept.
int getRegister(int reg);
// Selects a picture, folder or entry (writes selectReg = selection): the code.
int select(int selectReg, int selection);
// Selects, then reads reg guarded; repeats from the selection after a
// re-open. -1 when the selection or the read fails (the code is kept).
int getSelected(int selectReg, int selection, int reg);

// Runs `step` (which selects and then reads guarded, giving a code or
// CameraOperations::kReopened) until it no longer asks for a new selection,
// at most four times.
template <typename Step> int repeatFromSelection(Step step) {
  for (int attempt = 0; attempt < 4; ++attempt) {
    const int rc = step();
    if (rc != CameraOperations::kReopened)
      return rc;
  }
  // The session is open again each time; only the selection could not be
  // kept, so the result says so and the state stays open.
  return camera().state().note(CAM_SESSION_CLOSED);
}

// One structure read into `out` (code; `out` untouched on failure), after an
// optional selection (selectReg -1 for none) whose failure gives its code.
int readStructure(int reg, std::span<std::uint8_t> out, int selectReg = -1, int selection = 0);
// A structure or text write (code).
int writeStructure(int reg, std::span<const std::uint8_t> bytes);

// Word structures.
int readWords(int reg, std::int32_t* words, int count, int selectReg = -1, int selection = 0);
int writeWords(int reg, const std::int32_t* words, int count);

// A text of fewer than 32 characters (2 otherwise; 1 for none).
int writeText(int reg, const char* text);
// A text read into a caller's buffer of `size` bytes, NUL-padded.
int readText(int reg, char* buffer, int size, int selectReg = -1, int selection = 0);

// Records an argument fault.
int refuse(int code);

// Signed little-endian words of a structure the camera sent.
std::int32_t wordAt(std::span<const std::uint8_t> bytes, std::size_t offset);
std::int16_t halfAt(std::span<const std::uint8_t> bytes, std::size_t offset);

} // namespace tarsel::vantic::api
