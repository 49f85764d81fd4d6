// The Qt side of TarselEnv's hooks, installed for as long as the object
// lives: ReportError's box becomes a QMessageBox and CHtmlHelp's pages show
// in the program's help window (tarsel::ui::HelpWindow).
//
// Threads: construct and destroy on the user-interface thread. The hooks may
// be called from any thread: on the user-interface thread they act at once
// (the box is modal there); from another thread they post the work to this
// object and return without waiting, so a worker never blocks on the user.
// Work posted after the object is gone is dropped; the box text then goes to
// standard error.
#pragma once

#include "env/ErrorReport.h"
#include "env/HtmlHelp.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace tarsel::program {

class EnvHooks : public QObject {
  Q_OBJECT

public:
  // Draws one box; empty: a modal QMessageBox.
  using ShowBox =
      std::function<void(QWidget* parent, const QString& text, const QString& caption, MessageBoxIcon icon)>;

  explicit EnvHooks(ShowBox showBox = {});
  ~EnvHooks() override;
  EnvHooks(const EnvHooks&) = delete;
  EnvHooks& operator=(const EnvHooks&) = delete;

protected:
  bool event(QEvent* event) override;

private:
  struct Shared;

  std::shared_ptr<Shared> m_shared;
  MessageBoxHook m_previousBox;
  HelpDisplayHook m_previousHelp;
};

} // namespace tarsel::program
