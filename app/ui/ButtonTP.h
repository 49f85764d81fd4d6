// The owner-drawn "Take picture" push button: a button frame with the
// program's camera bitmap (bitmap 132) centred in it, pushed one pixel
// right and down while the button is held, and the focus frame drawn
// exactly around the bitmap; a disabled button draws the bitmap greyed.
// The button's text is kept for its keyboard mnemonic but not drawn.
// GUI thread only; painting never throws.
#pragma once

#include <QPixmap>
#include <QPushButton>

class CButtonTP : public QPushButton {
public:
  explicit CButtonTP(QWidget* parent = nullptr);
  explicit CButtonTP(const QString& text, QWidget* parent = nullptr);

  int bitmapWidth() const { return m_bitmapWidth; }
  int bitmapHeight() const { return m_bitmapHeight; }
  // Where the bitmap is drawn in the current state.
  QRect bitmapRect() const;
  // The bitmap as loaded.
  const QPixmap& bitmap() const { return m_bitmap; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  QPixmap m_bitmap;
  int m_bitmapWidth = 0;
  int m_bitmapHeight = 0;
};
