#include "app/core/ResString.h"

#include "app/core/ResourceStrings.h"

#include <cstring>

CResString::CResString(UINT id) {
  assign(tarsel::core::FindResourceString(id));
}

void CResString::assign(const char* text) {
  if (!text) {
    m_text[0] = '\0';
    return;
  }
  const std::size_t length = strnlen(text, kMaxLength);
  std::memcpy(m_text, text, length);
  m_text[length] = '\0';
}
