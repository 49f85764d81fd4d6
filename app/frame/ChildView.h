// The picture view of a camera window: a scrollable area that paints the
// decoded bitmap of the picture it was given (the image paints its failure
// panel when decoding failed) and nothing without a picture. The window
// decodes; the view only keeps a reference to the picture and paints it.
// The focusing-images strip is not part of this view: it is never shown.
//
// Threads: user-interface thread only. Failure: painting never lets an
// exception out; a picture that cannot be drawn leaves the area blank.
#pragma once

#include "hostapi/IPictureFromCamera.h"
#include "hostapi/RefPtr.h"

#include <QAbstractScrollArea>
#include <QPoint>
#include <QSize>

class CChildView : public QAbstractScrollArea {
  Q_OBJECT

public:
  explicit CChildView(QWidget* parent = nullptr);
  ~CChildView() override;

  // The background of every camera window's view, a COLORREF (0x00BBGGRR)
  // kept program-wide; the frame sets it from the user's settings.
  static void SetBackgroundColor(DWORD colorRef);
  static DWORD BackgroundColor();

  // Shows the picture (null: nothing). keepScroll keeps the scroll position
  // as far as the new bitmap allows; otherwise the view starts at the top left.
  void SetPicture(IPictureFromCamera* picture, bool keepScroll);
  IPictureFromCamera* Picture() const { return m_picture.get(); }
  // The size of the bitmap shown (empty without one).
  QSize BitmapSize() const { return m_bitmapSize; }
  QPoint ScrollPosition() const;
  void SetScrollPosition(QPoint position);
  // The focusing-images strip (not part of this view).
  bool IsFocusStripShown() const { return false; }
  void ShowFocusStrip(bool) {}

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  void UpdateScrollBars();

  CRefPtr<IPictureFromCamera> m_picture;
  QSize m_bitmapSize;
};
