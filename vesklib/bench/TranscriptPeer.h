// The benchmark's own device folder: Unix stream sockets named like the
// simulator's, served by a peer that either forwards each request to the
// daemon's socket of the same name and writes the exchange down (record), or
// answers each request with the next reply of a script, giving it the
// request's sequence number (replay). Replay does nothing else per request,
// so it is the trivial peer that the library and the floor loop both talk to.
//
// Threads: one accept thread and one thread per connection; the owner calls
// the members from one thread. A connection that finds no script, or runs
// out of it, is closed. The destructor stops and joins every thread.
#pragma once

#include <cstdint>
#include <deque>
#include <list>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarsel::vesk::bench {

class TranscriptPeer {
public:
  struct Exchange {
    std::vector<std::uint8_t> request; // header and data, as sent
    std::vector<std::uint8_t> reply;
  };
  using Transcript = std::vector<Exchange>;
  struct Connection {
    std::string name;
    Transcript transcript;
  };

  TranscriptPeer(std::string dir, std::vector<std::string> names);
  ~TranscriptPeer();
  TranscriptPeer(const TranscriptPeer&) = delete;
  TranscriptPeer& operator=(const TranscriptPeer&) = delete;

  bool start();
  const std::string& dir() const { return m_dir; }

  // Connections from now on forward to the same names in `upstreamDir`.
  void record(std::string upstreamDir);
  // Connections from now on take, per name, the next of these scripts.
  void replay(std::map<std::string, std::deque<Transcript>> scripts);
  // The recorded connections, in the order they were accepted.
  std::vector<Connection> recorded();

private:
  void acceptLoop();
  std::thread serveNext(int fd, const std::string& name);
  void finish(int fd);
  void forward(int fd, int upstream, std::size_t slot);
  void answer(int fd, Transcript script);

  std::string m_dir;
  std::vector<std::string> m_names;
  std::vector<int> m_listeners;
  int m_wake[2] = {-1, -1};
  std::thread m_acceptor;

  std::mutex m_lock;
  bool m_stopping = false;
  std::string m_upstream; // record mode when set
  std::map<std::string, std::deque<Transcript>> m_scripts;
  std::vector<Connection> m_recorded;
  std::vector<int> m_clients;
  std::list<std::thread> m_threads;
};

} // namespace tarsel::vesk::bench
