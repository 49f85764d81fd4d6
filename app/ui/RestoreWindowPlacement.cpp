#include "app/ui/RestoreWindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

using tarsel::settings::WindowPlacement;

namespace {

// The work area the rectangle overlaps most; null when it overlaps none.
const QScreen* screenHolding(const QRect& rect) {
  const QScreen* best = nullptr;
  qint64 bestArea = 0;
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect overlap = screen->availableGeometry().intersected(rect);
    const qint64 area = static_cast<qint64>(overlap.width()) * overlap.height();
    if (!overlap.isEmpty() && area > bestArea) {
      best = screen;
      bestArea = area;
    }
  }
  return best;
}

} // namespace

bool RestoreWindowPlacement(QWidget* window, const BYTE* placement, DWORD size, bool useCurrentSize) {
  if (!window)
    return false;
  const auto record = WindowPlacement::fromBytes(placement, size);
  if (!record)
    return false;
  const int width = useCurrentSize ? window->width() : record->width;
  const int height = useCurrentSize ? window->height() : record->height;
  const QScreen* screen = screenHolding(QRect(record->x, record->y, width, height));
  if (!screen)
    return false;

  // Edges as exclusive coordinates; the record's values are bounded, so
  // none of these sums can overflow.
  const QRect work = screen->availableGeometry();
  const int workLeft = work.x();
  const int workTop = work.y();
  const int workRight = work.x() + work.width();
  const int workBottom = work.y() + work.height();
  const int margin = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
  int left = record->x;
  int top = record->y;
  if (left + width - margin < workLeft)
    left = workLeft - width + margin;
  if (left + margin > workRight)
    left = workRight - margin;
  if (top < workTop)
    top = workTop;
  if (top + margin > workBottom)
    top = workBottom - margin;

  window->setGeometry(left, top, width, height);
  const Qt::WindowStates state = window->windowState();
  window->setWindowState(record->maximized ? (state | Qt::WindowMaximized) : (state & ~Qt::WindowMaximized));
  return true;
}

WindowPlacement GetWindowPlacement(const QWidget* window) {
  WindowPlacement placement;
  if (!window)
    return placement;
  QRect normal = window->normalGeometry();
  if (normal.isEmpty())
    normal = window->geometry();
  placement.x = normal.x();
  placement.y = normal.y();
  placement.width = normal.width();
  placement.height = normal.height();
  placement.maximized = window->isMaximized();
  return placement;
}
