// A static text drawn as a link: the dialog's font underlined at normal
// weight, in the palette's link colour, with the hand cursor over it. A left
// click (on the button's release) opens the link's address with the desktop's
// browser. User-interface thread only.
#pragma once

#include <QLabel>
#include <QUrl>

class CStaticLink : public QLabel {
  Q_OBJECT

public:
  CStaticLink(const QString& text, const QUrl& url, QWidget* parent = nullptr);

  const QUrl& url() const { return m_url; }

protected:
  void changeEvent(QEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

private:
  void applyLinkLook();

  QUrl m_url;
};
