// The folder chooser of the options page and the series dialog, started at
// the current text and titled "Select folder where pictures will be saved".
// User-interface thread only.
#pragma once

#include <QString>

class QWidget;

namespace tarsel::filesaver {

// The chosen folder, or `current` unchanged when the user chose none.
QString BrowseForFolder(QWidget* parent, const QString& current);

} // namespace tarsel::filesaver
