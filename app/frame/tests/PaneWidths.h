// Whether a status pane shows its whole text: the label's room for text
// (inside its frame and indent) holds the text's width in the label's font.
#pragma once

#include <QFontMetrics>
#include <QLabel>

namespace tarsel::frame::test {

inline bool ShowsWholeText(const QLabel& pane) {
  const QFontMetrics metrics = pane.fontMetrics();
  const int indent = pane.indent() >= 0      ? pane.indent()
                     : pane.frameWidth() > 0 ? metrics.horizontalAdvance('x') / 2
                                             : 0;
  return pane.contentsRect().width() >= metrics.horizontalAdvance(pane.text()) + indent;
}

} // namespace tarsel::frame::test
