#include "app/receiver/RemoteDatagramEvent.h"

#include <utility>

RemoteDatagramEvent::RemoteDatagramEvent(QEvent::Type type, QByteArray bytes)
    : QEvent(type), m_bytes(std::move(bytes)) {}

RemoteDatagramEvent::~RemoteDatagramEvent() = default;
