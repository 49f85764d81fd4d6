#include "app/main/TerminationSignals.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <vector>

namespace {

using tarsel::program::TerminationSignals;

// Runs the event loop until `count` requests arrived or a generous deadline passed.
void waitForRequests(const std::vector<int>& requests, std::size_t count) {
  QDeadlineTimer deadline(10000);
  while (requests.size() < count && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

void recordingHandler(int) {}

} // namespace

TEST(TerminationSignals, EachSignalBecomesOneRequestOnTheInterfaceThread) {
  TerminationSignals terminations;
  ASSERT_TRUE(terminations.isInstalled());
  std::vector<int> requests;
  QObject::connect(&terminations, &TerminationSignals::terminationRequested,
                   [&requests](int number) { requests.push_back(number); });

  ASSERT_EQ(std::raise(SIGTERM), 0);
  ASSERT_EQ(std::raise(SIGINT), 0);
  ASSERT_EQ(std::raise(SIGTERM), 0);
  waitForRequests(requests, 3);
  const std::vector<int> expected = {SIGTERM, SIGINT, SIGTERM};
  EXPECT_EQ(requests, expected);
}

TEST(TerminationSignals, OneObjectAtATimeAndTheEarlierHandlersComeBack) {
  struct sigaction own {};
  own.sa_handler = recordingHandler;
  sigemptyset(&own.sa_mask);
  struct sigaction savedTerm {};
  struct sigaction savedInt {};
  ASSERT_EQ(sigaction(SIGTERM, &own, &savedTerm), 0);
  ASSERT_EQ(sigaction(SIGINT, &own, &savedInt), 0);

  {
    TerminationSignals first;
    EXPECT_TRUE(first.isInstalled());
    TerminationSignals second;
    EXPECT_FALSE(second.isInstalled());

    struct sigaction current {};
    sigaction(SIGTERM, nullptr, &current);
    EXPECT_NE(current.sa_handler, recordingHandler);
  }
  struct sigaction term {};
  struct sigaction interrupt {};
  sigaction(SIGTERM, nullptr, &term);
  sigaction(SIGINT, nullptr, &interrupt);
  EXPECT_EQ(term.sa_handler, recordingHandler);
  EXPECT_EQ(interrupt.sa_handler, recordingHandler);

  // Once the first is gone, a new one installs again.
  {
    TerminationSignals again;
    EXPECT_TRUE(again.isInstalled());
  }
  sigaction(SIGTERM, &savedTerm, nullptr);
  sigaction(SIGINT, &savedInt, nullptr);
}
