// Tells the window that queued a picture how its save ended: once, by a
// SaveOutcomeEvent posted to the window, or, when the job is deleted without
// an outcome (the queue was cleared or stopped), "dropped" on deletion. A
// window that is gone gets nothing (the EventSink drops the event), and its
// picture simply stays where it is: on the card, or unsaved.
//
// Threads: made (and the receiver chosen) on the user-interface thread; then
// used by the one thread that owns the job.
#pragma once

#include "app/host/EventSink.h"
#include "app/saving/SaveOutcomeEvent.h"

#include <memory>

class QObject;

namespace tarsel::saving {

class SaveOutcomeNotice {
public:
  SaveOutcomeNotice() = default;
  ~SaveOutcomeNotice();
  SaveOutcomeNotice(const SaveOutcomeNotice&) = delete;
  SaveOutcomeNotice& operator=(const SaveOutcomeNotice&) = delete;

  // The window to tell about `picture` (none when receiver is null).
  void SetReceiver(QObject* receiver, IPictureFromCamera* picture);
  // Posts the outcome; later calls (and the deletion) post nothing.
  void Report(SaveOutcome outcome, HRESULT code, const std::string& target);

private:
  std::shared_ptr<host::EventSink> m_sink;
  CRefPtr<IPictureFromCamera> m_picture;
  bool m_reported = false;
};

} // namespace tarsel::saving
