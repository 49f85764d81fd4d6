// What the fuzz targets of the class registry's records share: the
// registry folder in the target's scratch folder, and the round trip of a
// record found there through its registration.
#pragma once

#include "platform/com/ClassRegistry.h"
#include "platform/com/ComResults.h"
#include "platform/testsupport/FuzzScratch.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <stdlib.h>

namespace tarsel::com::test {

inline constexpr GUID kFuzzClass{0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};

// Writes the bytes as the record file `name` of the registry folder, which
// the first call makes and names in TARSEL_COM_PATH.
inline void WriteRecordFile(const std::string& name, const void* data, std::size_t size) {
  static const bool ready = [] {
    const std::string folder = tarsel::test::FuzzScratchPath("com");
    std::filesystem::create_directories(folder);
    return ::setenv("TARSEL_COM_PATH", folder.c_str(), 1) == 0;
  }();
  if (!ready)
    std::abort();
  tarsel::test::WriteFuzzScratchFile("com/" + name, data, size);
}

inline bool holdsLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

inline bool keptAsIs(std::string_view text) {
  // Blanks as the profile reader trims them, and quotes it takes off in pairs.
  const auto edge = [](char c) { return std::string_view(" \t\r\v\f\"'").find(c) != std::string_view::npos; };
  return text.size() < 4095 && (text.empty() || (!edge(text.front()) && !edge(text.back())));
}

inline bool holdsLineBreak(const ClassRecord& r) {
  return holdsLineBreak(r.name) || holdsLineBreak(r.progId) || holdsLineBreak(r.library) ||
         holdsLineBreak(r.threadingModel) || holdsLineBreak(r.version);
}

inline bool holdsLineBreak(const TypeLibRecord& r) {
  return holdsLineBreak(r.name) || holdsLineBreak(r.version) || holdsLineBreak(r.library);
}

inline bool keptAsIs(const ClassRecord& r) {
  return keptAsIs(r.name) && keptAsIs(r.progId) && keptAsIs(r.library) && keptAsIs(r.threadingModel) &&
         keptAsIs(r.version);
}

inline bool keptAsIs(const TypeLibRecord& r) {
  return keptAsIs(r.name) && keptAsIs(r.version) && keptAsIs(r.library);
}

inline bool operator==(const ClassRecord& a, const ClassRecord& b) {
  return a.clsid == b.clsid && a.name == b.name && a.progId == b.progId && a.library == b.library &&
         a.threadingModel == b.threadingModel && a.miscStatus == b.miscStatus && a.control == b.control &&
         a.insertable == b.insertable && a.toolboxBitmap == b.toolboxBitmap && a.typeLib == b.typeLib &&
         a.version == b.version;
}

inline bool operator==(const TypeLibRecord& a, const TypeLibRecord& b) {
  return a.libid == b.libid && a.name == b.name && a.version == b.version && a.library == b.library;
}

inline std::size_t textLength(const ClassRecord& r) {
  return r.name.size() + r.progId.size() + r.library.size() + r.threadingModel.size() + r.version.size();
}

inline std::size_t textLength(const TypeLibRecord& r) {
  return r.name.size() + r.version.size() + r.library.size();
}

// Registers what was found and finds it again: the same record when its
// texts are kept as they are. Any other record loses characters (blanks and
// quotes at the ends of its texts) in each of two rounds until it comes back
// the same; a third round is not tried, to keep every run short. A text with a line break in it (a lone CR is
// none to the reader) must be refused, leaving the record that stood there (`stored`, as found). find(record)
// looks up the record registered. Gives the record as registered last, or none.
template <class Record, class Find, class Register>
std::optional<Record> roundTrip(const Record& found, Record stored, Find find, Register reg) {
  Record current = found;
  for (int round = 0;; ++round) {
    const HRESULT result = reg(current);
    if (result != S_OK && holdsLineBreak(current)) {
      const auto kept = find(stored);
      if (!kept || !(*kept == stored))
        std::abort();
      return std::nullopt;
    }
    if (result != S_OK)
      std::abort();
    const auto again = find(current);
    if (!again)
      std::abort();
    if (*again == current)
      return current;
    if (keptAsIs(current) || textLength(*again) >= textLength(current))
      std::abort();
    if (round == 1)
      return *again;
    current = stored = *again;
  }
}

} // namespace tarsel::com::test
