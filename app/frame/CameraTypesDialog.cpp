#include "app/frame/CameraTypesDialog.h"

#include "app/core/ISdkPropertyPage.h"
#include "app/core/StringIds.h"
#include "app/ui/ResText.h"

#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tarsel::frame {

CameraTypesDialog::CameraTypesDialog(const std::vector<ISdkPropertyPage*>& pages, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(tarsel::ui::ResText(tarsel::core::ids::IDS_SELECT_CAMERA_MODELS));
  auto* layout = new QVBoxLayout(this);
  m_tabs = new QTabWidget(this);
  layout->addWidget(m_tabs);
  for (ISdkPropertyPage* page : pages) {
    QWidget* widget = page ? page->GetPropertyPage() : nullptr;
    if (!widget)
      continue;
    m_tabs->addTab(widget, widget->windowTitle());
    m_widgets.push_back(widget);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] { ApplyPagesAndAccept(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

CameraTypesDialog::~CameraTypesDialog() {
  for (const QPointer<QWidget>& widget : m_widgets) {
    if (!widget)
      continue;
    const int index = m_tabs->indexOf(widget);
    if (index >= 0)
      m_tabs->removeTab(index);
    widget->hide();
    widget->setParent(nullptr);
  }
}

void CameraTypesDialog::ApplyPagesAndAccept() {
  for (const QPointer<QWidget>& widget : m_widgets) {
    if (!widget || widget->metaObject()->indexOfMethod("Apply()") < 0)
      continue;
    bool applied = false;
    QMetaObject::invokeMethod(widget, "Apply", Qt::DirectConnection, Q_RETURN_ARG(bool, applied));
    if (!applied) {
      // The page reported why; the user stays on it.
      m_tabs->setCurrentWidget(widget);
      return;
    }
  }
  accept();
}

int CameraTypesDialog::PageCount() const {
  return m_tabs->count();
}

} // namespace tarsel::frame
