#include "app/receiver/RemoteDatagramEvent.h"

#include "app/host/TarselEvents.h"

#include <utility>

RemoteDatagramEvent::RemoteDatagramEvent(QEvent::Type type, QByteArray bytes)
    : QEvent(type), m_bytes(std::move(bytes)) {}

// Also for an event deleted undelivered, on the user-interface thread.
RemoteDatagramEvent::~RemoteDatagramEvent() { tarsel::host::AcquireHandoff(this); }
