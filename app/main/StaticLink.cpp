#include "app/main/StaticLink.h"

#include <QDesktopServices>
#include <QEvent>
#include <QMouseEvent>
#include <QPalette>

CStaticLink::CStaticLink(const QString& text, const QUrl& url, QWidget* parent)
    : QLabel(text, parent), m_url(url) {
  setTextFormat(Qt::PlainText);
  setCursor(Qt::PointingHandCursor);
  applyLinkLook();
}

void CStaticLink::changeEvent(QEvent* event) {
  QLabel::changeEvent(event);
  // Put into a dialog: draw with the dialog's font.
  if (event->type() == QEvent::ParentChange)
    applyLinkLook();
}

void CStaticLink::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) {
    QLabel::mouseReleaseEvent(event);
    return;
  }
  QDesktopServices::openUrl(m_url);
  event->accept();
}

void CStaticLink::applyLinkLook() {
  QFont linkFont = parentWidget() ? parentWidget()->font() : font();
  linkFont.setUnderline(true);
  linkFont.setWeight(QFont::Normal);
  QPalette linkPalette = palette();
  linkPalette.setColor(QPalette::WindowText, linkPalette.color(QPalette::Link));
  setFont(linkFont);
  setPalette(linkPalette);
}
