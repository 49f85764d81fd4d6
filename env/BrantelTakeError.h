// The suite's error value: a 32-bit code laid out like an HRESULT (severity,
// 13-bit facility, 16-bit code) and an explanation of up to 300 characters.
// Thrown inside a module, passed as a code across module boundaries. Its
// message text is looked up, on first use, in the message table registered
// for the code's facility (see FacilityRegistry.h), else among the system's
// texts, else it reads "Unknown Error".
//
// Objects are not shared between threads while their message is being
// formatted; each thread formats its own copy.
#pragma once

#include "TarselEnv_export.h"
#include "hostapi/Win32Types.h"

#include <atomic>
#include <cstddef>

class TARSELENV_EXPORT _brantel_take_error {
public:
  static constexpr std::size_t kMaxText = 300;

  explicit _brantel_take_error(HRESULT code, const char* text = nullptr);
  _brantel_take_error(const _brantel_take_error& other);
  _brantel_take_error& operator=(const _brantel_take_error& other);
  virtual ~_brantel_take_error();

  HRESULT Error() const { return m_code; }
  // The message text of the code, without its trailing line breaks.
  virtual const char* ErrorMessage() const;
  // The text given at construction; empty when none was given.
  virtual const char* Explanation() const;

  // The name of the code's facility, written into buffer (length on entry:
  // its size in characters; on return: the text's length). Returns the length.
  unsigned long FacilityMessage(char* buffer, unsigned long& length) const;

  bool operator<(const _brantel_take_error& other) const;

  // Reporting is on while the counter is above 0; calls nest.
  static bool IsSilent();
  static void DoReporting(bool on);

  static std::atomic<long> sm_N;

protected:
  void Copy(const _brantel_take_error& other);

private:
  HRESULT m_code;
  mutable char m_message[kMaxText + 1];
  char m_explanation[kMaxText + 1];
};

// Throws _brantel_take_error(code, text); never returns.
[[noreturn]] TARSELENV_EXPORT void ThrowError(HRESULT code, const char* text = nullptr);

// 0 returns; any other value is a failure (a positive one is taken as a Win32
// number) and is thrown unchanged as _brantel_take_error(value, text).
TARSELENV_EXPORT void ThrowIfFailed(HRESULT value, const char* text = nullptr);

// When ok is 0, throws _brantel_take_error(GetLastError(), text).
TARSELENV_EXPORT void ThrowLastErrorIf(int ok, const char* text = nullptr);
