// The one way a worker thread hands something to a QObject of the
// user-interface thread: Post puts the event into the receiver's queue with
// QCoreApplication::postEvent, or deletes it when the receiver is gone.
//
// The receiver counts as gone once Detach was called or its destroyed signal
// ran; both take the sink's lock, and Post holds that lock while it posts,
// so an event is never posted to an object that is being deleted (Qt removes
// the events already queued for it). This is the guard a QPointer gives, kept
// under the sink's own lock; a QPointer itself could end on a worker thread
// while its object ends on the user-interface thread. Made, attached and detached on the
// user-interface thread; Post from any thread. Workers share the sink, so it
// outlives the host that made it.
#pragma once

#include <QMetaObject>
#include <QObject>

#include <memory>
#include <mutex>

class QEvent;

namespace tarsel::host {

class EventSink : public std::enable_shared_from_this<EventSink> {
public:
  // A sink for the receiver; a sink for null posts nothing.
  static std::shared_ptr<EventSink> Create(QObject* receiver);
  ~EventSink();
  EventSink(const EventSink&) = delete;
  EventSink& operator=(const EventSink&) = delete;

  // Takes over the event; false (the event deleted) when the receiver is
  // gone or the post failed.
  bool Post(QEvent* event);
  // From now on Post delivers nothing.
  void Detach();
  bool IsAttached() const;

private:
  EventSink() = default;
  void Forget();

  mutable std::mutex m_lock;
  QObject* m_receiver = nullptr;
  QMetaObject::Connection m_destroyed;
};

} // namespace tarsel::host
