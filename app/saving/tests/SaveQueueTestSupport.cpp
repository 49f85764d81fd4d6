#include "SaveQueueTestSupport.h"

#include "app/host/TarselEvents.h"

namespace tarsel::saving::test {

std::atomic<int> CountedPicture::s_alive{0};

HRESULT ScriptedSaver::Save(HWND, ISaveInfo* info, IPictureFromCamera*, ITarselSettings*, BOOL queued) {
  std::unique_lock<std::mutex> lock(m_lock);
  ++m_saveCalls;
  ++m_waiting;
  m_changed.notify_all();
  m_changed.wait(lock, [this] { return m_open; });
  --m_waiting;
  HRESULT result = 0;
  if (!m_saves.empty()) {
    result = m_saves.front();
    m_saves.pop_front();
  }
  if (result == 0 && queued)
    m_saved.emplace_back(info->GetCameraId());
  m_changed.notify_all();
  return result;
}

HRESULT ScriptedSaver::ProcessError(HWND, ISaveInfo*, ITarselSettings*, _brantel_take_error*) {
  const std::lock_guard<std::mutex> guard(m_lock);
  if (m_decisions.empty())
    return m_otherwise;
  const HRESULT decision = m_decisions.front();
  m_decisions.pop_front();
  return decision;
}

void ScriptedSaver::Script(std::deque<HRESULT> saves, std::deque<HRESULT> decisions, HRESULT otherwise) {
  const std::lock_guard<std::mutex> guard(m_lock);
  m_saves = std::move(saves);
  m_decisions = std::move(decisions);
  m_otherwise = otherwise;
}

void ScriptedSaver::Hold() {
  const std::lock_guard<std::mutex> guard(m_lock);
  m_open = false;
}

void ScriptedSaver::Open() {
  const std::lock_guard<std::mutex> guard(m_lock);
  m_open = true;
  m_changed.notify_all();
}

bool ScriptedSaver::WaitUntil(const std::function<bool(int, int, std::size_t)>& condition) {
  std::unique_lock<std::mutex> lock(m_lock);
  return m_changed.wait_for(lock, std::chrono::seconds(10),
                            [&] { return condition(m_saveCalls, m_waiting, m_saved.size()); });
}

int ScriptedSaver::saveCalls() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_saveCalls;
}

int ScriptedSaver::waiting() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_waiting;
}

std::vector<std::string> ScriptedSaver::saved() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_saved;
}

bool FakeFrame::event(QEvent* event) {
  if (event->type() == WM_TARSEL_SAVE_RESULT) {
    const auto* result = static_cast<host::SaveResultEvent*>(event);
    results.emplace_back(result->kind(), result->code());
    return true;
  }
  if (event->type() == WM_TARSEL_SAVE_QUEUE_LENGTH) {
    lengths.push_back(static_cast<SaveQueueLengthEvent*>(event)->length());
    return true;
  }
  return QObject::event(event);
}

} // namespace tarsel::saving::test
