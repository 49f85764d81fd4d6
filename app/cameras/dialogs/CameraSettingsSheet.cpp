#include "app/cameras/dialogs/CameraSettingsSheet.h"

#include "app/cameras/dialogs/ICameraSettingsSource.h"
#include "app/core/ITarselCallback.h"
#include "app/core/StringIds.h"
#include "app/host/CameraWindow.h"
#include "app/ui/DialogControls.h"
#include "app/ui/ResText.h"
#include "app/ui/UiGuard.h"
#include "env/HtmlHelp.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tarsel::dialogs {

// Pages ---------------------------------------------------------------------------

CCameraSettingsPage::CCameraSettingsPage(const QString& title, QWidget* cameraWindow, const char* helpTopic)
    : m_title(title), m_helpTopic(helpTopic),
      m_calls(this, ICameraWindow::FromObject(cameraWindow), [this] { UpdateEnabled(); }) {}

CCameraSettingsPage::~CCameraSettingsPage() = default;

void CCameraSettingsPage::Create() {
  if (std::exchange(m_created, true))
    return;
  OnCreate();
}

void CCameraSettingsPage::SetModified() {
  if (m_sheet)
    m_sheet->SetModified();
}

void CCameraSettingsPage::PressCancel() {
  if (m_sheet)
    m_sheet->PressCancel();
}

void CCameraSettingsPage::ShowHelp() {
  if (!m_helpTopic)
    return;
  if (!m_help)
    m_help = std::make_unique<CHtmlHelp>();
  m_help->DisplayHelp(this, m_helpTopic);
}

void CCameraSettingsPage::RunWithStatus(std::function<std::string()> work, std::function<void()> done,
                                        std::function<void()> failed) {
  auto line = std::make_shared<std::string>();
  m_calls.Run([work = std::move(work), line] { *line = work(); },
              [this, line, done = std::move(done)] {
                m_calls.ShowStatus(*line);
                if (done)
                  done();
              },
              std::move(failed));
}

// The sheet ---------------------------------------------------------------------------

CCameraSettingsSheet::CCameraSettingsSheet(const QString& title, std::vector<CCameraSettingsPage*> pages,
                                           QWidget* parent)
    : QDialog(parent), m_pages(std::move(pages)) {
  setWindowTitle(title);
  m_tabs = new QTabWidget(this);
  for (CCameraSettingsPage* page : m_pages) {
    page->m_sheet = this;
    m_tabs->addTab(page, page->Title());
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel |
                                           QDialogButtonBox::Apply | QDialogButtonBox::Help,
                                       this);
  m_apply = buttons->button(QDialogButtonBox::Apply);
  m_apply->setEnabled(false);
  connect(buttons, &QDialogButtonBox::accepted, this, &CCameraSettingsSheet::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CCameraSettingsSheet::reject);
  tarsel::ui::ConnectGuarded(m_apply, &QPushButton::clicked, this, [this] { ApplyAll(); });
  const auto help = [this] {
    if (m_active)
      m_active->ShowHelp();
  };
  tarsel::ui::ConnectGuarded(buttons, &QDialogButtonBox::helpRequested, this, help);
  tarsel::ui::ConnectGuarded(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this,
                             help);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_tabs);
  layout->addWidget(buttons);
  tarsel::ui::UseDialogFrame(this);
}

CCameraSettingsSheet::~CCameraSettingsSheet() = default;

int CCameraSettingsSheet::Run(int firstPage) {
  if (firstPage < 0 || firstPage >= static_cast<int>(m_pages.size()))
    firstPage = 0;
  m_tabs->setCurrentIndex(firstPage);
  OnCurrentChanged(firstPage);
  tarsel::ui::ConnectGuarded(m_tabs, &QTabWidget::currentChanged, this,
                             [this](int index) { OnCurrentChanged(index); });
  return exec();
}

void CCameraSettingsSheet::RunForCamera(const char* cameraName, std::vector<CCameraSettingsPage*> pages,
                                        QWidget* window, int firstPage,
                                        std::shared_ptr<ICameraSettingsSource> source,
                                        _ITarselCallback* callback) {
  const QString title = tarsel::ui::ResText(tarsel::core::ids::IDS_ADVANCED_SETTINGS) +
                        QStringLiteral(" - ") + QString::fromUtf8(cameraName);
  CCameraSettingsSheet sheet(title, std::move(pages), window);
  sheet.Run(firstPage);
  bool monitorSwitchedOn = false;
  for (const CCameraSettingsPage* page : sheet.Pages())
    monitorSwitchedOn = monitorSwitchedOn || page->MonitorSwitchedOn();
  ICameraWindow* cameraWindow = ICameraWindow::FromObject(window);
  if (!monitorSwitchedOn || !cameraWindow)
    return;
  // A page switched the monitor on for its work: it goes off again.
  auto status = std::make_shared<std::string>();
  cameraWindow->QueueCameraCall(
      [source, status] { *status = source->StatusAfter([&] { source->MonitorOff(); }); }, window,
      [callback, status](HRESULT code) {
        if (callback && code == 0)
          callback->SetStatusText(status->c_str());
      });
}

void CCameraSettingsSheet::OnCurrentChanged(int index) {
  if (m_active)
    m_active->OnKillActive();
  m_active = index >= 0 && index < static_cast<int>(m_pages.size()) ? m_pages[static_cast<std::size_t>(index)]
                                                                    : nullptr;
  if (!m_active)
    return;
  m_active->Create();
  m_active->OnSetActive();
}

void CCameraSettingsSheet::SetModified() {
  m_apply->setEnabled(true);
}

void CCameraSettingsSheet::PressCancel() {
  reject();
}

void CCameraSettingsSheet::ApplyAll() {
  for (CCameraSettingsPage* page : m_pages)
    if (page->IsCreated())
      page->OnApply();
  m_apply->setEnabled(false);
}

void CCameraSettingsSheet::accept() {
  if (std::exchange(m_ending, true))
    return;
  tarsel::ui::Guard(this, [this] {
    if (CCameraSettingsPage* page = std::exchange(m_active, nullptr))
      page->OnKillActive();
    ApplyAll();
  });
  QDialog::accept();
}

void CCameraSettingsSheet::reject() {
  if (std::exchange(m_ending, true))
    return;
  // Each page puts its values back first; the page shown then lets go of
  // what it holds while shown.
  tarsel::ui::Guard(this, [this] {
    for (CCameraSettingsPage* page : m_pages)
      if (page->IsCreated())
        page->OnCancel();
    if (CCameraSettingsPage* page = std::exchange(m_active, nullptr))
      page->OnKillActive();
  });
  QDialog::reject();
}

} // namespace tarsel::dialogs
