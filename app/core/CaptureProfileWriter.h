// Builds a capture-profile text: the "CPFFv001" line, then one "Key=value"
// line per setting, each ended by CR LF. Numbers are written in the C
// locale's form whatever the user's locale.
//
// Threads: one thread at a time. Failure: only std::bad_alloc.
#pragma once

#include "env/ICaptureProfileStorage.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tarsel::core {

class CaptureProfileWriter {
public:
  CaptureProfileWriter();

  void AddText(std::string_view key, std::string_view value);
  void AddNumber(std::string_view key, std::int32_t value);

  const std::string& Text() const { return m_text; }
  // Hands the text, without a terminating zero, to the storage.
  void HandTo(ICaptureProfileStorage& storage) const;

private:
  std::string m_text;
};

} // namespace tarsel::core
