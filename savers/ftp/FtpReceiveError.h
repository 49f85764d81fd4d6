// An unwanted FTP reply: code 0x82020000 OR the reply's three-digit number
// (0x82020000 alone when the text does not start with digits), explanation
// the reply's text cut to 300 characters.
#pragma once

#include "savers/ftp/SockError.h"

#include <string_view>

class _FtpReceiveError : public _sock_error {
public:
  explicit _FtpReceiveError(std::string_view replyText);

  // The reply number, 0 when the text had none.
  unsigned Reply() const;
  bool operator==(unsigned reply) const;
};
