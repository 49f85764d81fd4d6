// Texts of the program's string table as the windows show them: ResText
// loads one, ResFormat fills its printf-style fields (the table's texts are
// the formats). An id the table lacks gives the empty text. Any thread.
#pragma once

#include "app/core/ResString.h"
#include "env/FormatStdString.h"
#include "hostapi/Win32Types.h"

#include <QString>

#include <string>

namespace tarsel::ui {

QString ResText(UINT id);

template <class... Args> QString ResFormat(UINT id, Args... arguments) {
  std::string text;
  FormatStdString(text, CResString(id).c_str(), arguments...);
  return QString::fromUtf8(text.c_str());
}

} // namespace tarsel::ui
