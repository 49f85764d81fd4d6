#include "HostTestSupport.h"

#include "platform/Win32Error.h"

#include <QCoreApplication>

#include <thread>

namespace tarsel::host::test {

bool RecordingWindow::has(std::int32_t code) const {
  for (const StatusRecord& record : *m_log) {
    if (record.code == code)
      return true;
  }
  return false;
}

std::vector<std::int32_t> RecordingWindow::codes() const {
  std::vector<std::int32_t> out;
  for (const StatusRecord& record : *m_log)
    out.push_back(record.code);
  return out;
}

bool RecordingWindow::event(QEvent* event) {
  if (event->type() != WM_TARSEL_CAMERA_STATUS)
    return QObject::event(event);
  auto* status = static_cast<CameraStatusEvent*>(event);
  m_log->push_back({status->code(), status->argument(), status->picture() != nullptr,
                    static_cast<bool>(status->ticket())});
  if (m_host && status->picture())
    m_host->AddToSeries(status->picture());
  if (status->code() == 1)
    status->ticket().Complete(status->picture() ? 0 : E_FAIL);
  else if (status->code() == 10001)
    status->ticket().Complete(static_cast<HRESULT>(status->argument()));
  return true;
}

int ResultWindow::finals() const {
  int count = 0;
  for (const auto& result : results)
    count += result.first == 0 ? 1 : 0;
  return count;
}

bool ResultWindow::event(QEvent* event) {
  if (event->type() != WM_TARSEL_SAVE_RESULT)
    return QObject::event(event);
  auto* result = static_cast<SaveResultEvent*>(event);
  results.emplace_back(result->kind(), result->code());
  if (result->kind() == 0 && onFinal)
    onFinal();
  return true;
}

} // namespace tarsel::host::test
