// Runs a modal camera dialog made on the heap, not on the stack: a camera
// window that closes while it runs takes its child along, and the dialog is
// then not deleted a second time.
// Threads: user-interface thread.
#pragma once

#include <QPointer>

namespace tarsel::dialogs {

template <class Dialog> void RunModalDialog(Dialog* made) {
  const QPointer<Dialog> dialog = made;
  dialog->exec();
  delete dialog.data();
}

} // namespace tarsel::dialogs
