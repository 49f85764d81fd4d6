// A camera's modeless capture-properties dialog as its camera object holds
// it: made on first show over the source the family gives, hidden, enabled,
// told of the window's events and closed. The dialog is a child of the
// camera window; a window that goes takes the dialog along and the holder
// then holds nothing.
//
// Threads: user-interface thread. Failure: Show throws _brantel_take_error
// (ERROR_NOT_ENOUGH_MEMORY) when the dialog cannot be made.
#pragma once

#include <QPointer>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class ITarselSettings;
class QWidget;

namespace tarsel::dialogs {

class CCapturePropertiesDialog;
class ICapturePropertiesSource;

class CCapturePropertiesHolder {
public:
  using SourceMaker = std::function<std::shared_ptr<ICapturePropertiesSource>()>;
  using SettingsGetter = std::function<ITarselSettings*()>;

  // Shows the dialog at its stored place, made first (over makeSource(),
  // placement kept in settings()) when there is none; hides it for !show.
  void Show(bool show, QWidget* parent, const SourceMaker& makeSource, const SettingsGetter& settings);
  void Enable(bool enable);
  // 0 refills all, 1 the zoom, 2 resets; others change nothing.
  void Notify(std::int32_t event);
  // Ends the dialog; returns the digital zoom to give back to the camera.
  std::optional<std::int32_t> Close();

private:
  QPointer<CCapturePropertiesDialog> m_dialog;
};

} // namespace tarsel::dialogs
