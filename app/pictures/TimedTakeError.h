// An error record stamped with the time it was made (UTC), as the time-lapse
// error list collects and shows it, and the text getters of that list's
// columns: date and time, source (the facility's name), description, code.
// Plain value type; each thread uses its own copies.
#pragma once

#include "TarselPictures_export.h"
#include "env/BrantelTakeError.h"
#include "env/TarselFileTime.h"

#include <string>

class TARSELPICTURES_EXPORT CTimedTakeError : public _brantel_take_error {
public:
  explicit CTimedTakeError(long code, const char* text = nullptr);
  CTimedTakeError(const CTimedTakeError& other);
  CTimedTakeError& operator=(const CTimedTakeError& other);
  ~CTimedTakeError() override;

  // Local date and time of the failure; empty when it cannot be formatted.
  void GetTimeText(std::string& text) const;
  const TarselFileTime& Time() const { return m_time; }

private:
  TarselFileTime m_time;
};

// The name of the error's facility.
TARSELPICTURES_EXPORT void GetErrorSourceText(const _brantel_take_error& error, std::string& text);
// The error's message text.
TARSELPICTURES_EXPORT void GetExceptionText(const _brantel_take_error& error, std::string& text);
// "0x%X" of the error's code.
TARSELPICTURES_EXPORT void GetErrorCodeText(const _brantel_take_error& error, std::string& text);
