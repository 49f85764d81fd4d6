#include "app/ui/ExtComboBox.h"

#include "app/ui/ResText.h"

#include <QSizePolicy>

CExtComboBox::CExtComboBox(UINT textId, QWidget* parent) : QComboBox(parent), m_textId(textId) {
  // Hidden behind its stand-in, the box still holds its place in a layout,
  // so the stand-in can take exactly its rectangle.
  QSizePolicy policy = sizePolicy();
  policy.setRetainSizeWhenHidden(true);
  setSizePolicy(policy);
}

CExtComboBox::~CExtComboBox() {
  // The stand-in is a sibling; the parent may have deleted it already.
  delete m_placeholderBox.data();
}

void CExtComboBox::ShowUnavailable(bool unavailable) {
  if (!unavailable) {
    if (m_placeholderBox)
      m_placeholderBox->hide();
    setEnabled(true);
    show();
    return;
  }
  if (!m_placeholderBox) {
    m_placeholderBox = new QComboBox(parentWidget());
    m_placeholderBox->setEnabled(false);
    m_placeholderBox->setFont(font());
    m_placeholderBox->addItem(tarsel::ui::ResText(m_textId));
    m_placeholderBox->setCurrentIndex(0);
  }
  followGeometry();
  hide();
  m_placeholderBox->show();
  setEnabled(false);
}

void CExtComboBox::followGeometry() {
  if (m_placeholderBox)
    m_placeholderBox->setGeometry(geometry());
}

void CExtComboBox::moveEvent(QMoveEvent* event) {
  QComboBox::moveEvent(event);
  followGeometry();
}

void CExtComboBox::resizeEvent(QResizeEvent* event) {
  QComboBox::resizeEvent(event);
  followGeometry();
}
