#include "env/ErrorReport.h"

#include "env/FormatStdString.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace {

// The installed box hook. Any thread may install or call it: the hook is
// copied under the lock and called outside it, so a box that stays open
// blocks nobody else's report or installation.
std::mutex& hookLock() {
  static std::mutex lock;
  return lock;
}

MessageBoxHook& installedHook() {
  static MessageBoxHook hook;
  return hook;
}

MessageBoxHook currentHook() {
  std::lock_guard lock(hookLock());
  return installedHook();
}

} // namespace

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
  std::lock_guard lock(hookLock());
  return std::exchange(installedHook(), std::move(hook));
}

void ReportError(const _brantel_take_error& error, HWND parent, const char* caption) {
  if (_brantel_take_error::IsSilent())
    return;

  std::string text;
  FormatStdString(text, "Error: %s(0x%02x)\n%s", error.ErrorMessage(), static_cast<unsigned>(error.Error()),
                  error.Explanation());
  const std::string title = caption ? caption : "Tarsel";
  // A warning is shown with the error icon too; only success informs.
  const MessageBoxIcon icon = error.Error() == 0 ? MessageBoxIcon::Information : MessageBoxIcon::Error;

  const MessageBoxHook hook = currentHook();
  if (hook) {
    hook(parent, text, title, icon);
    return;
  }
  std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
  std::fflush(stderr);
}

void ReportError(HRESULT code, HWND parent, _brantel_take_error* out, const char* caption) {
  const _brantel_take_error error(code, nullptr);
  ReportError(error, parent, caption ? caption : "Tarsel");
  if (out)
    *out = error;
}
