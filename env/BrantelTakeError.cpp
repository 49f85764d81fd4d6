#include "env/BrantelTakeError.h"

#include "env/FacilityRegistry.h"
#include "platform/Win32Error.h"

#include <cstring>
#include <optional>
#include <string>

namespace {

// Copies at most `max` characters of `src` into `dst` (which holds max + 1)
// and terminates it; a null source gives an empty text.
void copyBounded(char* dst, const char* src, std::size_t max) {
  if (!src) {
    dst[0] = '\0';
    return;
  }
  const std::size_t n = strnlen(src, max);
  std::memcpy(dst, src, n);
  dst[n] = '\0';
}

// Removes trailing CR and LF characters; the first character always stays.
void cutTrailingLineEnds(char* text) {
  std::size_t n = std::strlen(text);
  while (n > 1 && (text[n - 1] == '\r' || text[n - 1] == '\n'))
    text[--n] = '\0';
}

unsigned long facilityOf(HRESULT code) {
  return HRESULT_FACILITY(code);
}

} // namespace

std::atomic<long> _brantel_take_error::sm_N{0};

_brantel_take_error::_brantel_take_error(HRESULT code, const char* text) : m_code(code) {
  m_message[0] = '\0';
  m_explanation[0] = '\0';
  if (text && *text)
    copyBounded(m_explanation, text, kMaxText);
}

_brantel_take_error::_brantel_take_error(const _brantel_take_error& other) : m_code(0) {
  m_message[0] = '\0';
  m_explanation[0] = '\0';
  Copy(other);
}

_brantel_take_error& _brantel_take_error::operator=(const _brantel_take_error& other) {
  if (this != &other)
    Copy(other);
  return *this;
}

_brantel_take_error::~_brantel_take_error() = default;

const char* _brantel_take_error::ErrorMessage() const {
  if (m_message[0] != '\0')
    return m_message;

  const unsigned long facility = facilityOf(m_code);
  const unsigned long id = static_cast<DWORD>(m_code);
  std::optional<std::string> text = FormatFacilityMessage(facility, id);
  if (!text)
    text = SystemMessageText(static_cast<DWORD>(m_code));

  if (text)
    copyBounded(m_message, text->c_str(), kMaxText);
  else
    copyBounded(m_message, EnvString(1), kMaxText - 1);

  cutTrailingLineEnds(m_message);
  return m_message;
}

const char* _brantel_take_error::Explanation() const {
  return m_explanation;
}

unsigned long _brantel_take_error::FacilityMessage(char* buffer, unsigned long& length) const {
  if (!buffer || length == 0) {
    length = 0;
    return 0;
  }

  const unsigned long facility = facilityOf(m_code);
  const std::optional<std::string> name = FormatFacilityMessage(facility, facility << 16);
  if (name) {
    // The table's text may take up to length - 2 characters; a buffer of one
    // character holds just the terminator.
    copyBounded(buffer, name->c_str(), length >= 2 ? length - 2 : 0);
  } else {
    copyBounded(buffer, EnvString(facility < 256 ? 3 : 2), length - 1);
  }
  cutTrailingLineEnds(buffer);
  length = static_cast<unsigned long>(std::strlen(buffer));
  return length;
}

bool _brantel_take_error::operator<(const _brantel_take_error& other) const {
  if (m_code != other.m_code)
    return m_code < other.m_code;
  const int byMessage = std::strcmp(ErrorMessage(), other.ErrorMessage());
  if (byMessage != 0)
    return byMessage < 0;
  // Byte-wise as unsigned characters, which is what strcmp compares.
  return std::strcmp(Explanation(), other.Explanation()) < 0;
}

void _brantel_take_error::Copy(const _brantel_take_error& other) {
  m_code = other.m_code;
  copyBounded(m_message, other.ErrorMessage(), kMaxText);
  copyBounded(m_explanation, other.Explanation(), kMaxText);
}

bool _brantel_take_error::IsSilent() {
  return sm_N.load() == 0;
}

void _brantel_take_error::DoReporting(bool on) {
  if (on) {
    ++sm_N;
    return;
  }
  // Never below 0: an unpaired "off" must not leave reporting off for the
  // next "on".
  long current = sm_N.load();
  while (current > 0 && !sm_N.compare_exchange_weak(current, current - 1)) {
  }
}

void ThrowError(HRESULT code, const char* text) {
  throw _brantel_take_error(code, text);
}

void ThrowIfFailed(HRESULT value, const char* text) {
  if (value == 0)
    return;
  // A positive value is a Win32 number: tested in its HRESULT form, so it
  // always fails, but thrown as the number the caller gave.
  const HRESULT tested =
      value > 0 ? static_cast<HRESULT>((static_cast<DWORD>(value) & 0xFFFFu) | 0x80070000u) : value;
  if (FAILED(tested))
    throw _brantel_take_error(value, text);
}

void ThrowLastErrorIf(int ok, const char* text) {
  if (ok == 0)
    throw _brantel_take_error(static_cast<HRESULT>(GetLastError()), text);
}
