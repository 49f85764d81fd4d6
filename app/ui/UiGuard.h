// The one guard of the program's user-interface entry points: slots, event
// handlers, timers and paint handlers run their work through Guard, so no
// exception reaches the Qt event loop. A _brantel_take_error is shown with
// ReportError; anything else is shown as 0x8000FFFF (unexpected). The box is
// owned by the window given (may be null). Reporting::Quiet shows nothing, for
// a window that is being destroyed.
//
// ConnectGuarded connects a lambda to a signal with the same guard around it.
// User-interface thread only.
#pragma once

#include <QMetaObject>
#include <QObject>

#include <concepts>
#include <functional>
#include <utility>

class QWidget;

namespace tarsel::ui {

enum class Reporting { Show, Quiet };

// Runs the action; true when it ran to its end, false when it threw (and
// the error was reported).
bool Guard(QWidget* window, const std::function<void()>& action,
           Reporting reporting = Reporting::Show) noexcept;

// Runs the action and shows nothing of a failure: clean-up on paths (a
// window being destroyed) where nobody could answer a box.
inline void Quietly(const std::function<void()>& action) noexcept {
  Guard(nullptr, action, Reporting::Quiet);
}

// Reports the exception being handled, as Guard does; call only inside a catch block.
void ReportCurrentException(QWidget* window) noexcept;

template <class Sender, class Signal, class Functor>
QMetaObject::Connection ConnectGuarded(const Sender* sender, Signal signal, QWidget* context,
                                       Functor functor) {
  // Constrained, so that Qt passes only the signal's arguments the functor takes.
  return QObject::connect(
      sender, signal, context,
      [ context, functor = std::move(functor) ](
          auto&&... arguments) requires std::invocable<const Functor&, decltype(arguments)...> {
        Guard(context, [&] { functor(std::forward<decltype(arguments)>(arguments)...); });
      });
}

} // namespace tarsel::ui
