#include "env/ErrorReport.h"

#include "env/FacilityRegistry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Box {
  HWND parent;
  std::string text;
  std::string caption;
  MessageBoxIcon icon;
};

// Installs a hook that records every box, with reporting switched off
// (the counter at 0) at the start; restores hook and counter at the end.
class ReportErrorTest : public testing::Test {
protected:
  void SetUp() override {
    m_savedCounter = _brantel_take_error::sm_N.load();
    while (!_brantel_take_error::IsSilent())
      _brantel_take_error::DoReporting(false);
    m_savedHook = SetMessageBoxHook(
        [this](HWND parent, const std::string& text, const std::string& caption, MessageBoxIcon icon) {
          std::lock_guard lock(m_lock);
          m_boxes.push_back({parent, text, caption, icon});
        });
    RegisterFacility(0x102, TarselEnvMessageTable());
    RegisterFacility(0x105, TarselEnvMessageTable());
  }

  void TearDown() override {
    UnregisterFacility(0x102);
    UnregisterFacility(0x105);
    SetMessageBoxHook(m_savedHook);
    while (!_brantel_take_error::IsSilent())
      _brantel_take_error::DoReporting(false);
    for (long i = 0; i < m_savedCounter; ++i)
      _brantel_take_error::DoReporting(true);
  }

  std::vector<Box> boxes() {
    std::lock_guard lock(m_lock);
    return m_boxes;
  }

  std::mutex m_lock;
  std::vector<Box> m_boxes;
  MessageBoxHook m_savedHook;
  long m_savedCounter = 0;
};

// Reporting switched on for one scope, as the main frame does.
struct ReportingOn {
  ReportingOn() { _brantel_take_error::DoReporting(true); }
  ~ReportingOn() { _brantel_take_error::DoReporting(false); }
};

} // namespace

TEST_F(ReportErrorTest, BoxShowsMessageCodeAndExplanationWithCaptionAndIcon) {
  const ReportingOn on;
  int window = 0;
  struct Row {
    HRESULT code;
    const char* explanation;
    const char* caption;
    std::string text;
    std::string expectedCaption;
    MessageBoxIcon icon;
  };
  const std::string success = _brantel_take_error(0).ErrorMessage();
  const std::string denied = _brantel_take_error(5).ErrorMessage();
  const Row rows[] = {
      {static_cast<HRESULT>(0x81050001), "reading a.tif", "Save",
       "Error: This is not TIFF format.(0x81050001)\nreading a.tif", "Save", MessageBoxIcon::Error},
      {static_cast<HRESULT>(0x41020014), nullptr, nullptr,
       "Error: Aperture specified is not supported by the software for the camera.(0x41020014)\n", "Tarsel",
       MessageBoxIcon::Error},
      {static_cast<HRESULT>(0x81020012), "", nullptr,
       "Error: There is no cameras connected to the computer.(0x81020012)\n", "Tarsel",
       MessageBoxIcon::Error},
      {0, nullptr, nullptr, "Error: " + success + "(0x00)\n", "Tarsel", MessageBoxIcon::Information},
      {5, "x", "", "Error: " + denied + "(0x05)\nx", "", MessageBoxIcon::Error},
      {static_cast<HRESULT>(0x83000001), "why", nullptr, "Error: Unknown Error(0x83000001)\nwhy", "Tarsel",
       MessageBoxIcon::Error},
  };
  for (const Row& row : rows)
    ReportError(_brantel_take_error(row.code, row.explanation), &window, row.caption);

  const auto shown = boxes();
  ASSERT_EQ(shown.size(), std::size(rows));
  for (std::size_t i = 0; i < shown.size(); ++i) {
    SCOPED_TRACE(rows[i].text);
    EXPECT_EQ(shown[i].parent, &window);
    EXPECT_EQ(shown[i].text, rows[i].text);
    EXPECT_EQ(shown[i].caption, rows[i].expectedCaption);
    EXPECT_EQ(shown[i].icon, rows[i].icon);
  }
}

