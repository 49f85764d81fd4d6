// Message boxes of the main program that ask the user something or tell
// something, with the answers the program compares by value: 1 OK, 2 Cancel,
// 6 Yes, 7 No. A test installs a hook that answers in place of the user; the
// hook sees the text, the buttons and the icon. User-interface thread only.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace tarsel::ui {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Icon { Information, Question, Warning, Error };

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Shows the box modally and returns the answer. The box's title is the
// program's name unless a caption is given.
int AskUser(QWidget* parent, const QString& text, Buttons buttons, Icon icon, const QString& caption = {});
// The text of a string resource, as AskUser shows it.
int AskUser(QWidget* parent, unsigned stringId, Buttons buttons, Icon icon);

using AskUserHook = std::function<int(const QString& text, Buttons buttons, Icon icon)>;
// Installs a hook (empty: the real box again); returns the previous one.
AskUserHook SetAskUserHook(AskUserHook hook);

} // namespace tarsel::ui
