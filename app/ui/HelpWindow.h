// The program's own help window: the help pages shown in a rich-text
// browser, with their links, Back, Forward and the contents page. One window
// per program, made on the first request and reused (and raised) for the
// next topic. While a modal dialog is open the window belongs to it, so its
// links and buttons can still be used; when that dialog closes the window
// stands alone again.
//
// A page that cannot be shown (missing, unreadable, not a local file) is
// reported in a box naming it, and the window keeps what it showed.
// User-interface thread only.
#pragma once

#include "env/HtmlHelp.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>

class QTextBrowser;
class QToolButton;

namespace tarsel::ui {

class HelpWindow : public QWidget {
  Q_OBJECT

public:
  // The help folder's contents page is `contents`.
  explicit HelpWindow(QUrl contents);
  ~HelpWindow() override;

  // Shows `page` (a file URL, optionally with a fragment) in the program's
  // help window, making the window when there is none; `parent` owns the
  // box that reports a page that cannot be shown. False when it could not.
  static bool Display(QWidget* parent, const QUrl& page);
  // The display hook of CHtmlHelp that shows its pages with Display, for a
  // program whose help is asked on the user-interface thread only.
  static HelpDisplayHook DisplayHook();
  // The program's help window; null before the first Display and after it closed.
  static HelpWindow* Instance();

  // Shows `page` in this window, adding it to the history; false (and the
  // box) when it cannot be shown.
  bool showPage(const QUrl& page, QWidget* boxParent = nullptr);
  QTextBrowser* browser() const { return m_browser; }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void followLink(const QUrl& link);
  void updateTitle();
  // Belongs to the active modal dialog, if any, so that it takes input.
  void attachToModalDialog();
  void standAlone();

  const QUrl m_contents;
  QTextBrowser* m_browser = nullptr;
  QToolButton* m_back = nullptr;
  QToolButton* m_forward = nullptr;
  QPointer<QWidget> m_owner;
};

} // namespace tarsel::ui
