#include "app/saving/SaveOutcomeEvent.h"

#include "app/host/TarselEvents.h"

#include <utility>

namespace tarsel::saving {

QEvent::Type SaveOutcomeEvent::Type() {
  static const auto registered = static_cast<QEvent::Type>(QEvent::registerEventType());
  return registered;
}

SaveOutcomeEvent::SaveOutcomeEvent(SaveOutcome outcome, HRESULT code, CRefPtr<IPictureFromCamera> picture,
                                   std::string target)
    : QEvent(Type()), m_outcome(outcome), m_code(code), m_picture(std::move(picture)),
      m_target(std::move(target)) {}

SaveOutcomeEvent::~SaveOutcomeEvent() {
  host::AcquireHandoff(this);
}

} // namespace tarsel::saving
