#include "env/ErrorReport.h"

#include "env/FormatStdString.h"
#include "platform/GuardedHook.h"

#include <cstdio>
#include <utility>

namespace {

// The installed box hook; any thread may install or call it.
tarsel::platform::GuardedHook<MessageBoxHook>& boxHook() {
  static tarsel::platform::GuardedHook<MessageBoxHook> hook;
  return hook;
}

} // namespace

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
  return boxHook().exchange(std::move(hook));
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

  const MessageBoxHook hook = boxHook().get();
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
