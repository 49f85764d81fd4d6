#include "app/frame/PreviewWnd.h"

#include "app/core/ICameraHiLevel.h"
#include "app/frame/PreviewClosedEvent.h"
#include "app/host/TarselEvents.h"
#include "app/settings/SettingsAccess.h"
#include "app/ui/RestoreWindowPlacement.h"
#include "app/ui/UiGuard.h"
#include "hostapi/IPictureFromCamera.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <QRegion>

#include <algorithm>
#include <limits>
#include <utility>

using tarsel::settings::WindowPlacement;

namespace {

// A new window's size (picture area), also the least a restored placement
// gets: frames of any size are scaled into it, so the window never follows
// a camera's frame size and its title stays readable. It stands kAboveOwner
// above its owner's top edge, and one that would start beyond the work
// area's right or bottom edge is pulled back kPullBack inside.
constexpr QSize kInitialSize(320, 240);
constexpr int kAboveOwner = 25;
constexpr QPoint kPullBack(200, 100);

QRect ScreenRectOf(const QWidget* widget) {
  return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
}

QRect WorkAreaFor(const QWidget* widget) {
  const QScreen* screen = widget ? widget->screen() : nullptr;
  if (!screen)
    screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect();
}

} // namespace

CPreviewWnd::CPreviewWnd(QWidget* owner, QWidget* mainWindow, Options options)
    : QWidget(mainWindow,
              Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_options(std::move(options)), m_mainWindow(mainWindow), m_owner(owner) {
  setWindowTitle(QStringLiteral("Preview"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  m_placementTimer.setSingleShot(true);
  m_placementTimer.setInterval(m_options.placementDelay);
  tarsel::ui::ConnectGuarded(&m_placementTimer, &QTimer::timeout, this, [this] { StorePlacement(); });
}

CPreviewWnd::~CPreviewWnd() {
  // Whatever ends the window, the preview thread ends before it.
  tarsel::ui::Quietly([&] { Stop(); });
  if (m_placementTimer.isActive()) {
    m_placementTimer.stop();
    tarsel::ui::Quietly([&] { StorePlacement(); });
  }
}

QPoint CPreviewWnd::InitialPosition(const QRect& owner, const QRect& workArea) {
  // Edges as the exclusive right and bottom of a screen rectangle; the sum
  // is taken wide so that no rectangle can overflow it.
  const qint64 ownerRight = static_cast<qint64>(owner.x()) + owner.width();
  int left = static_cast<int>((owner.x() + ownerRight) / 2);
  int top = owner.y() - kAboveOwner;
  const int workRight = workArea.x() + workArea.width();
  const int workBottom = workArea.y() + workArea.height();
  if (left < workArea.x())
    left = workArea.x();
  else if (left > workRight)
    left = workRight - kPullBack.x();
  if (top < workArea.y())
    top = workArea.y();
  else if (top > workBottom)
    top = workBottom - kPullBack.y();
  return {left, top};
}

void CPreviewWnd::Create(bool suspended) {
  m_shown = false;
  m_suspended = suspended;
  QWidget* owner = m_owner;
  const QPoint corner = owner ? InitialPosition(ScreenRectOf(owner), WorkAreaFor(owner)) : QPoint();
  setGeometry(QRect(corner, kInitialSize));
  RestorePlacement();
  m_created = true;
  Attach();
  Start();
}

bool CPreviewWnd::Shows(const QWidget* window) const {
  return window && (window == m_owner || window == m_pendingOwner);
}

void CPreviewWnd::PostSetCamera(QWidget* owner) {
  m_pendingOwner = owner;
  QMetaObject::invokeMethod(
      this, [this, target = QPointer<QWidget>(owner)] { tarsel::ui::Quietly([&] { SetOwner(target); }); },
      Qt::QueuedConnection);
}

void CPreviewWnd::SetOwner(QWidget* owner) {
  if (m_closed)
    return;
  if (m_pendingOwner == owner)
    m_pendingOwner = nullptr;
  m_owner = owner;
  Stop();
  Attach();
  Start();
}

void CPreviewWnd::Attach() {
  m_camera = m_options.cameraOf && m_owner ? m_options.cameraOf(m_owner) : nullptr;
  if (m_camera)
    setWindowTitle(QString::fromUtf8(m_camera->GetCameraName()));
}

void CPreviewWnd::Start() {
  if (m_suspended || m_closed || !m_camera)
    return;
  {
    const std::lock_guard<std::mutex> guard(m_frameLock);
    m_stopping = false;
  }
  m_camera->StartPreview(this);
}

void CPreviewWnd::Stop() {
  {
    const std::lock_guard<std::mutex> guard(m_frameLock);
    m_stopping = true;
  }
  // Outside the lock: the preview thread may be waiting for it, and
  // StopPreview waits for that thread.
  if (m_camera)
    m_camera->StopPreview();
}

void CPreviewWnd::Suspend(bool suspend) {
  if (suspend == m_suspended)
    return;
  m_suspended = suspend;
  if (suspend)
    Stop();
  else
    Start();
}

void CPreviewWnd::Close() {
  if (m_closed)
    return;
  m_closed = true;
  tarsel::ui::Quietly([&] { Stop(); });
  // From here on the window leaves the camera alone: another window may
  // run its preview before this one is destroyed.
  m_camera = nullptr;
  CRefPtr<IPictureFromCamera> dropped;
  {
    const std::lock_guard<std::mutex> guard(m_frameLock);
    dropped = std::move(m_frame);
  }
  dropped.Release();
  if (m_placementTimer.isActive()) {
    m_placementTimer.stop();
    tarsel::ui::Quietly([&] { StorePlacement(); });
  }
  hide();
  if (m_mainWindow)
    QCoreApplication::postEvent(m_mainWindow, new tarsel::frame::PreviewClosedEvent(
                                                  this, tarsel::frame::PreviewClosedEvent::kClosedItself));
}

std::int32_t CPreviewWnd::Rotation() const {
  const auto user = tarsel::settings::OpenUserSettings(m_options.settings, true);
  const DWORD rotation = user ? user->GetRotation() : 0;
  return rotation >= 1 && rotation <= 3 ? static_cast<std::int32_t>(rotation) : 0;
}

bool CPreviewWnd::OnPreviewFrame(IPictureFromCamera* frame) {
  try {
    {
      const std::lock_guard<std::mutex> guard(m_frameLock);
      if (m_stopping)
        return false;
    }
    if (!frame)
      return true;
    ++m_framesReceived;
    CRefPtr<IPictureFromCamera> held(frame);
    // The decode (or turn) runs outside the lock, so painting never waits for it.
    if (const std::int32_t rotation = Rotation())
      frame->Rotate(rotation, true);
    else
      frame->Decode(1, 1);
    // A frame that does not decode is dropped; the last good one stays.
    if (!frame->HasBitmap())
      return true;
    CRefPtr<IPictureFromCamera> previous;
    const std::lock_guard<std::mutex> guard(m_frameLock);
    if (m_stopping)
      return false;
    previous = std::exchange(m_frame, std::move(held));
    ++m_frameSerial;
    // One announcement per burst: later frames replace this one until the
    // window has taken it. Posted under the lock, so no announcement
    // follows a Stop.
    if (!std::exchange(m_frameAnnounced, true))
      tarsel::host::PostToUserInterfaceThread(this, new QEvent(WM_TARSEL_PREVIEW_FRAME));
    return true;
  } catch (...) {
    const std::lock_guard<std::mutex> guard(m_frameLock);
    return !m_stopping;
  }
}

void CPreviewWnd::OnFrame() {
  tarsel::ui::Quietly([&] {
    CRefPtr<IPictureFromCamera> frame;
    {
      const std::lock_guard<std::mutex> guard(m_frameLock);
      m_frameAnnounced = false;
      frame = m_frame;
    }
    if (!frame || m_closed)
      return;
    if (!m_shown) {
      m_shown = true;
      show();
    }
    repaint();
  });
}

bool CPreviewWnd::event(QEvent* event) {
  if (event->type() == WM_TARSEL_PREVIEW_FRAME) {
    OnFrame();
    return true;
  }
  const bool handled = QWidget::event(event);
  if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
    PlacementChanged();
  return handled;
}

void CPreviewWnd::paintEvent(QPaintEvent*) {
  tarsel::ui::Quietly([&] {
    CRefPtr<IPictureFromCamera> frame;
    std::uint64_t serial = 0;
    {
      const std::lock_guard<std::mutex> guard(m_frameLock);
      frame = m_frame;
      serial = m_frameSerial;
    }
    QPainter painter(this);
    const QRect target = frame ? FitPicture(FrameSize(frame.get()), rect()) : QRect();
    if (target.isEmpty()) {
      painter.fillRect(rect(), Qt::black);
      return;
    }
    // Only the band around the picture: the picture covers the rest.
    const QRegion around = QRegion(rect()).subtracted(QRegion(target));
    for (const QRect& band : around)
      painter.fillRect(band, Qt::black);
    // The frame is no longer changed once it is current: drawn outside the lock.
    const QSize picture = FrameSize(frame.get());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.translate(target.topLeft());
    painter.scale(static_cast<double>(target.width()) / picture.width(),
                  static_cast<double>(target.height()) / picture.height());
    frame->Draw(&painter, 0, 0, 0, 0, -1, -1);
    if (serial != m_paintedSerial) {
      m_paintedSerial = serial;
      ++m_framesPainted;
    }
  });
}

QSize CPreviewWnd::FrameSize(IPictureFromCamera* frame) {
  const auto side = [](DWORD length) {
    return static_cast<int>(std::min<DWORD>(length, std::numeric_limits<int>::max()));
  };
  return {side(frame->GetBitmapWidth()), side(frame->GetBitmapHeight())};
}

QRect CPreviewWnd::FitPicture(const QSize& picture, const QRect& area) {
  if (picture.isEmpty() || area.isEmpty())
    return {};
  const QSize fitted = picture.scaled(area.size(), Qt::KeepAspectRatio);
  if (fitted.isEmpty())
    return {};
  return QRect(area.x() + (area.width() - fitted.width()) / 2,
               area.y() + (area.height() - fitted.height()) / 2, fitted.width(), fitted.height());
}

QRect CPreviewWnd::PictureRect() const {
  CRefPtr<IPictureFromCamera> frame;
  {
    const std::lock_guard<std::mutex> guard(m_frameLock);
    frame = m_frame;
  }
  return frame ? FitPicture(FrameSize(frame.get()), rect()) : QRect();
}

void CPreviewWnd::closeEvent(QCloseEvent* event) {
  // The main frame ends the window's life when it hears of the closing.
  event->ignore();
  tarsel::ui::Quietly([&] { Close(); });
}

void CPreviewWnd::PlacementChanged() {
  // Stored once the window rests, not for every step of a drag.
  if (m_created && !m_closed)
    m_placementTimer.start();
}

void CPreviewWnd::RestorePlacement() {
  const auto params = tarsel::settings::OpenPersistentParams(m_options.settings, true);
  if (!params)
    return;
  BYTE bytes[WindowPlacement::kRecordSize] = {};
  DWORD size = sizeof bytes;
  if (params->GetLastPreviewWndPlace(bytes, &size) != 0)
    return;
  auto record = WindowPlacement::fromBytes(bytes, size);
  if (!record)
    return;
  // Restored hidden: the window shows itself with its first frame.
  record->maximized = false;
  const auto restored = record->toBytes();
  RestoreWindowPlacement(this, restored.data(), static_cast<DWORD>(restored.size()), false);
  // A placement stored while the window followed tiny frames is grown back.
  resize(QWidget::size().expandedTo(kInitialSize));
}

void CPreviewWnd::StorePlacement() {
  const auto params = tarsel::settings::OpenPersistentParams(m_options.settings, false);
  if (!params)
    return;
  const auto bytes = GetWindowPlacement(this).toBytes();
  params->SetLastPreviewWndPlace(bytes.data(), static_cast<DWORD>(bytes.size()));
}
