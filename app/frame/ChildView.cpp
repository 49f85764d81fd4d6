#include "app/frame/ChildView.h"

#include "app/frame/ChildFrame.h"
#include "app/frame/ChildFrameInternals.h"
#include "app/frame/CommandIds.h"
#include "app/pictures/PicInfoDisplay1.h"
#include "app/pictures/PicInfoDisplay2.h"
#include "app/ui/UiGuard.h"
#include "env/BrantelTakeError.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QRegion>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <new>
#include <span>

using namespace tarsel::frame::detail;
namespace cmd = tarsel::frame::cmd;

namespace {

// Until the settings are read the views are light green.
DWORD g_backgroundColor = 0xE6FFD7;

// A wheel turn moves the view by this part of its vertical range.
constexpr int kWheelSteps = 50;

const QColor kDisconnectedRed(250, 0, 0);

QColor BackgroundQColor() {
  const DWORD color = g_backgroundColor;
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

struct MenuItem {
  UINT id;
  const char* text;
};
using MenuGroup = std::span<const MenuItem>;

constexpr MenuItem kDialogItems[] = {
    {cmd::CaptureProperties, "Capture &Properties..."},
    {cmd::CameraInfo, "Camera I&nfo..."},
    {cmd::DetectCapabilities, "&Detect Camera Capabilities..."},
    {cmd::AdvancedSettings, "&Advanced Settings..."},
};
constexpr MenuItem kZoomItems[] = {
    {cmd::Zoom100, "Zoom Image &100%"},
    {cmd::Zoom50, "Zoom Image &50%"},
    {cmd::Zoom25, "Zoom Image &25%"},
};
constexpr MenuItem kMonitorItems[] = {{cmd::LcdOn, "&LCD On"}, {cmd::LcdOff, "LCD &Off"}};
constexpr MenuItem kRotationItems[] = {
    {cmd::RotateClockwise, "Rotate &Clockwise"},
    {cmd::RotateCounterclockwise, "Rotate Co&unterclockwise"},
};
constexpr MenuItem kSaveFocusItem[] = {{cmd::SaveAllFocusingImages, "&Save All Focusing Images"}};
constexpr MenuItem kSaveSeriesItem[] = {{cmd::SaveSeries, "Save Alll Pictures in Series..."}};
constexpr MenuItem kCancelItem[] = {{cmd::CancelBracketing, "Cancel"}};

// The context menus, as lists of groups of items.
constexpr MenuGroup kDisconnectedMenu[] = {kZoomItems, kRotationItems};
constexpr MenuGroup kFocusStripMenu[] = {kDialogItems, kSaveFocusItem, kMonitorItems};
constexpr MenuGroup kBracketingMenu[] = {kCancelItem};
constexpr MenuGroup kPictureMenu[] = {kDialogItems, kZoomItems, kMonitorItems, kRotationItems,
                                      kSaveSeriesItem};

} // namespace

CChildView::CChildView(CChildFrame* frame, QWidget* parent)
    : QAbstractScrollArea(parent), m_frame(frame), m_focusStrip(this), m_font(QStringLiteral("Arial")) {
  setFrameShape(QFrame::StyledPanel);
  setContextMenuPolicy(Qt::PreventContextMenu);
  viewport()->setContextMenuPolicy(Qt::PreventContextMenu);
  viewport()->setMouseTracking(true);
  for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()}) {
    bar->setSingleStep(1);
    bar->setPageStep(kScrollPage);
    bar->setRange(0, 0);
  }
  m_font.setPixelSize(70);
  m_font.setWeight(QFont::ExtraBold);
}

CChildView::~CChildView() = default;

void CChildView::SetBackgroundColor(DWORD colorRef) {
  g_backgroundColor = colorRef & 0xFFFFFF;
}

DWORD CChildView::BackgroundColor() {
  return g_backgroundColor;
}

void CChildView::ShowPicture(IPictureFromCamera* picture, bool resetScroll) {
  if (IsFocusStripShown())
    m_focusStrip.Build();
  else
    m_focusStrip.Release();
  if (resetScroll)
    ResetScroll();
  std::unique_ptr<CPicInfoDisplayBase> overlay;
  if (picture) {
    try {
      if (OverlayBelow(picture))
        overlay = std::make_unique<CPicInfoDisplay2>(viewport(), picture);
      else
        overlay = std::make_unique<CPicInfoDisplay1>(viewport(), picture);
    } catch (const std::bad_alloc&) {
      ThrowError(static_cast<HRESULT>(ERROR_NOT_ENOUGH_MEMORY));
    }
  }
  m_picture.Assign(picture);
  m_overlay = std::move(overlay);
  UpdateScrollBars(ContentSize());
  viewport()->update();
}

