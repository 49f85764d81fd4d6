// What a family's failure leaves: the code a guarded operation returns, the
// error-log entry's lines, the operation a place text names, and the
// diagnostic text added only when it changed, also with several workers
// logging at once.
#include "app/cameras/common/FailureEntry.h"
#include "app/cameras/common/LastDiagnostics.h"
#include "app/cameras/common/ResultGuard.h"
#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using tarsel::cameras::CLastDiagnostics;
using tarsel::cameras::FailureEntryText;
using tarsel::cameras::GuardResult;
using tarsel::cameras::PlaceCut;
using tarsel::cameras::ShortenPlace;

TEST(ResultGuard, GivesTheCodeOfWhatTheOperationThrowsOrReturns) {
  EXPECT_EQ(GuardResult([] {}), 0);
  EXPECT_EQ(GuardResult([] { return static_cast<HRESULT>(0x2082); }), 0x2082);
  EXPECT_EQ(GuardResult([] { ThrowError(static_cast<HRESULT>(0x81020002u)); }),
            static_cast<HRESULT>(0x81020002u));
  // A Win32 number thrown stays that number.
  EXPECT_EQ(GuardResult([]() -> HRESULT { throw _brantel_take_error(ERROR_ACCESS_DENIED); }), 5);
  EXPECT_EQ(GuardResult([] { throw std::runtime_error("foreign"); }), E_UNEXPECTED);
  EXPECT_EQ(GuardResult([] { throw 7; }, E_FAIL), E_FAIL);
  static_assert(noexcept(GuardResult([] { throw 1; })));
}

TEST(FailureEntry, TheEntryHasTheHeaderTheErrorLineAndTheCameraLine) {
  const std::string camera = "XC-701 #2";
  EXPECT_EQ(FailureEntryText("SDK: 2.0", _brantel_take_error(ERROR_ACCESS_DENIED), "Capture", &camera),
            "SDK: 2.0\r\nERROR: Access is denied.(0x5) produced by Capture\r\nCamera: XC-701 #2\r\n");
  EXPECT_EQ(FailureEntryText("SDK: 2.0", _brantel_take_error(E_UNEXPECTED), "Open", nullptr),
            "SDK: 2.0\r\nERROR: Catastrophic failure(0x8000FFFF) produced by Open\r\n");
}

TEST(FailureEntry, ThePlaceTextIsCutToTheOperation) {
  struct Row {
    const char* place;
    PlaceCut cut;
    const char* operation;
  };
  const Row rows[] = {
      {"return m_camera->Open(index)", PlaceCut::kFirstDot, "m_camera->Open"},
      {"return", PlaceCut::kFirstDot, ""},
      {"retur", PlaceCut::kFirstDot, "retur"},
      {"sdk.props.GetFlags(x)", PlaceCut::kFirstDot, "props.GetFlags"},
      {"sdk.props.GetFlags(x)", PlaceCut::kLastDot, "GetFlags"},
      {"return sdk.Close()", PlaceCut::kLastDot, "Close"},
      {"Plain", PlaceCut::kLastDot, "Plain"},
      {"", PlaceCut::kFirstDot, ""},
      {nullptr, PlaceCut::kLastDot, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.place ? row.place : "(null)");
    EXPECT_EQ(ShortenPlace(row.place, row.cut), row.operation);
  }
}

TEST(LastDiagnostics, ATextIsAddedOnlyWhenItDiffersFromTheLastOne) {
  CLastDiagnostics last;
  EXPECT_EQ(last.Changed("A"), "A");
  EXPECT_EQ(last.Changed("A"), "");
  EXPECT_EQ(last.Changed("B"), "B");
  EXPECT_EQ(last.Changed("A"), "A");
  // An empty text becomes the last one too.
  EXPECT_EQ(last.Changed(""), "");
  EXPECT_EQ(last.Changed("A"), "A");
}

TEST(LastDiagnostics, WorkersLoggingAtOnceAddTheSameTextOnce) {
  CLastDiagnostics last;
  std::atomic<int> added{0};
  std::atomic<bool> go{false};
  std::vector<std::thread> workers;
  for (int i = 0; i < 8; ++i)
    workers.emplace_back([&] {
      while (!go)
        std::this_thread::yield();
      for (int round = 0; round < 100; ++round)
        if (!last.Changed("Driver 1.2").empty())
          ++added;
    });
  go = true;
  for (std::thread& worker : workers)
    worker.join();
  EXPECT_EQ(added.load(), 1);
}
