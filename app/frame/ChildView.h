// The picture view of a camera window: the current picture at the window's
// zoom with its shooting-information panel below it (landscape and square
// bitmaps) or to its right (portrait), scroll bars for what does not fit,
// the "Disconnected!" notice while the window's camera is disconnected, and
// the window's context menus. While a focus series is shown the embedded
// focusing-images strip paints the view and takes its left-button input.
//
// The view keeps its own reference to the picture it shows; the camera
// window calls ShowPicture after every change of its current picture.
// Scroll offsets are the scroll bars' values: each bar runs from 0 to the
// overflow (content extent minus viewport size) with a page of 25 pixels, so
// an offset never outlives the overflow that allowed it.
//
// Threads: user-interface thread only. Failure: paint, mouse, wheel and
// menu handlers never let an exception out (a picture that cannot be drawn
// leaves the background); ShowPicture throws error 8 when the panel cannot
// be made.
#pragma once

#include "app/frame/FocusStrip.h"
#include "hostapi/IPictureFromCamera.h"
#include "hostapi/RefPtr.h"
#include "hostapi/Win32Types.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QPoint>
#include <QSize>

#include <cstdint>
#include <memory>

class CChildFrame;
class CPicInfoDisplayBase;
class QMenu;

class CChildView : public QAbstractScrollArea {
  Q_OBJECT

public:
  static constexpr int kScrollPage = 25;
  // The decode divisors of the window's zoom steps, largest zoom first.
  static constexpr std::uint32_t kZoomDivisors[] = {1, 2, 4};

  // `frame` is the owning camera window (not owned, outlives the view).
  explicit CChildView(CChildFrame* frame, QWidget* parent = nullptr);
  ~CChildView() override;

  // The background of every camera window's view, a COLORREF (0x00BBGGRR)
  // kept program-wide; the frame sets it from the user's settings.
  static void SetBackgroundColor(DWORD colorRef);
  static DWORD BackgroundColor();

  // Shows the picture (null: nothing). While the focus strip is shown the
  // strip takes the picture as its sample (once per series); otherwise the
  // strip drops its sample. resetScroll starts at the top left; otherwise
  // the offsets are kept as far as the new extent allows.
  void ShowPicture(IPictureFromCamera* picture, bool resetScroll);
  IPictureFromCamera* Picture() const { return m_picture.get(); }
  // The content extent: the strip's while it is shown, else the picture
  // and its panel; 0 without a picture or panel.
  std::int32_t GetImageWidth(IPictureFromCamera* picture) const;
  std::int32_t GetImageHeight(IPictureFromCamera* picture) const;
  // The panel of the shown picture, or null.
  CPicInfoDisplayBase* Overlay() const { return m_overlay.get(); }
  void ResetScroll();
  // The divisor of the largest zoom step at which the shown picture and its
  // panel fit the whole view; the smallest step's when none fits. The panel
  // is measured as made for the bitmap shown now, which is exact for every
  // divisor up to the bitmap's own.
  std::uint32_t FittingDivisor() const;
  // Fits the scroll bars to a content extent after a size change: the
  // offsets shrink so that no empty band opens where content could be.
  void EnsureVisible(std::int32_t width, std::int32_t height);
  QPoint ScrollOffset() const;

  CFocusStrip& FocusStrip() { return m_focusStrip; }
  bool IsFocusStripShown() const { return m_focusStrip.IsSeriesShown(); }
  void ShowFocusStrip(bool shown) { m_focusStrip.ShowSeries(shown); }
  // Command 32822: saves the focus series into a folder the user chooses.
  void SaveAllFocusingImages();

  // The context menu for the window's state now; its actions run the
  // camera window's commands.
  std::unique_ptr<QMenu> CreateContextMenu();
  CChildFrame* Frame() const { return m_frame; }

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
  // The extent of what the view shows now.
  QSize ContentSize() const;
  QSize Extent(IPictureFromCamera* picture) const;
  QSize OverlaySize() const;
  // The extent of a bitmap with the panel below it or to its right.
  static QSize Beside(QSize bitmap, QSize overlay, bool below);
  bool OverlayBelow(IPictureFromCamera* picture) const;
  void UpdateScrollBars(QSize extent);
  void PaintPicture(QPainter& painter);
  void PaintDisconnected(QPainter& painter);
  void ShowContextMenu(const QPoint& globalPosition);
  using StripHandler = void (CFocusStrip::*)(QPoint, std::int32_t, std::int32_t);
  // Hands a mouse event to the strip while it is shown, under the view's guard.
  void ToStrip(QMouseEvent* event, StripHandler handler);

  CChildFrame* m_frame;
  CRefPtr<IPictureFromCamera> m_picture;
  std::unique_ptr<CPicInfoDisplayBase> m_overlay;
  CFocusStrip m_focusStrip;
  QFont m_font;
};
