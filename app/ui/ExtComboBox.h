// A drop-down list that can stand aside for a fixed "not available" text:
// ShowUnavailable(true) hides and disables it and shows in its place a
// second, disabled drop-down list (made once, same parent, rectangle and
// font) holding the one selected text of string m_textId ("Auto", "N/A" ...);
// ShowUnavailable(false) hides that one and shows and enables this one
// again. While hidden, this box keeps its place in a layout. GUI thread only.
#pragma once

#include "hostapi/Win32Types.h"

#include <QComboBox>
#include <QPointer>

class CExtComboBox : public QComboBox {
public:
  explicit CExtComboBox(UINT textId, QWidget* parent = nullptr);
  ~CExtComboBox() override;

  void ShowUnavailable(bool unavailable);

  // The stand-in box; null until the first ShowUnavailable(true).
  QComboBox* placeholderBox() const { return m_placeholderBox; }

protected:
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  void followGeometry();

  UINT m_textId;
  QPointer<QComboBox> m_placeholderBox;
};
