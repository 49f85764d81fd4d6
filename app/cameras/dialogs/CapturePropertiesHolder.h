// A camera's modeless capture-properties dialog as its camera object holds
// it: made on first show over the source the family gives, hidden, enabled,
// told of the window's events and closed. The dialog is a child of the
// camera window; a window that goes takes the dialog along and the holder
// then holds nothing.
//
// Threads: user-interface thread. Failure: each operation returns 0 or the
// code of its failure, as the camera object's operation of the same name
// does (ERROR_NOT_ENOUGH_MEMORY when the dialog cannot be made).
#pragma once

#include "platform/Win32Error.h"

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
  using ZoomGiver = std::function<void(std::int32_t digitalZoom)>;

  // Shows the dialog at its stored place, made first (over makeSource(),
  // placement kept in settings()) when there is none; hides it for !show.
  HRESULT Show(bool show, QWidget* parent, const SourceMaker& makeSource,
               const SettingsGetter& settings) noexcept;
  HRESULT Enable(bool enable) noexcept;
  // 0 refills all, 1 the zoom, 2 resets; others change nothing. The dialog
  // reads the camera on the window's worker and reports a failure itself;
  // here only the request can fail.
  HRESULT Notify(std::int32_t event) noexcept;
  // Ends the dialog and hands the digital zoom it saved to giveBack. The
  // window closes and stops its worker right after this: the zoom goes back
  // now, under the camera's lock, and a failure there changes nothing more.
  HRESULT Close(const ZoomGiver& giveBack) noexcept;

private:
  QPointer<CCapturePropertiesDialog> m_dialog;
};

} // namespace tarsel::dialogs
