#include "app/cameras/canon/CanonTextFormat.h"

#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <locale.h>

namespace tarsel::canon {

namespace {

locale_t cLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return locale;
}

// Puts the thread's locale back however the formatting ends.
class ThreadLocaleScope {
public:
  explicit ThreadLocaleScope(locale_t locale) : m_previous(locale ? uselocale(locale) : nullptr) {}
  ~ThreadLocaleScope() {
    if (m_previous)
      uselocale(m_previous);
  }
  ThreadLocaleScope(const ThreadLocaleScope&) = delete;
  ThreadLocaleScope& operator=(const ThreadLocaleScope&) = delete;

private:
  locale_t m_previous;
};

} // namespace

std::string FormatInCLocale(const char* format, ...) {
  const ThreadLocaleScope scope(cLocale());
  va_list arguments;
  va_start(arguments, format);
  va_list again;
  va_copy(again, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, arguments);
  va_end(arguments);
  std::string text;
  if (length > 0) {
    text.resize(static_cast<std::size_t>(length));
    std::vsnprintf(text.data(), text.size() + 1, format, again);
  }
  va_end(again);
  return text;
}

} // namespace tarsel::canon
