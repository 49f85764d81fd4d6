// Turns SIGTERM and SIGINT into a Qt signal on the user-interface thread, so
// the program can end as if the user closed its window: the handler only
// writes the signal's number to a pipe (the one thing that is safe inside a
// handler); a QSocketNotifier on the pipe's other end reads it in the event
// loop and emits terminationRequested once per signal received.
//
// Threads: construct and destroy on the user-interface thread. One object
// at a time: a second one installs nothing (isInstalled() false). The
// destructor puts the handlers that were there before back.
#pragma once

#include <QObject>

#include <csignal>

class QSocketNotifier;

namespace tarsel::program {

class TerminationSignals : public QObject {
  Q_OBJECT

public:
  explicit TerminationSignals(QObject* parent = nullptr);
  ~TerminationSignals() override;
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

  bool isInstalled() const { return m_notifier != nullptr; }

signals:
  void terminationRequested(int signalNumber);

private:
  void readPipe();

  int m_readFd = -1;
  QSocketNotifier* m_notifier = nullptr;
  struct sigaction m_previousTerm {};
  struct sigaction m_previousInt {};
};

} // namespace tarsel::program
