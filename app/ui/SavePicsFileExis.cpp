#include "app/ui/SavePicsFileExis.h"

#include "app/ui/MessageQuestion.h"
#include "app/ui/UiGuard.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace {

QString controlName(int id) {
  return QStringLiteral("control%1").arg(id);
}

SavePicsFileExis::Hook& TestHook() {
  static SavePicsFileExis::Hook hook;
  return hook;
}

QString CutFileName(const QString& fileName) {
  if (fileName.size() <= SavePicsFileExis::kMaxFileName)
    return fileName;
  qsizetype length = SavePicsFileExis::kMaxFileName;
  // Never leave half of a character behind.
  if (fileName.at(length - 1).isHighSurrogate())
    --length;
  return fileName.left(length);
}

} // namespace

SavePicsFileExis::SavePicsFileExis(const QString& fileName, QWidget* parent)
    : QDialog(parent), m_fileName(CutFileName(fileName)) {
  setWindowTitle(QStringLiteral("File Exist"));

  // The pattern is filled in by hand: a '%' in the file name stays text.
  QString message = QStringLiteral("File with the same name (%s) exists in the destination folder. ");
  message.replace(message.indexOf(QLatin1String("%s")), 2, m_fileName);
  m_message = new QLabel(message, this);
  m_message->setObjectName(controlName(IDC_MESSAGE));
  m_message->setTextFormat(Qt::PlainText);
  m_message->setWordWrap(true);
  auto* select = new QLabel(QStringLiteral("Select one of the folliwing actions:"), this);

  auto* buttonRow = new QHBoxLayout;
  const std::pair<int, QString> answers[] = {
      {IDC_OVERWRITE, QStringLiteral("&Overwrite")},
      {IDC_SKIP, QStringLiteral("&Skip")},
      {IDC_SAVE_AS, QStringLiteral("Save &As")},
  };
  for (const auto& [id, text] : answers) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(controlName(id));
    tarsel::ui::ConnectGuarded(button, &QPushButton::clicked, this, [this, answer = id] { Answer(answer); });
    buttonRow->addWidget(button);
  }
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(controlName(tarsel::ui::IDCANCEL));
  tarsel::ui::ConnectGuarded(cancel, &QPushButton::clicked, this, [this] { reject(); });
  buttonRow->addWidget(cancel);

  m_applyBox = new QCheckBox(QStringLiteral("Apply to all &remaining pictures"), this);
  m_applyBox->setObjectName(controlName(IDC_APPLY_TO_ALL));

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_message);
  layout->addWidget(select);
  layout->addLayout(buttonRow);
  layout->addWidget(m_applyBox);
}

SavePicsFileExis::~SavePicsFileExis() = default;

int SavePicsFileExis::ShowModal() {
  if (const Hook hook = TestHook()) {
    setResult(tarsel::ui::IDCANCEL);
    tarsel::ui::Guard(this, [&] { hook(*this); });
    return result();
  }
  return exec();
}

SavePicsFileExis::Hook SavePicsFileExis::SetHook(Hook hook) {
  return std::exchange(TestHook(), std::move(hook));
}

QString SavePicsFileExis::MessageText() const {
  return m_message->text();
}

QWidget* SavePicsFileExis::GetDlgItem(int id) const {
  return findChild<QWidget*>(controlName(id));
}

void SavePicsFileExis::reject() {
  // Cancel answers nothing, so the box does not count.
  m_applyToAll = false;
  done(tarsel::ui::IDCANCEL);
}

void SavePicsFileExis::Answer(int id) {
  m_applyToAll = m_applyBox->isChecked();
  done(id);
}
