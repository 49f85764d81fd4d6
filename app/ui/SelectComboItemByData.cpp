#include "app/ui/SelectComboItemByData.h"

#include <QComboBox>

void SelectComboItemByData(QComboBox* combo, const QVariant& value) {
  if (!combo)
    return;
  const int index = combo->findData(value);
  if (index >= 0)
    combo->setCurrentIndex(index);
}
