#include "app/host/WaitEvent.h"

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;

TEST(WaitEvent, ReleasesAWaiterOnAnotherThread) {
  CWaitEvent event;
  EXPECT_FALSE(event.Wait(1ms));
  std::thread setter([&] {
    std::this_thread::sleep_for(5ms);
    event.Set();
  });
  EXPECT_TRUE(event.Wait(5000ms));
  setter.join();
  EXPECT_TRUE(event.IsSet());
  event.Reset();
  EXPECT_FALSE(event.IsSet());
}
