#include "app/saving/SaveOutcomeNotice.h"

namespace tarsel::saving {

SaveOutcomeNotice::~SaveOutcomeNotice() {
  try {
    Report(SaveOutcome::Dropped, 0, {});
  } catch (...) {
    // A job deleted without memory for the event: its window keeps the picture anyway.
  }
}

void SaveOutcomeNotice::SetReceiver(QObject* receiver, IPictureFromCamera* picture) {
  m_sink = receiver ? host::EventSink::Create(receiver) : nullptr;
  m_picture = CRefPtr<IPictureFromCamera>(picture);
}

void SaveOutcomeNotice::Report(SaveOutcome outcome, HRESULT code, const std::string& target) {
  if (m_reported || !m_sink)
    return;
  m_reported = true;
  m_sink->Post(new SaveOutcomeEvent(outcome, code, m_picture, target));
}

} // namespace tarsel::saving
