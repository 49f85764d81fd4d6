// WM_TARSEL_PREVIEW_CLOSED: the preview window tells the main frame that it
// closed (code 1233: it closed itself; the frame ends its life). Posted on
// the user-interface thread to the main frame.
#pragma once

#include "app/frame/PreviewWnd.h"
#include "app/host/TarselEvents.h"

#include <QPointer>

#include <cstdint>

namespace tarsel::frame {

class PreviewClosedEvent : public QEvent {
public:
  static constexpr std::uintptr_t kClosedItself = 1233;

  PreviewClosedEvent(CPreviewWnd* window, std::uintptr_t code)
      : QEvent(WM_TARSEL_PREVIEW_CLOSED), m_window(window), m_code(code) {}

  // The window that closed; null when it is gone already.
  CPreviewWnd* window() const { return m_window; }
  std::uintptr_t code() const { return m_code; }

private:
  QPointer<CPreviewWnd> m_window;
  std::uintptr_t m_code;
};

} // namespace tarsel::frame
