// A saver whose answers the test scripts and whose saves wait behind a gate
// the test opens; pictures that count how many of them are alive; a frame
// stand-in that records what the save queue posts and asks.
#pragma once

#include "app/pictures/PictureFromCamera.h"
#include "app/saving/SaveDllWrapper.h"
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
  CountedPicture() { ++s_alive; }
  ~CountedPicture() override { --s_alive; }
  const char* GetExtension() override { return ".JPG"; }
  static std::atomic<int> s_alive;
};

class ScriptedSaver : public CSaveDllWrapper {
public:
  HRESULT Save(HWND owner, ISaveInfo* info, IPictureFromCamera* picture, ITarselSettings* settings,
               BOOL queued) override;
  HRESULT ProcessError(HWND owner, ISaveInfo* info, ITarselSettings* settings,
                       _brantel_take_error* error) override;

  // Results of the next saves (then 0) and decisions (then `otherwise`).
  void Script(std::deque<HRESULT> saves, std::deque<HRESULT> decisions, HRESULT otherwise = 0);
  void Hold();
  void Open();
  // Waits (at most 10 s) until the condition holds for (save calls,
  // saves waiting at the gate, pictures saved).
  bool WaitUntil(const std::function<bool(int calls, int waiting, std::size_t saved)>& condition);
  int saveCalls();
  int waiting();
  std::vector<std::string> saved();

private:
  std::mutex m_lock;
  std::condition_variable m_changed;
  bool m_open = true;
  int m_waiting = 0;
  int m_saveCalls = 0;
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
  // Posted results as (kind, code), and the queue lengths posted.
  std::vector<std::pair<std::int32_t, HRESULT>> results;
  std::vector<std::size_t> lengths;

protected:
  bool event(QEvent* event) override;
};

} // namespace tarsel::saving::test
