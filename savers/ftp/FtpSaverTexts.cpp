#include "savers/ftp/FtpSaverTexts.h"

namespace tarsel::ftpsaver {

const char* String(unsigned id) {
  switch (id) {
  case IDS_CAPTION:
    return "Tarsel";
  case IDS_CONTINUE_AFTER_ERROR:
    return "Error: %s(0x%X)\n%s\nContinue?";
  default:
    return "";
  }
}

} // namespace tarsel::ftpsaver
