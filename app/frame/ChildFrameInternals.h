// Shared by the sources of the camera window (CChildFrame): string ids,
// the worker's status codes and small helpers. Not for other users.
#pragma once

#include "app/core/ResString.h"
#include "hostapi/IPictureFromCamera.h"
#include "env/BrantelTakeError.h"
#include "env/FormatStdString.h"
#include "hostapi/Win32Types.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>

namespace tarsel::frame::detail {

// Status messages of pane 0.
inline constexpr UINT kIdsReady = 57345;
inline constexpr UINT kIdsError = 61225;
inline constexpr UINT kIdsConnecting = 61226;
inline constexpr UINT kIdsDecompressing = 32842;
inline constexpr UINT kIdsRotating = 32843;
inline constexpr UINT kIdsCameraDisconnected = 32844;
// Pane texts and questions.
inline constexpr UINT kIdsPictureOf = 61263;
inline constexpr UINT kIdsLoading = 61264;
inline constexpr UINT kIdsConnectTimeWarning = 130;
inline constexpr UINT kIdsDeleteSeries = 131;
inline constexpr UINT kIdsDeletePicture = 132;
inline constexpr UINT kIdsCapabilitiesUnknown = 144;
inline constexpr UINT kIdsSaveBeforeClosing = 61278;
inline constexpr UINT kIdsLcdAndPreview = 61283;
inline constexpr UINT kIdsSwitchingToLcdCamera = 61303;

inline constexpr HRESULT kUnexpected = static_cast<HRESULT>(0x8000FFFFu);
inline constexpr HRESULT kFailed = static_cast<HRESULT>(0x80004005u);

// Status codes of the camera jobs.
enum : std::int32_t {
  StatusPictureTaken = 0,
  StatusSynchronizedPicture = 1,
  StatusLoading = 3,
  StatusMessage = 4,
  StatusBattery = 5,
  StatusJobEnded = 6,
  StatusRepeatShot = 7,
  StatusJobFailed = 10000,
  StatusSynchronizedFailed = 10001,
};

inline QString ResText(UINT id) {
  return QString::fromUtf8(CResString(id).c_str());
}

inline QString FormatPictureOf(long number, long count) {
  std::string text;
  FormatStdString(text, CResString(kIdsPictureOf).c_str(), number, count);
  return QString::fromUtf8(text.c_str());
}

// A wait cursor for one scope, restored on every path.
class WaitCursor {
public:
  WaitCursor() : m_set(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
    if (m_set)
      QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  }
  ~WaitCursor() {
    if (m_set)
      QGuiApplication::restoreOverrideCursor();
  }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

private:
  bool m_set;
};

// A dialog operation's result: positive values are the dialog's own answers.
inline void ThrowIfDialogFailed(HRESULT code) {
  if (FAILED(code))
    ThrowError(code);
}

inline bool HoldsEncodedData(IPictureFromCamera* picture) {
  const std::shared_ptr<const IPictureFromCamera::Bytes> bytes = picture->GetDataSnapshot();
  return bytes && !bytes->empty();
}

} // namespace tarsel::frame::detail
