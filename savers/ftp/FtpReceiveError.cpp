#include "savers/ftp/FtpReceiveError.h"

#include "savers/ftp/FtpMessages.h"

#include <string>

namespace {

unsigned replyNumber(std::string_view text) {
  if (text.size() < 3)
    return 0;
  unsigned number = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    if (text[i] < '0' || text[i] > '9')
      return 0;
    number = number * 10 + static_cast<unsigned>(text[i] - '0');
  }
  return number;
}

} // namespace

_FtpReceiveError::_FtpReceiveError(std::string_view replyText)
    : _sock_error(tarsel::ftp::ReplyCode(replyNumber(replyText)),
                  std::string(replyText.substr(0, kMaxText)).c_str()) {}

unsigned _FtpReceiveError::Reply() const {
  return static_cast<DWORD>(Error()) & 0xFFFFu;
}

bool _FtpReceiveError::operator==(unsigned reply) const {
  return Error() == tarsel::ftp::ReplyCode(reply);
}
