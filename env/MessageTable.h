// A module's message table: rows of a message id (a full error code, or a
// facility number shifted left by 16 for the facility's name) and its text.
// Texts are written as the message compiler keeps them: an error's text ends
// with CR LF, a name row ends with "%0" (no line end). Each module compiles
// its table in and hands it to RegisterFacility, which copies it.
#pragma once

#include <cstddef>
#include <cstdint>

struct MessageTableRow {
  std::uint32_t id;
  const char* text;
};

struct MessageTable {
  const MessageTableRow* rows = nullptr;
  std::size_t count = 0;
};
