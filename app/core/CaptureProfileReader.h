// Reads a capture-profile text held by a storage: checks its first line and
// then hands out its "Key=value" lines one by one. Lines are split at any
// run of CR and LF; each is cut to 255 characters; a line without "=" or
// with an empty value is skipped. Keys are handed out as written (callers
// compare them without regard to case).
//
// Threads: one thread at a time. Failure: the constructor throws
// _brantel_take_error 0x81020005 when the first line does not begin with
// "CPFF" (or there is no line), 0x81020006 when it does but the version is
// not "v0...".
#pragma once

#include "env/ICaptureProfileStorage.h"
#include "hostapi/Win32Types.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarsel::core {

class CaptureProfileReader {
public:
  static constexpr HRESULT kNotAProfile = static_cast<HRESULT>(0x81020005u);
  static constexpr HRESULT kUnsupportedVersion = static_cast<HRESULT>(0x81020006u);
  static constexpr HRESULT kOtherCameraType = static_cast<HRESULT>(0x81020007u);

  explicit CaptureProfileReader(const ICaptureProfileStorage& storage);

  // The next line with a key and a value; false at the end.
  bool Next(std::string& key, std::string& value);

  // The leading decimal integer of `value` as atoi reads it in the C locale
  // (blanks and a sign first; no digits give 0; saturated at the int range).
  static std::int32_t Number(std::string_view value);
  // Byte-wise comparison without regard to ASCII case.
  static bool SameText(std::string_view a, std::string_view b);

private:
  std::string_view NextLine();

  std::string m_text;
  std::size_t m_position = 0;
};

} // namespace tarsel::core