bool CChildView::OverlayBelow(IPictureFromCamera* picture) const {
  return picture->GetBitmapWidth() >= picture->GetBitmapHeight();
}

QSize CChildView::Extent(IPictureFromCamera* picture) const {
  if (IsFocusStripShown())
    return QSize(m_focusStrip.GetWidth(), m_focusStrip.GetHeight());
  if (!picture || !m_overlay)
    return QSize(0, 0);
  const QSize bitmap(BoundedExtent(picture->GetBitmapWidth()), BoundedExtent(picture->GetBitmapHeight()));
  return Beside(bitmap, OverlaySize(), OverlayBelow(picture));
}

QSize CChildView::OverlaySize() const {
  if (!m_overlay)
    return QSize(0, 0);
  return QSize(std::clamp(m_overlay->GetWidth(), 0, 1 << 20), std::clamp(m_overlay->GetHeight(), 0, 1 << 20));
}

QSize CChildView::Beside(QSize bitmap, QSize overlay, bool below) {
  if (below)
    return QSize(std::max(bitmap.width(), overlay.width()), bitmap.height() + overlay.height());
  return QSize(bitmap.width() + overlay.width(), std::max(bitmap.height(), overlay.height()));
}

std::uint32_t CChildView::FittingDivisor() const {
  const std::uint32_t smallestZoom = std::end(kZoomDivisors)[-1];
  IPictureFromCamera* picture = m_picture.get();
  // Without a bitmap the picture's own size is unknown.
  if (!picture || !picture->HasBitmap() || IsFocusStripShown())
    return smallestZoom;
  const QSize whole = maximumViewportSize();
  const std::int32_t width = BoundedExtent(picture->GetPictureWidth());
  const std::int32_t height = BoundedExtent(picture->GetPictureHeight());
  for (const std::uint32_t divisor : kZoomDivisors) {
    // A picture decoded at 1/divisor keeps every started pixel.
    const auto scaled = [divisor](std::int32_t extent) {
      return static_cast<std::int32_t>((static_cast<std::uint32_t>(extent) + divisor - 1) / divisor);
    };
    const QSize extent = Beside(QSize(scaled(width), scaled(height)), OverlaySize(), OverlayBelow(picture));
    if (extent.width() <= whole.width() && extent.height() <= whole.height())
      return divisor;
  }
  return smallestZoom;
}

std::int32_t CChildView::GetImageWidth(IPictureFromCamera* picture) const {
  return Extent(picture).width();
}

std::int32_t CChildView::GetImageHeight(IPictureFromCamera* picture) const {
  return Extent(picture).height();
}

QSize CChildView::ContentSize() const {
  return Extent(m_picture.get());
}

QPoint CChildView::ScrollOffset() const {
  return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void CChildView::ResetScroll() {
  horizontalScrollBar()->setValue(0);
  verticalScrollBar()->setValue(0);
}

void CChildView::UpdateScrollBars(QSize extent) {
  // Each bar runs over the overflow only: a position never points past the
  // content, and an overflow that shrinks or vanishes takes the offset with
  // it (the bar clamps its value to the new range). A bar shows while its
  // range is not empty, that is from one pixel of overflow. The need is
  // judged on the whole area, so that bars shown before do not keep
  // themselves alive by the room they take.
  const QSize whole = maximumViewportSize();
  const int barWidth = verticalScrollBar()->sizeHint().width();
  const int barHeight = horizontalScrollBar()->sizeHint().height();
  bool across = extent.width() > whole.width();
  bool down = extent.height() > whole.height();
  if (across && !down)
    down = extent.height() > whole.height() - barHeight;
  if (down && !across)
    across = extent.width() > whole.width() - barWidth;
  const QSize area(whole.width() - (down ? barWidth : 0), whole.height() - (across ? barHeight : 0));
  horizontalScrollBar()->setRange(0, across ? extent.width() - area.width() : 0);
  verticalScrollBar()->setRange(0, down ? extent.height() - area.height() : 0);
}

void CChildView::EnsureVisible(std::int32_t width, std::int32_t height) {
  const QPoint before = ScrollOffset();
  UpdateScrollBars(QSize(width, height));
  if (ScrollOffset() != before)
    viewport()->update();
}

void CChildView::SaveAllFocusingImages() {
  m_focusStrip.ChooseFolderAndSave(this);
}

void CChildView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  const QSize extent = ContentSize();
  EnsureVisible(extent.width(), extent.height());
}

void CChildView::scrollContentsBy(int, int) {
  // Repaint all: the notice stays centred on the window, not on the content.
  viewport()->update();
}

void CChildView::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  event->accept();
  if (delta == 0)
    return;
  QScrollBar* bar = verticalScrollBar();
  const int step = std::max(1, (bar->maximum() - bar->minimum()) / kWheelSteps);
  bar->setValue(bar->value() + (delta < 0 ? step : -step));
}

