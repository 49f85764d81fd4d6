#include "app/frame/PropertySheetMy.h"

#include "app/core/StringIds.h"
#include "app/frame/PageOptionsBracketing.h"
#include "app/frame/PageOptionsGeneral.h"
#include "app/frame/PageOptionsImageProcessing.h"
#include "app/frame/PageOptionsSavingPictures.h"
#include "app/saving/SaveDllList.h"
#include "app/saving/SaveDllWrapper.h"
#include "app/ui/DialogControls.h"
#include "app/ui/ResText.h"
#include "app/ui/UiGuard.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// The page shown last; lives for the program's run only.
std::int32_t g_lastPage = 0;

bool HasMethod(QWidget* page, const char* signature) {
  return page->metaObject()->indexOfMethod(signature) >= 0;
}

} // namespace

CPropertySheetMy::CPropertySheetMy(ITarselSettings* settings, CSaveDllList* savers, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(tarsel::ui::ResText(tarsel::core::ids::IDS_OPTIONS));
  auto* layout = new QVBoxLayout(this);
  tarsel::ui::UseDialogFrame(this);
  m_tabs = new QTabWidget(this);
  // The sheet is as wide as its row of tabs: every page's tab shows whole.
  m_tabs->setUsesScrollButtons(false);
  layout->addWidget(m_tabs);
  m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply |
                                       QDialogButtonBox::Help,
                                   this);
  m_buttons->button(QDialogButtonBox::Apply)->setEnabled(false);
  layout->addWidget(m_buttons);

  // Each page takes its index from the page count as it is made.
  AddPage(new CPageOptionsGeneral(settings, this), {});
  AddPage(new CPageOptionsImageProcessing(settings, this), {});
  AddPage(new CPageOptionsSavingPictures(settings, this, savers), {});
  AddPage(new CPageOptionsBracketing(settings, this), {});
  AddSaverPages(settings, savers);

  using tarsel::ui::ConnectGuarded;
  ConnectGuarded(m_buttons, &QDialogButtonBox::accepted, this, [this] {
    if (ApplyPages())
      accept();
  });
  ConnectGuarded(m_buttons, &QDialogButtonBox::rejected, this, [this] { reject(); });
  ConnectGuarded(m_buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this, [this] {
    if (ApplyPages())
      m_buttons->button(QDialogButtonBox::Apply)->setEnabled(false);
  });
  ConnectGuarded(m_buttons, &QDialogButtonBox::helpRequested, this, [this] { ShowHelp(); });
}

CPropertySheetMy::~CPropertySheetMy() = default;

void CPropertySheetMy::AddPage(QWidget* page, const QString& title) {
  m_tabs->addTab(page, title.isEmpty() ? page->windowTitle() : title);
  // The pages' signals are known by name only: the savers' pages are not our classes.
  if (page->metaObject()->indexOfSignal("changed()") >= 0)
    connect(page, SIGNAL(changed()), this, SLOT(OnPageChanged()));
  if (page->metaObject()->indexOfSignal("cancelToClose()") >= 0)
    connect(page, SIGNAL(cancelToClose()), this, SLOT(CancelToClose()));
}

void CPropertySheetMy::OnPageChanged() {
  m_buttons->button(QDialogButtonBox::Apply)->setEnabled(true);
}

void CPropertySheetMy::CancelToClose() {
  m_buttons->button(QDialogButtonBox::Cancel)->setText(tr("Close"));
}

void CPropertySheetMy::AddSaverPages(ITarselSettings* settings, CSaveDllList* savers) {
  if (!savers)
    return;
  for (std::int32_t i = 0; i < savers->GetCount(); ++i) {
    CSaveDllWrapper* saver = savers->GetAt(i);
    PROPSHEETPAGE* description = nullptr;
    // Any result but 0 (a missing export, a failure) means no page for that saver.
    if (!saver || saver->PropPage(settings, this, &description) != 0 || !description || !description->page)
      continue;
    AddPage(description->page, QString::fromUtf8(description->pszTitle ? description->pszTitle : ""));
  }
}

bool CPropertySheetMy::ApplyPages() {
  for (int i = 0; i < m_tabs->count(); ++i) {
    QWidget* page = m_tabs->widget(i);
    if (!HasMethod(page, "Apply()"))
      continue;
    bool applied = false;
    QMetaObject::invokeMethod(page, "Apply", Qt::DirectConnection, Q_RETURN_ARG(bool, applied));
    if (!applied) {
      // The page said why; the user stays on it.
      m_tabs->setCurrentIndex(i);
      return false;
    }
  }
  return true;
}

void CPropertySheetMy::ShowHelp() {
  QWidget* page = m_tabs->currentWidget();
  if (page && HasMethod(page, "Help()"))
    QMetaObject::invokeMethod(page, "Help", Qt::DirectConnection);
}

void CPropertySheetMy::SelectLastPage() {
  if (g_lastPage < 0 || g_lastPage >= GetPageCount())
    g_lastPage = 0;
  m_tabs->setCurrentIndex(g_lastPage);
}

void CPropertySheetMy::OnPageActivated(std::int32_t pageIndex) {
  g_lastPage = pageIndex;
}

std::int32_t CPropertySheetMy::GetPageCount() {
  return m_tabs->count();
}

std::int32_t CPropertySheetMy::LastPage() {
  return g_lastPage;
}

namespace tarsel::frame {

int RunOptions(QWidget* parent, ITarselSettings* settings, CSaveDllList* savers) {
  CPropertySheetMy sheet(settings, savers, parent);
  sheet.SelectLastPage();
  return sheet.exec();
}

} // namespace tarsel::frame
