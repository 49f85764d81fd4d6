#include "app/ui/ButtonTP.h"

#include "env/ErrorReport.h"

#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace {

// Bitmap 132: a camera, every pixel opaque.
const char* const kTakePictureBitmap[] = {
    "32 24 6 1",
    ". c #D8D8D8",
    "# c #404040",
    "o c #909090",
    "b c #203060",
    "w c #F0F0F0",
    "r c #C02020",
    "................................",
    "................................",
    "................................",
    "..........##########............",
    "..........##########...rrrr.....",
    "..........##########...rrrr.....",
    "..############################..",
    "..############################..",
    "..##www#######ooooo###########..",
    "..##www######ooooooo##########..",
    "..##########ooobbbooo#########..",
    "..#########ooobbbbbooo########..",
    "..#########oobbwwwbboo########..",
    "..#########oobbwwwbboo########..",
    "..#########oobbwwwbboo########..",
    "..#########ooobbbbbooo########..",
    "..##########ooobbbooo#########..",
    "..###########ooooooo##########..",
    "..############ooooo###########..",
    "..############################..",
    "..############################..",
    "................................",
    "................................",
    "................................",
};

// Room around the bitmap for the button's frame.
constexpr int kFrameMargin = 6;

} // namespace

CButtonTP::CButtonTP(QWidget* parent) : CButtonTP(QString(), parent) {}

CButtonTP::CButtonTP(const QString& text, QWidget* parent)
    : QPushButton(text, parent), m_bitmap(kTakePictureBitmap) {
  m_bitmapWidth = m_bitmap.width();
  m_bitmapHeight = m_bitmap.height();
}

QRect CButtonTP::bitmapRect() const {
  const int pushed = isDown() ? 1 : 0;
  return QRect((width() - m_bitmapWidth) / 2 + pushed, (height() - m_bitmapHeight) / 2 + pushed,
               m_bitmapWidth, m_bitmapHeight);
}

QSize CButtonTP::sizeHint() const {
  return QSize(m_bitmapWidth + 2 * kFrameMargin, m_bitmapHeight + 2 * kFrameMargin);
}

QSize CButtonTP::minimumSizeHint() const {
  return sizeHint();
}

void CButtonTP::paintEvent(QPaintEvent*) {
  try {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    if (isDown())
      option.state |= QStyle::State_Sunken;
    // The focus is shown around the bitmap only, not by the frame.
    option.state &= ~QStyle::State_HasFocus;
    painter.drawControl(QStyle::CE_PushButtonBevel, option);
    const QRect target = bitmapRect();
    // A disabled button shows the style's greyed form of the bitmap.
    if (isEnabled())
      painter.drawPixmap(target.topLeft(), m_bitmap);
    else
      painter.drawPixmap(target.topLeft(), style()->generatedIconPixmap(QIcon::Disabled, m_bitmap, &option));
    if (hasFocus()) {
      QStyleOptionFocusRect focus;
      focus.initFrom(this);
      focus.rect = target;
      // Some styles draw focus frames only after keyboard use; this one is
      // always shown while the button has the focus.
      focus.state |= QStyle::State_KeyboardFocusChange;
      painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
  } catch (...) {
    // A paint handler has no one to report to; the next paint tries again.
    WriteErrorInfo("Painting the Take Picture button failed.");
  }
}
