// Selecting a combo box item by the value stored with it. GUI thread only.
#pragma once

#include <QVariant>

class QComboBox;

// Selects the first item of `combo` whose item data (Qt::UserRole) equals
// `value`; with no such item the selection stays as it is.
void SelectComboItemByData(QComboBox* combo, const QVariant& value);
