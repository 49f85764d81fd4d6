#include "app/cameras/lunet/LunetCameraInfo.h"

#include "app/cameras/dialogs/CameraInfoDlg.h"
#include "app/cameras/dialogs/RunModalDialog.h"
#include "app/cameras/lunet/LunetCall.h"
#include "app/cameras/lunet/LunetWr.h"
#include "app/host/CameraWindow.h"
#include "env/TarselFileTime.h"
#include "platform/com/OleDate.h"

#include <QWidget>

#include <memory>

using tarsel::lunet::CLunetConnection;
using tarsel::lunet::CLunetLock;
using tarsel::lunet::LunetCall;

bool CLunetCameraInfo::WallClockOfDate(double date, FILETIME* clock) {
  const std::optional<std::tm> fields = tarsel::com::FieldsFromDate(date);
  if (!fields || fields->tm_year + 1900 < 1601)
    return false;
  SYSTEMTIME st;
  st.wYear = static_cast<WORD>(fields->tm_year + 1900);
  st.wMonth = static_cast<WORD>(fields->tm_mon + 1);
  st.wDay = static_cast<WORD>(fields->tm_mday);
  st.wHour = static_cast<WORD>(fields->tm_hour);
  st.wMinute = static_cast<WORD>(fields->tm_min);
  st.wSecond = static_cast<WORD>(fields->tm_sec);
  const TarselFileTime time(st);
  if (!time.IsValid())
    return false;
  *clock = time.fileTime();
  return true;
}

bool CLunetCameraInfo::DateOfWallClock(const FILETIME& clock, double* date) {
  SYSTEMTIME st;
  TarselFileTime(clock, 0).GetSysTime(st, false);
  std::tm fields{};
  fields.tm_year = st.wYear - 1900;
  fields.tm_mon = st.wMonth - 1;
  fields.tm_mday = st.wDay;
  fields.tm_hour = st.wHour;
  fields.tm_min = st.wMinute;
  fields.tm_sec = st.wSecond;
  const std::optional<double> value = tarsel::com::DateFromFields(fields);
  if (!value)
    return false;
  *date = *value;
  return true;
}

tarsel::dialogs::CameraInfoValues CLunetCameraInfo::ReadInfo() {
  const CLunetLock lock(m_camera);
  const CLunetConnection connection(m_camera);
  // The family shows no firmware.
  return tarsel::dialogs::ReadPlainCameraInfo(*m_camera);
}

FILETIME CLunetCameraInfo::ReadClock() {
  const double date =
      LunetCall(m_camera, "GetCameraTime", [](CLunet& control) { return control.GetPropCameraTime(); });
  FILETIME clock{};
  if (!WallClockOfDate(date, &clock))
    clock = FILETIME{};
  return clock;
}

void CLunetCameraInfo::Apply(const std::optional<std::string>& cameraId,
                             const std::optional<FILETIME>& clock) {
  const CLunetLock lock(m_camera);
  const CLunetConnection connection(m_camera);
  if (cameraId)
    m_camera->SetPropCameraID(cameraId->c_str());
  double date = 0;
  if (clock && DateOfWallClock(*clock, &date))
    LunetCall(m_camera, "SetCameraTime", [date](CLunet& control) { control.SetPropCameraTime(date); });
}

HRESULT CLunetWr::ShowCameraInfo(HWND parent, _ITarselCallback* callback) {
  return tarsel::lunet::LunetResult([&] {
    auto* owner = static_cast<QWidget*>(parent);
    tarsel::dialogs::RunModalDialog(new tarsel::dialogs::CCameraInfoDlg(
        std::make_shared<CLunetCameraInfo>(this), ICameraWindow::FromObject(owner), callback, owner));
  });
}
