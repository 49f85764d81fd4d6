#include "app/frame/ChildView.h"

#include "app/ui/UiGuard.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace {

// Until the settings are read the views are light green.
DWORD g_backgroundColor = 0xE6FFD7;

} // namespace

CChildView::CChildView(QWidget* parent) : QAbstractScrollArea(parent) {
  setFrameShape(QFrame::StyledPanel);
}

void CChildView::SetBackgroundColor(DWORD colorRef) {
  g_backgroundColor = colorRef & 0xFFFFFF;
}

DWORD CChildView::BackgroundColor() {
  return g_backgroundColor;
}

CChildView::~CChildView() = default;

void CChildView::SetPicture(IPictureFromCamera* picture, bool keepScroll) {
  const QPoint position = ScrollPosition();
  m_picture.Assign(picture);
  m_bitmapSize = QSize();
  try {
    if (m_picture && m_picture->HasBitmap())
      m_bitmapSize = QSize(static_cast<int>(std::min<DWORD>(m_picture->GetBitmapWidth(), 1u << 20)),
                           static_cast<int>(std::min<DWORD>(m_picture->GetBitmapHeight(), 1u << 20)));
  } catch (...) {
    m_bitmapSize = QSize();
  }
  UpdateScrollBars();
  SetScrollPosition(keepScroll ? position : QPoint(0, 0));
  viewport()->update();
}

QPoint CChildView::ScrollPosition() const {
  return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void CChildView::SetScrollPosition(QPoint position) {
  horizontalScrollBar()->setValue(position.x());
  verticalScrollBar()->setValue(position.y());
}

void CChildView::UpdateScrollBars() {
  const QSize area = viewport()->size();
  horizontalScrollBar()->setRange(0, std::max(0, m_bitmapSize.width() - area.width()));
  horizontalScrollBar()->setPageStep(std::max(1, area.width()));
  verticalScrollBar()->setRange(0, std::max(0, m_bitmapSize.height() - area.height()));
  verticalScrollBar()->setPageStep(std::max(1, area.height()));
}

void CChildView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void CChildView::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const DWORD color = g_backgroundColor;
  painter.fillRect(event->rect(),
                   QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                          static_cast<int>((color >> 16) & 0xFF)));
  if (!m_picture)
    return;
  // Quiet: a box from a paint handler would come back with every repaint;
  // the blank area is what the user sees of a broken picture.
  tarsel::ui::Guard(
      this,
      [&] {
        const QPoint origin = ScrollPosition();
        const QSize area = viewport()->size();
        m_picture->Draw(&painter, 0, 0, origin.x(), origin.y(), area.width(), area.height());
      },
      tarsel::ui::Reporting::Quiet);
}
