// A fixed text buffer for a password: 260 bytes and a terminator, as the
// settings and the session exchange it, wiped when it goes away so that no
// plaintext stays behind in freed memory. One thread at a time.
#pragma once

#include <array>
#include <cstddef>
#include <string.h>

namespace tarsel::ftpsaver {

class SecretBuffer {
public:
  static constexpr std::size_t kSize = 261;

  SecretBuffer() = default;
  ~SecretBuffer() { Wipe(); }
  SecretBuffer(const SecretBuffer&) = delete;
  SecretBuffer& operator=(const SecretBuffer&) = delete;

  char* data() { return m_text.data(); }
  const char* c_str() const { return m_text.data(); }
  bool empty() const { return m_text[0] == '\0'; }
  // Copies a text in, cut to fit; null gives the empty text.
  void Assign(const char* text) {
    Wipe();
    for (std::size_t i = 0; text && text[i] && i + 1 < kSize; ++i)
      m_text[i] = text[i];
  }
  void Wipe() { explicit_bzero(m_text.data(), m_text.size()); }

private:
  std::array<char, kSize> m_text{};
};

} // namespace tarsel::ftpsaver
