#include "app/host/EventSink.h"

#include "app/host/TarselEvents.h"

#include <QEvent>

namespace tarsel::host {

std::shared_ptr<EventSink> EventSink::Create(QObject* receiver) {
  std::shared_ptr<EventSink> sink(new EventSink);
  if (!receiver)
    return sink;
  sink->m_receiver = receiver;
  // The lambda holds the sink weakly: a sink that died before the receiver
  // leaves nothing behind that the signal could reach.
  std::weak_ptr<EventSink> weak = sink;
  sink->m_destroyed = QObject::connect(receiver, &QObject::destroyed, [weak] {
    if (const std::shared_ptr<EventSink> alive = weak.lock())
      alive->Forget();
  });
  return sink;
}

EventSink::~EventSink() {
  Detach();
}

void EventSink::Forget() {
  const std::lock_guard<std::mutex> guard(m_lock);
  m_receiver = nullptr;
}

bool EventSink::Post(QEvent* event) {
  if (!event)
    return false;
  {
    const std::lock_guard<std::mutex> guard(m_lock);
    if (m_receiver) {
      PostToUserInterfaceThread(m_receiver, event);
      return true;
    }
  }
  delete event;
  return false;
}

void EventSink::Detach() {
  QMetaObject::Connection connection;
  {
    const std::lock_guard<std::mutex> guard(m_lock);
    m_receiver = nullptr;
    connection = std::exchange(m_destroyed, QMetaObject::Connection());
  }
  // Outside the lock: the destroyed signal takes it.
  if (connection)
    QObject::disconnect(connection);
}

bool EventSink::IsAttached() const {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_receiver != nullptr;
}

} // namespace tarsel::host
