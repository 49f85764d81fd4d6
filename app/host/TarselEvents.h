// The program's private messages as Qt event types, numbered QEvent::User +
// 101 .. 117, and the events that carry their payloads. Every one of them is
// posted with QCoreApplication::postEvent at normal priority, so events to
// receivers of one thread arrive in the order they were posted.
//
// Events are built on any thread and delivered (and destroyed) on the
// receiver's thread, the user-interface thread.
#pragma once

#include "app/core/CardPicture.h"
#include "app/host/SyncTakeTicket.h"
#include "hostapi/IPictureFromCamera.h"
#include "hostapi/RefPtr.h"
#include "hostapi/Win32Types.h"

#include <QEvent>

#include <cstdint>
#include <utility>

class QObject;

inline constexpr QEvent::Type WM_TARSEL_PREVIEW_SET_OWNER = static_cast<QEvent::Type>(QEvent::User + 101);
inline constexpr QEvent::Type WM_TARSEL_PREVIEW_ENABLE = static_cast<QEvent::Type>(QEvent::User + 102);
inline constexpr QEvent::Type WM_TARSEL_PREVIEW_FRAME = static_cast<QEvent::Type>(QEvent::User + 103);
inline constexpr QEvent::Type WM_TARSEL_GET_CAMERA_HOST = static_cast<QEvent::Type>(QEvent::User + 104);
inline constexpr QEvent::Type WM_TARSEL_CAMERA_STATUS = static_cast<QEvent::Type>(QEvent::User + 105);
inline constexpr QEvent::Type WM_TARSEL_LEAVE_ALL_CAMERAS_VIEW =
    static_cast<QEvent::Type>(QEvent::User + 106);
inline constexpr QEvent::Type WM_TARSEL_PREVIEW_CLOSED = static_cast<QEvent::Type>(QEvent::User + 107);
inline constexpr QEvent::Type WM_TARSEL_ACTIVATE_CHILD = static_cast<QEvent::Type>(QEvent::User + 108);
inline constexpr QEvent::Type WM_TARSEL_DIALOG_REFRESH = static_cast<QEvent::Type>(QEvent::User + 109);
inline constexpr QEvent::Type WM_TARSEL_CAMERA_JOB_DONE = static_cast<QEvent::Type>(QEvent::User + 110);
inline constexpr QEvent::Type WM_TARSEL_PAGE_REFRESH = static_cast<QEvent::Type>(QEvent::User + 111);
inline constexpr QEvent::Type WM_TARSEL_SAVE_RESULT = static_cast<QEvent::Type>(QEvent::User + 112);
inline constexpr QEvent::Type WM_TARSEL_SAVE_QUEUE_LENGTH = static_cast<QEvent::Type>(QEvent::User + 113);
inline constexpr QEvent::Type WM_TARSEL_AUTOSTART = static_cast<QEvent::Type>(QEvent::User + 114);
inline constexpr QEvent::Type WM_TARSEL_REMOTE_DATAGRAM = static_cast<QEvent::Type>(QEvent::User + 115);
inline constexpr QEvent::Type WM_TARSEL_GET_CHILD_FRAME = static_cast<QEvent::Type>(QEvent::User + 116);
inline constexpr QEvent::Type WM_TARSEL_OPEN_CAMERA_SETTINGS = static_cast<QEvent::Type>(QEvent::User + 117);

namespace tarsel::host {

// Claims the seventeen numbers in Qt's event type registry, so that no
// other code of the process registers one of them for itself. Any thread,
// any number of times; the camera host and the mailslot server call it when
// they are made, and so does every program or test before it posts one.
void ReserveTarselEventTypes();

// Thread sanitizer builds do not see the locks inside the Qt library, so they
// are told about the hand-over of an event from the posting thread to the
// receiving one: the poster releases the event before postEvent, the
// receiving thread acquires it before it reads the event (a filter on the
// application does that for the types above; the events' destructors do it
// for events deleted undelivered). Both do nothing in other builds.
void ReleaseHandoff(const void* object);
void AcquireHandoff(const void* object);

// Posts the event to a receiver of the user-interface thread from any
// thread: releases the hand-over, then QCoreApplication::postEvent, which
// takes the event over. The caller makes sure the receiver is alive until
// the call returns.
void PostToUserInterfaceThread(QObject* receiver, QEvent* event);

// The result of a camera job, posted by the camera host's worker to its
// window. Codes and arguments as CameraStatusCodes.h names them.
// A picture travels only with codes 0, 1 and 6: the window appends it to
// the host's series when it handles the event.
// A synchronized take's result (1 or 10001) carries that camera's ticket of
// the take; the take learns the camera's outcome when the window completes
// the ticket or, at the latest, when the event is destroyed, delivered or not.
class CameraStatusEvent : public QEvent {
public:
  CameraStatusEvent(std::int32_t code, std::intptr_t argument, CRefPtr<IPictureFromCamera> picture = {},
                    CSyncTakeTicket ticket = {})
      : QEvent(WM_TARSEL_CAMERA_STATUS), m_code(code), m_argument(argument), m_picture(std::move(picture)),
        m_ticket(std::move(ticket)) {}
  ~CameraStatusEvent() override { AcquireHandoff(this); }

  std::int32_t code() const { return m_code; }
  std::intptr_t argument() const { return m_argument; }
  // Null unless the event reports a new picture.
  IPictureFromCamera* picture() const { return m_picture.get(); }
  CSyncTakeTicket& ticket() { return m_ticket; }
  // Where the new picture stays on the camera's card until its save, when
  // the take kept it there for that; else not IsKnown.
  const CardPicture& cardPicture() const { return m_card; }
  // The take left the picture in the camera as the user chose.
  bool leftInCamera() const { return m_leftInCamera; }
  void setCard(CardPicture card, bool leftInCamera) {
    m_card = std::move(card);
    m_leftInCamera = leftInCamera;
  }

private:
  std::int32_t m_code;
  std::intptr_t m_argument;
  CRefPtr<IPictureFromCamera> m_picture;
  CSyncTakeTicket m_ticket;
  CardPicture m_card;
  bool m_leftInCamera = false;
};

// A camera job of a camera window has ended: posted by the window to the
// dialog that waits for it. Code: 0 or the job's error code.
class CameraJobDoneEvent : public QEvent {
public:
  CameraJobDoneEvent(HRESULT code, std::intptr_t value)
      : QEvent(WM_TARSEL_CAMERA_JOB_DONE), m_code(code), m_value(value) {}
  ~CameraJobDoneEvent() override { AcquireHandoff(this); }

  HRESULT code() const { return m_code; }
  std::intptr_t value() const { return m_value; }

private:
  HRESULT m_code;
  std::intptr_t m_value;
};

// A result for the window that follows the all-cameras takes and saves:
// kind 0 (code 0) when every camera of a take has reported; kind 1 with an
// error code when a camera of a take or a save failed.
class SaveResultEvent : public QEvent {
public:
  SaveResultEvent(std::int32_t kind, HRESULT code)
      : QEvent(WM_TARSEL_SAVE_RESULT), m_kind(kind), m_code(code) {}
  ~SaveResultEvent() override { AcquireHandoff(this); }

  std::int32_t kind() const { return m_kind; }
  HRESULT code() const { return m_code; }

private:
  std::int32_t m_kind;
  HRESULT m_code;
};

} // namespace tarsel::host
