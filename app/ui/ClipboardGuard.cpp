#include "app/ui/ClipboardGuard.h"

#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QThread>

namespace {

QClipboard* clipboardOfThisThread() {
  auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (!application || QThread::currentThread() != application->thread())
    return nullptr;
  return QGuiApplication::clipboard();
}

} // namespace

CClipboardGuard::CClipboardGuard(QWidget*) {
  QClipboard* clipboard = clipboardOfThisThread();
  if (!clipboard)
    throw _brantel_take_error(ERROR_ACCESS_DENIED, "The clipboard cannot be opened.");
  clipboard->clear();
  m_open = true;
}

CClipboardGuard::~CClipboardGuard() {
  // Nothing stays locked: the clipboard owns what was handed to it.
  m_open = false;
}

void CClipboardGuard::SetData(const QString& format, const QByteArray& data) {
  if (format.isEmpty())
    throw _brantel_take_error(ERROR_INVALID_PARAMETER, "No clipboard format given.");
  m_formats.emplace_back(format, data);
  publish();
}

void CClipboardGuard::SetImage(const QImage& image) {
  m_image = image;
  publish();
}

void CClipboardGuard::publish() {
  QClipboard* clipboard = clipboardOfThisThread();
  if (!m_open || !clipboard)
    throw _brantel_take_error(ERROR_ACCESS_DENIED, "The clipboard is not open.");
  auto* data = new QMimeData;
  for (const auto& [format, bytes] : m_formats)
    data->setData(format, bytes);
  if (!m_image.isNull())
    data->setImageData(m_image);
  clipboard->setMimeData(data);
}
