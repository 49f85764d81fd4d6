#include "app/pictures/TimedTakeError.h"

#include "env/FormatStdString.h"

namespace {
constexpr unsigned long kTextSize = 260;
} // namespace

CTimedTakeError::CTimedTakeError(long code, const char* text)
    : _brantel_take_error(static_cast<HRESULT>(code), text), m_time(false) {}

CTimedTakeError::CTimedTakeError(const CTimedTakeError& other)
    : _brantel_take_error(other), m_time(other.m_time) {}

CTimedTakeError& CTimedTakeError::operator=(const CTimedTakeError& other) {
  if (this == &other)
    return *this;
  _brantel_take_error::operator=(other);
  m_time = other.m_time;
  return *this;
}

CTimedTakeError::~CTimedTakeError() = default;

void CTimedTakeError::GetTimeText(std::string& text) const {
  char buffer[kTextSize] = {};
  unsigned long length = sizeof buffer;
  if (m_time.GetString(buffer, length, true) != 0) {
    text.clear();
    return;
  }
  text = buffer;
}

void GetErrorSourceText(const _brantel_take_error& error, std::string& text) {
  char buffer[kTextSize + 1] = {};
  unsigned long length = kTextSize;
  error.FacilityMessage(buffer, length);
  text = buffer;
}

void GetExceptionText(const _brantel_take_error& error, std::string& text) {
  text = error.ErrorMessage();
}

void GetErrorCodeText(const _brantel_take_error& error, std::string& text) {
  FormatStdString(text, "0x%X", static_cast<unsigned>(error.Error()));
}
