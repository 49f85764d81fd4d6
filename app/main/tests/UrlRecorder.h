// Stands in for the desktop's browser: QDesktopServices hands it every URL
// of one scheme that the code under test opens, with the thread it came on.
#pragma once

#include <QDesktopServices>
#include <QObject>
#include <QString>
#include <QThread>
#include <QUrl>

#include <vector>

namespace tarsel::program::test {

class UrlRecorder : public QObject {
  Q_OBJECT

public:
  explicit UrlRecorder(QString scheme) : m_scheme(std::move(scheme)) {
    QDesktopServices::setUrlHandler(m_scheme, this, "open");
  }
  ~UrlRecorder() override { QDesktopServices::unsetUrlHandler(m_scheme); }

  std::vector<QUrl> urls;
  std::vector<QThread*> threads;

public slots:
  void open(const QUrl& url) {
    urls.push_back(url);
    threads.push_back(QThread::currentThread());
  }

private:
  QString m_scheme;
};

} // namespace tarsel::program::test