void CChildView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  // Quiet: a box from a paint handler would come back with every repaint;
  // the background is what the user sees of a picture that cannot be drawn.
  tarsel::ui::Guard(
      this,
      [&] {
        if (IsFocusStripShown()) {
          painter.fillRect(viewport()->rect(), BackgroundQColor());
          const QPoint scroll = ScrollOffset();
          m_focusStrip.Paint(&painter, scroll.x(), scroll.y());
          return;
        }
        PaintPicture(painter);
        if (m_frame && !m_frame->IsCameraConnected())
          PaintDisconnected(painter);
      },
      tarsel::ui::Reporting::Quiet);
}

void CChildView::PaintPicture(QPainter& painter) {
  IPictureFromCamera* picture = m_picture.get();
  if (!picture) {
    painter.fillRect(viewport()->rect(), BackgroundQColor());
    return;
  }
  const QPoint scroll = ScrollOffset();
  const QSize bitmap(BoundedExtent(picture->GetBitmapWidth()), BoundedExtent(picture->GetBitmapHeight()));
  const bool below = OverlayBelow(picture);
  QRect overlay;
  if (m_overlay)
    overlay = QRect(below ? QPoint(0, bitmap.height()) : QPoint(bitmap.width(), 0),
                    QSize(m_overlay->GetWidth(), m_overlay->GetHeight()));
  // The background goes only where neither the bitmap nor the panel paints.
  QRegion uncovered(viewport()->rect());
  if (picture->HasBitmap())
    uncovered -= QRect(QPoint(0, 0), bitmap).translated(-scroll);
  uncovered -= overlay.translated(-scroll);
  for (const QRect& band : uncovered)
    painter.fillRect(band, BackgroundQColor());

  picture->Draw(&painter, -scroll.x(), -scroll.y(), 0, 0, -1, -1);
  if (m_overlay)
    m_overlay->Paint(&painter, overlay.left() - scroll.x(), overlay.top() - scroll.y());
}

void CChildView::PaintDisconnected(QPainter& painter) {
  painter.save();
  painter.setFont(m_font);
  painter.setPen(kDisconnectedRed);
  painter.setBackgroundMode(Qt::TransparentMode);
  painter.drawText(viewport()->rect(), Qt::AlignCenter | Qt::TextSingleLine, QStringLiteral("Disconnected!"));
  painter.restore();
}

void CChildView::ToStrip(QMouseEvent* event, StripHandler handler) {
  if (!IsFocusStripShown())
    return;
  tarsel::ui::Guard(this, [&] {
    const QPoint scroll = ScrollOffset();
    (m_focusStrip.*handler)(event->position().toPoint(), scroll.x(), scroll.y());
  });
}

void CChildView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton)
    ToStrip(event, &CFocusStrip::OnLButtonDown);
}

void CChildView::mouseMoveEvent(QMouseEvent* event) {
  ToStrip(event, &CFocusStrip::OnMouseMove);
}

void CChildView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton)
    ShowContextMenu(event->globalPosition().toPoint());
  else if (event->button() == Qt::LeftButton)
    ToStrip(event, &CFocusStrip::OnLButtonUp);
}

void CChildView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton)
    ToStrip(event, &CFocusStrip::OnLButtonDblClk);
}

std::unique_ptr<QMenu> CChildView::CreateContextMenu() {
  std::span<const MenuGroup> groups = kPictureMenu;
  if (!m_frame->IsCameraConnected())
    groups = kDisconnectedMenu;
  else if (IsFocusStripShown())
    groups = kFocusStripMenu;
  else if (m_frame->IsBracketingRunning())
    groups = kBracketingMenu;

  auto menu = std::make_unique<QMenu>(this);
  const QPointer<CChildFrame> frame(m_frame);
  for (const MenuGroup group : groups)
    for (const MenuItem& item : group) {
      QAction* action = menu->addAction(tr(item.text));
      action->setData(static_cast<uint>(item.id));
      CCmdUI state;
      m_frame->OnUpdateCommand(item.id, &state);
      action->setEnabled(state.enabled);
      action->setCheckable(state.checked);
      action->setChecked(state.checked);
      // The window's command table runs it (and guards it) as from its menus.
      const UINT id = item.id;
      connect(action, &QAction::triggered, this, [frame, id] {
        if (frame)
          frame->OnCommand(id);
      });
    }
  return menu;
}

void CChildView::ShowContextMenu(const QPoint& globalPosition) {
  tarsel::ui::Guard(this, [&] {
    const std::unique_ptr<QMenu> menu = CreateContextMenu();
    menu->exec(globalPosition);
  });
}
