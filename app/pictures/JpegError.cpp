#include "app/pictures/JpegError.h"

#include "app/pictures/PictureStrings.h"

#include <cstdio>
#include <cstring>
// The library's header needs <cstdio> first.
#include <jpeglib.h>

namespace {

void copyBounded(char* target, const char* text, std::size_t capacity) {
  target[0] = '\0';
  if (!text)
    return;
  std::size_t length = std::strlen(text);
  if (length > capacity)
    length = capacity;
  std::memcpy(target, text, length);
  target[length] = '\0';
}

[[noreturn]] void throwLibraryError(j_common_ptr info) {
  char text[JMSG_LENGTH_MAX] = {};
  info->err->format_message(info, text);
  throw _JPEG_Error(info->err->msg_code, text, JpegErrorExplanation());
}

void countMessage(j_common_ptr info, int level) {
  // Level -1 is a warning: the decode goes on, so nothing is shown.
  if (level < 0)
    ++info->err->num_warnings;
}

void dropMessage(j_common_ptr) {}

} // namespace

_JPEG_Error::_JPEG_Error(int messageCode, const char* message, const char* explanation)
    : _brantel_take_error(kFacilityBits | static_cast<HRESULT>(messageCode & 0xFFFF), explanation) {
  copyBounded(m_cache, message, kMaxText);
}

const char* _JPEG_Error::ErrorMessage() const {
  if (m_cache[0] != '\0')
    return m_cache;
  if (Error() == 0)
    copyBounded(m_cache, "Unknown Error", kMaxText);
  else
    std::snprintf(m_cache, sizeof m_cache, "JPEG Error 0x%X", static_cast<unsigned>(Error()));
  return m_cache;
}

const char* JpegErrorExplanation() {
  return tarsel::pictures::PictureString(tarsel::pictures::IDS_PICTURE_MAY_BE_SAVED);
}

jpeg_error_mgr* InstallThrowingErrorHandler(jpeg_error_mgr& manager) {
  jpeg_std_error(&manager);
  manager.error_exit = throwLibraryError;
  manager.emit_message = countMessage;
  manager.output_message = dropMessage;
  return &manager;
}

void ThrowJpegBadParameter() {
  // A plain error, so the message is the catalogue text of the code.
  ThrowError(_JPEG_Error::kFacilityBits | _JPEG_Error::kBadParameter, JpegErrorExplanation());
}
