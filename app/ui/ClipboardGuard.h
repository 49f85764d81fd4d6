// Puts data on the clipboard for one copy command: the constructor takes
// the clipboard and empties it, SetData adds one format after another, the
// destructor lets go. Failures throw _brantel_take_error with a Win32 code:
// 5 when there is no clipboard to take (no GUI application, or not called
// on its thread), 87 for an empty format. GUI thread only.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <utility>
#include <vector>

class QWidget;

class CClipboardGuard {
public:
  explicit CClipboardGuard(QWidget* window);
  ~CClipboardGuard();
  CClipboardGuard(const CClipboardGuard&) = delete;
  CClipboardGuard& operator=(const CClipboardGuard&) = delete;

  // Offers `data` as the MIME type `format`, beside what was set before.
  void SetData(const QString& format, const QByteArray& data);
  // Offers a picture in the image formats of the desktop.
  void SetImage(const QImage& image);

  bool isOpen() const { return m_open; }

private:
  void publish();

  bool m_open = false;
  std::vector<std::pair<QString, QByteArray>> m_formats;
  QImage m_image;
};
