#include "app/main/TerminationSignals.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace tarsel::program {
namespace {

// The pipe's writing end while an object is installed, else -1.
std::atomic<int> g_writeFd{-1};

extern "C" void onTerminationSignal(int signalNumber) {
  const int savedErrno = errno;
  const int fd = g_writeFd.load();
  if (fd >= 0) {
    const unsigned char number = static_cast<unsigned char>(signalNumber);
    // A full pipe drops the byte: enough requests are waiting already.
    [[maybe_unused]] const ssize_t written = write(fd, &number, 1);
  }
  errno = savedErrno;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
    return;
  int expected = -1;
  if (!g_writeFd.compare_exchange_strong(expected, fds[1])) {
    close(fds[0]);
    close(fds[1]);
    return;
  }
  m_readFd = fds[0];

  struct sigaction action {};
  action.sa_handler = onTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, &m_previousTerm);
  sigaction(SIGINT, &action, &m_previousInt);

  m_notifier = new QSocketNotifier(m_readFd, QSocketNotifier::Read, this);
  connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPipe);
}

TerminationSignals::~TerminationSignals() {
  if (!m_notifier)
    return;
  sigaction(SIGTERM, &m_previousTerm, nullptr);
  sigaction(SIGINT, &m_previousInt, nullptr);
  delete m_notifier;
  const int writeFd = g_writeFd.exchange(-1);
  close(writeFd);
  close(m_readFd);
}

void TerminationSignals::readPipe() {
  unsigned char numbers[16];
  for (;;) {
    const ssize_t n = read(m_readFd, numbers, sizeof numbers);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return;
    for (ssize_t i = 0; i < n; ++i)
      emit terminationRequested(numbers[i]);
  }
}

} // namespace tarsel::program
