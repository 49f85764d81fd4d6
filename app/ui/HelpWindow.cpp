#include "app/ui/HelpWindow.h"

#include "app/ui/MessageQuestion.h"
#include "app/ui/UiGuard.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

namespace tarsel::ui {
namespace {

QPointer<HelpWindow>& instance() {
  static QPointer<HelpWindow> window;
  return window;
}

void deleteInstance() {
  delete instance().data();
}

QUrl contentsPage() {
  return QUrl::fromLocalFile(QString::fromStdString(CHtmlHelp::HelpFolder()) + QStringLiteral("/index.html"));
}

// The reason a page cannot be shown; empty when it can.
QString pageProblem(const QUrl& page) {
  if (!page.isLocalFile())
    return QStringLiteral("it is not a file of the help folder");
  const QFileInfo file(page.toLocalFile());
  if (!file.exists())
    return QStringLiteral("the file does not exist");
  if (!file.isFile() || !file.isReadable())
    return QStringLiteral("the file cannot be read");
  return {};
}

QString pageName(const QUrl& page) {
  return page.isLocalFile() ? QDir::toNativeSeparators(page.toLocalFile())
                            : page.toDisplayString(QUrl::RemoveFragment);
}

void reportPage(QWidget* parent, const QUrl& page, const QString& problem) {
  AskUser(parent, QStringLiteral("Cannot show the help page %1: %2.").arg(pageName(page), problem),
          Buttons::Ok, Icon::Error);
}

QToolButton* makeButton(QWidget* parent, const QString& text) {
  auto* button = new QToolButton(parent);
  button->setText(text);
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  return button;
}

} // namespace

HelpWindow::HelpWindow(QUrl contents) : QWidget(nullptr, Qt::Window), m_contents(std::move(contents)) {
  auto* contentsButton = makeButton(this, QStringLiteral("&Contents"));
  m_back = makeButton(this, QStringLiteral("&Back"));
  m_forward = makeButton(this, QStringLiteral("&Forward"));
  m_back->setEnabled(false);
  m_forward->setEnabled(false);
  m_browser = new QTextBrowser(this);
  // Links are followed here, so that a link to a missing page is reported.
  m_browser->setOpenLinks(false);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(contentsButton);
  buttons->addWidget(m_back);
  buttons->addWidget(m_forward);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(m_browser);

  ConnectGuarded(contentsButton, &QToolButton::clicked, this, [this] { showPage(m_contents, this); });
  ConnectGuarded(m_back, &QToolButton::clicked, this, [this] { m_browser->backward(); });
  ConnectGuarded(m_forward, &QToolButton::clicked, this, [this] { m_browser->forward(); });
  connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QWidget::setEnabled);
  connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QWidget::setEnabled);
  ConnectGuarded(m_browser, &QTextBrowser::anchorClicked, this,
                 [this](const QUrl& link) { followLink(link); });
  ConnectGuarded(m_browser, &QTextBrowser::sourceChanged, this, [this] { updateTitle(); });
  updateTitle();
  resize(760, 600);
}

HelpWindow::~HelpWindow() {
  if (m_owner)
    m_owner->removeEventFilter(this);
}

bool HelpWindow::Display(QWidget* parent, const QUrl& page) {
  HelpWindow* window = instance();
  const bool made = !window;
  if (made) {
    // A page that cannot be shown makes no empty window.
    if (const QString problem = pageProblem(page); !problem.isEmpty()) {
      reportPage(parent, page, problem);
      return false;
    }
    window = new HelpWindow(contentsPage());
    instance() = window;
    static const bool cleanUpAdded = [] {
      qAddPostRoutine(deleteInstance);
      return true;
    }();
    (void)cleanUpAdded;
  }
  if (!window->showPage(page, parent))
    return false;
  window->attachToModalDialog();
  window->show();
  window->raise();
  window->activateWindow();
  return true;
}

HelpDisplayHook HelpWindow::DisplayHook() {
  return [](HWND parent, const std::string& url) {
    Display(static_cast<QWidget*>(parent), QUrl(QString::fromStdString(url)));
  };
}

HelpWindow* HelpWindow::Instance() {
  return instance();
}

bool HelpWindow::showPage(const QUrl& page, QWidget* boxParent) {
  if (const QString problem = pageProblem(page); !problem.isEmpty()) {
    reportPage(boxParent ? boxParent : this, page, problem);
    return false;
  }
  m_browser->setSource(page);
  return true;
}

void HelpWindow::followLink(const QUrl& link) {
  const QUrl target = m_browser->source().resolved(link);
  if (!target.isLocalFile() && !target.scheme().isEmpty()) {
    // Pages of the web open in the desktop's browser.
    QDesktopServices::openUrl(target);
    return;
  }
  showPage(target, this);
}

void HelpWindow::updateTitle() {
  const QString title = m_browser->documentTitle();
  setWindowTitle(title.isEmpty() ? QStringLiteral("Help") : QStringLiteral("Help: %1").arg(title));
}

void HelpWindow::attachToModalDialog() {
  QWidget* modal = QApplication::activeModalWidget();
  if (modal == this || modal == m_owner)
    return;
  if (!modal) {
    standAlone();
    return;
  }
  const QRect place = geometry();
  if (m_owner)
    m_owner->removeEventFilter(this);
  m_owner = modal;
  setParent(modal, Qt::Window);
  setGeometry(place);
  modal->installEventFilter(this);
}

void HelpWindow::standAlone() {
  if (!m_owner)
    return;
  m_owner->removeEventFilter(this);
  m_owner = nullptr;
  const bool wasVisible = isVisible();
  const QRect place = geometry();
  setParent(nullptr, Qt::Window);
  setGeometry(place);
  if (wasVisible)
    show();
}

bool HelpWindow::eventFilter(QObject* watched, QEvent* event) {
  // The dialog that owns the window closes: keep the window, on its own.
  if (watched == m_owner && event->type() == QEvent::Hide)
    Quietly([this] { standAlone(); });
  return QWidget::eventFilter(watched, event);
}

} // namespace tarsel::ui
