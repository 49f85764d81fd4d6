#include "app/ui/ResText.h"

namespace tarsel::ui {

QString ResText(UINT id) {
  return QString::fromUtf8(CResString(id).c_str());
}

} // namespace tarsel::ui