TEST_F(ReportErrorTest, ReportsOnlyWhileTheSwitchIsOn) {
  const _brantel_take_error error(static_cast<HRESULT>(0x81020003));
  ReportError(error);
  EXPECT_EQ(boxes().size(), 0u);

  // Nested: on, on, off still reports.
  _brantel_take_error::DoReporting(true);
  _brantel_take_error::DoReporting(true);
  _brantel_take_error::DoReporting(false);
  ReportError(error);
  EXPECT_EQ(boxes().size(), 1u);
  _brantel_take_error::DoReporting(false);
  ReportError(error);
  EXPECT_EQ(boxes().size(), 1u);

  // An "off" at 0 stays at 0: one "on" is enough afterwards.
  _brantel_take_error::DoReporting(false);
  _brantel_take_error::DoReporting(false);
  EXPECT_EQ(_brantel_take_error::sm_N.load(), 0);
  _brantel_take_error::DoReporting(true);
  ReportError(error);
  EXPECT_EQ(boxes().size(), 2u);
  _brantel_take_error::DoReporting(false);
}

TEST_F(ReportErrorTest, CodeFormFillsTheOutErrorEvenWhenSilent) {
  _brantel_take_error out(1, "old");
  ReportError(static_cast<HRESULT>(0x81020002), nullptr, &out, nullptr);
  EXPECT_EQ(boxes().size(), 0u);
  EXPECT_EQ(out.Error(), static_cast<HRESULT>(0x81020002));
  EXPECT_STREQ(out.ErrorMessage(), "Skipping saving one picture. Continue saving other pictures in queue.");
  EXPECT_STREQ(out.Explanation(), "");

  // The message travels with the out error after the facility is gone.
  UnregisterFacility(0x102);
  EXPECT_STREQ(out.ErrorMessage(), "Skipping saving one picture. Continue saving other pictures in queue.");
  RegisterFacility(0x102, TarselEnvMessageTable());

  const ReportingOn on;
  ReportError(static_cast<HRESULT>(0x8000FFFF), nullptr, nullptr, nullptr);
  ReportError(static_cast<HRESULT>(0x81020005), nullptr, &out, "Profile");
  const auto shown = boxes();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].caption, "Tarsel");
  EXPECT_EQ(shown[1].caption, "Profile");
  EXPECT_EQ(shown[1].text, "Error: This is not a Capture Profile format.(0x81020005)\n");
  EXPECT_EQ(out.Error(), static_cast<HRESULT>(0x81020005));
}

TEST_F(ReportErrorTest, WithoutHookTheTextGoesToStandardError) {
  SetMessageBoxHook(nullptr);
  const ReportingOn on;
  testing::internal::CaptureStderr();
  ReportError(_brantel_take_error(static_cast<HRESULT>(0x81050003), "b.tif"));
  const std::string written = testing::internal::GetCapturedStderr();
  EXPECT_EQ(written, "Tarsel: Error: Parameters in TIFF file are out of bounds. Image possibly "
                     "corrupted.(0x81050003)\nb.tif\n");
}

TEST_F(ReportErrorTest, HookCanBeSwappedWhileOtherThreadsReport) {
  const ReportingOn on;
  std::atomic<int> other{0};
  std::atomic<bool> stop{false};
  std::vector<std::thread> reporters;
  for (int t = 0; t < 4; ++t)
    reporters.emplace_back([] {
      for (int i = 0; i < 200; ++i)
        ReportError(static_cast<HRESULT>(0x81020001), nullptr, nullptr, "thread");
    });
  std::thread swapper([&] {
    while (!stop.load()) {
      MessageBoxHook mine =
          SetMessageBoxHook([&](HWND, const std::string&, const std::string&, MessageBoxIcon) { ++other; });
      SetMessageBoxHook(std::move(mine));
    }
  });
  for (auto& thread : reporters)
    thread.join();
  stop = true;
  swapper.join();
  EXPECT_EQ(boxes().size() + static_cast<std::size_t>(other.load()), 800u);
}
