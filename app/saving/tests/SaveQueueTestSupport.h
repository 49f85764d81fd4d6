// A saver whose answers the test scripts and whose saves wait behind a gate
// the test opens; pictures that count how many of them are alive; a frame
// stand-in that records what the save queue posts and asks.
#pragma once

#include "app/host/TarselEvents.h"
#include "app/pictures/PictureFromCamera.h"
#include "app/saving/SaveDllWrapper.h"
#include "app/saving/SaveOutcomeEvent.h"
#include "app/saving/SaveThread.h"

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace tarsel::saving::test {

class CountedPicture : public CPictureFromCamera {
public:
  CountedPicture() { ++alive; }
  ~CountedPicture() override { --alive; }
  const char* GetExtension() override { return ".JPG"; }
  static inline std::atomic<int> alive{0};
};

class ScriptedSaver : public CSaveDllWrapper {
public:
  // Saves answer the scripted results (then 0), ProcessError the scripted
  // decisions (then `otherwise`).
  void Script(std::deque<HRESULT> saves, std::deque<HRESULT> decisions, HRESULT otherwise = 0) {
    const std::lock_guard<std::mutex> guard(m_lock);
    m_saves = std::move(saves);
    m_decisions = std::move(decisions);
    m_otherwise = otherwise;
  }
  void Hold() { SetOpen(false); }
  void Open() { SetOpen(true); }
  // Waits (at most 10 s) until the condition holds for (save calls, saves
  // waiting at the gate, camera names of the pictures saved).
  bool WaitUntil(const std::function<bool(int, int, const std::vector<std::string>&)>& condition) {
    std::unique_lock<std::mutex> lock(m_lock);
    return m_changed.wait_for(lock, std::chrono::seconds(10),
                              [&] { return condition(m_calls, m_waiting, m_saved); });
  }
  std::vector<std::string> saved() {
    const std::lock_guard<std::mutex> guard(m_lock);
    return m_saved;
  }

  HRESULT Save(HWND, ISaveInfo* info, IPictureFromCamera*, ITarselSettings*, BOOL queued) override {
    std::unique_lock<std::mutex> lock(m_lock);
    ++m_calls;
    ++m_waiting;
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return m_open || m_aborted; });
    --m_waiting;
    if (!m_open) {
      m_changed.notify_all();
      return kSaverCancelled;
    }
    const HRESULT result = Next(m_saves, 0);
    if (result == 0 && queued)
      m_saved.emplace_back(info->GetCameraId());
    m_changed.notify_all();
    return result;
  }
  // From now on an abort ends a held save unsaved, as a saver that cuts its
  // connection does; by default an abort is ignored (a plug-in without
  // SavAbort).
  void HonourAbort() {
    const std::lock_guard<std::mutex> guard(m_lock);
    m_abortable = true;
  }
  void Abort() noexcept override {
    const std::lock_guard<std::mutex> guard(m_lock);
    m_aborted = m_abortable;
    m_changed.notify_all();
  }
  HRESULT ProcessError(HWND, ISaveInfo*, ITarselSettings*, _brantel_take_error*) override {
    const std::lock_guard<std::mutex> guard(m_lock);
    return Next(m_decisions, m_otherwise);
  }

private:
  static HRESULT Next(std::deque<HRESULT>& script, HRESULT otherwise) {
    if (script.empty())
      return otherwise;
    const HRESULT next = script.front();
    script.pop_front();
    return next;
  }
  void SetOpen(bool open) {
    const std::lock_guard<std::mutex> guard(m_lock);
    m_open = open;
    m_changed.notify_all();
  }

  std::mutex m_lock;
  std::condition_variable m_changed;
  bool m_open = true;
  bool m_aborted = false;
  bool m_abortable = false;
  int m_waiting = 0;
  int m_calls = 0;
  std::deque<HRESULT> m_saves;
  std::deque<HRESULT> m_decisions;
  HRESULT m_otherwise = 0;
  std::vector<std::string> m_saved;
};

class FakeFrame : public QObject, public ISaveThreadSite {
public:
  CSaveDllWrapper* ChooseSaver() override { return saver; }
  void ReportError(HRESULT code) override { reported.push_back(code); }
  void SetReadyStatus() override { ++ready; }
  bool GetAutoSaveAfterTaking() override { return autoSave; }

  CSaveDllWrapper* saver = nullptr;
  bool autoSave = false;
  std::vector<HRESULT> reported;
  int ready = 0;
  // Posted results as (kind, code), the outcomes of the jobs as the frame
  // sees them, and the queue lengths posted.
  std::vector<std::pair<std::int32_t, HRESULT>> results;
  std::vector<std::pair<SaveOutcome, HRESULT>> outcomes;
  std::vector<std::size_t> lengths;

protected:
  bool event(QEvent* event) override {
    if (event->type() == SaveOutcomeEvent::Type()) {
      const auto* outcome = static_cast<SaveOutcomeEvent*>(event);
      outcomes.emplace_back(outcome->outcome(), outcome->code());
      return true;
    }
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
};

} // namespace tarsel::saving::test
