// Answers the next file dialog of a test: as soon as a QFileDialog is the
// active modal widget, `answer` gets it (to choose a file and accept, or to
// reject). GUI thread only; the dialog must be shown by an event loop that
// runs timers (exec does).
#pragma once

#include <functional>

class QFileDialog;

namespace tarsel::test {

void answerNextFileDialog(const std::function<void(QFileDialog&)>& answer);

} // namespace tarsel::test
