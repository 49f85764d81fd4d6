// How one queued save ended, posted by the save thread to the camera window
// that queued the picture (which erases the picture from its card only after
// "saved", and otherwise keeps it) and to the main frame (which tells the
// user about a run of failed saves once).
//
// Threads: made on the save thread (or wherever an unsaved job is deleted),
// delivered and destroyed on the user-interface thread.
#pragma once

#include "hostapi/IPictureFromCamera.h"
#include "hostapi/RefPtr.h"
#include "hostapi/Win32Types.h"

#include <QEvent>

#include <string>

namespace tarsel::saving {

enum class SaveOutcome {
  Saved,
  // The save failed and the saver was not asked, or could not go on (no saver).
  Failed,
  // The saver failed and skipped the picture (its decision, or the same error again and again).
  Skipped,
  // The user cancelled the save.
  Cancelled,
  // The job was deleted before it was saved: the queue was cleared or stopped.
  Dropped
};

class SaveOutcomeEvent : public QEvent {
public:
  static QEvent::Type Type();

  // target: the saver's location text (folder or server), empty when unknown.
  SaveOutcomeEvent(SaveOutcome outcome, HRESULT code, CRefPtr<IPictureFromCamera> picture,
                   std::string target);
  ~SaveOutcomeEvent() override;

  SaveOutcome outcome() const { return m_outcome; }
  bool saved() const { return m_outcome == SaveOutcome::Saved; }
  // The last error of a save that did not succeed; 0 else.
  HRESULT code() const { return m_code; }
  // The picture of the job (null in the frame's copy).
  IPictureFromCamera* picture() const { return m_picture.get(); }
  const std::string& target() const { return m_target; }

private:
  SaveOutcome m_outcome;
  HRESULT m_code;
  CRefPtr<IPictureFromCamera> m_picture;
  std::string m_target;
};

} // namespace tarsel::saving
