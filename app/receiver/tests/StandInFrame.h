// A stand-in for the main frame: it takes the remote datagram events, hands
// them to the receiver's handler as the frame does, and records, in the order
// it handles them, every datagram and every frame command posted to it.
#pragma once

#include "app/receiver/RemoteCommandTarget.h"

#include <QObject>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tarsel::receiver::test {

class StandInFrame : public QObject, public IRemoteCommandTarget {
public:
  struct Entry {
    bool command = false;            // a frame command, else a datagram
    UINT id = 0;                     // the command
    std::vector<std::uint8_t> bytes; // the datagram
    int posted = 0;                  // commands the datagram posted while handled
  };

  void PostFrameCommand(UINT id) override;

  const std::vector<Entry>& entries() const { return m_entries; }
  std::vector<UINT> commands() const;
  std::vector<std::vector<std::uint8_t>> datagrams() const;

  // Delivers every event queued for it now, and the commands they post.
  void deliverQueued();

protected:
  bool event(QEvent* event) override;

private:
  std::vector<Entry> m_entries;
  int m_posted = 0;
};

// An abstract socket name no other test uses.
std::string uniqueSocketName();

// A UDP port on which nothing listens at the moment.
std::uint16_t freeUdpPort();

} // namespace tarsel::receiver::test
