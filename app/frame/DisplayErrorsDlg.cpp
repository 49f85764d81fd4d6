#include "app/frame/DisplayErrorsDlg.h"

#include "app/ui/DialogControls.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <string>

CDisplayErrorsDlg::CDisplayErrorsDlg(const std::vector<CTimedTakeError>& errors, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(tr("Errors"));
  auto* layout = new QVBoxLayout(this);
  m_list = tarsel::ui::NamedControl(new QTreeWidget(this), IDC_LIST);
  m_list->setRootIsDecorated(false);
  m_list->setHeaderLabels({tr("Date/Time"), tr("Source"), tr("Description"), tr("Error Code")});
  const int widths[] = {110, 50, 220, 75};
  for (int column = 0; column < 4; ++column)
    m_list->setColumnWidth(column, widths[column]);
  for (const CTimedTakeError& error : errors) {
    std::string time, source, description, code;
    error.GetTimeText(time);
    GetErrorSourceText(error, source);
    GetExceptionText(error, description);
    // An error that says where it arose (a schedule's line) shows that too.
    if (const char* explanation = error.Explanation(); explanation && *explanation)
      description += description.empty() ? explanation : std::string(" ") + explanation;
    GetErrorCodeText(error, code);
    auto* row = new QTreeWidgetItem(m_list);
    row->setText(0, QString::fromUtf8(time.c_str()));
    row->setText(1, QString::fromUtf8(source.c_str()));
    row->setText(2, QString::fromUtf8(description.c_str()));
    row->setText(3, QString::fromUtf8(code.c_str()));
  }
  layout->addWidget(m_list);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
  resize(500, 300);
}

CDisplayErrorsDlg::~CDisplayErrorsDlg() = default;
