// The settings pages' three-state box "Use only one of: LCD or Preview":
// checked or clear as the user's settings say, half checked where they say
// nothing (saving it so clears the setting). Control id 2027.
//
// Threads: user-interface thread. Failure: settings that cannot be opened
// read as nothing set and are not written.
#pragma once

#include <QCheckBox>

class ITarselSettings;

namespace tarsel::dialogs {

class CLcdOrPreviewBox : public QCheckBox {
public:
  explicit CLcdOrPreviewBox(QWidget* parent);

  void Load(ITarselSettings* settings);
  void Save(ITarselSettings* settings) const;
};

} // namespace tarsel::dialogs
