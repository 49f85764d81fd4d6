// What the main-frame tests share: a test camera family whose cameras can
// be held in their preparation, a device watcher the
// test drives, and a fixture that builds a frame over the test families with
// short time-outs, answers every question box and records every error box.
#pragma once

#include "app/core/TimeLapseClock.h"
#include "app/frame/MainFrame.h"
#include "app/testcamera/FakeCamera.h"
#include "app/testcamera/FakeCameraFamily.h"
#include "app/testsupport/EventPump.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CTarselSettings;

namespace tarsel::frame::test {

// A gate that holds whoever waits on it until it is opened.
class Gate {
public:
  void close();
  void open();
  void wait();

private:
  std::mutex m_lock;
  std::condition_variable m_opened;
  bool m_open = true;
};

// A fake camera that, when given a gate, waits at it in PrepareCapture.
class TimedCamera : public tarsel::testcamera::FakeCamera {
public:
  using FakeCamera::FakeCamera;

  HRESULT PrepareCapture(std::uint32_t value) override;

  void setPrepareGate(std::shared_ptr<Gate> gate);

private:
  mutable std::mutex m_gateLock;
  std::shared_ptr<Gate> m_gate;
};

// A fake family whose EnumerateCameras hands TimedCameras to the list and
// remembers them (they live as long as a window owns them).
class TimedFamily : public tarsel::testcamera::FakeCameraFamily {
public:
  using FakeCameraFamily::FakeCameraFamily;
  int EnumerateCameras(HWND owner, IConnectedCameras* list) override;
  // Runs on each camera made (index), before it is added.
  void setTimedSetup(std::function<void(TimedCamera&)> setup) { m_timedSetup = std::move(setup); }

private:
  std::function<void(TimedCamera&)> m_timedSetup;
};

class FakeDeviceWatcher : public IDeviceWatcher {
public:
  void arrive() { emit deviceArrived(); }
  void remove() { emit deviceRemoved(); }
};

// A clock that stands still until the test moves it.
class FakeClock : public ITimeLapseClock {
public:
  std::int64_t Now() const override { return now; }
  std::int64_t now = 0;
};

// Once the dialog waits for its next picture (or has stopped), moves the
// clock there; false when it does neither within `patience`.
bool moveClockToNextPicture(CAutoTakePicturesDlg& dialog, FakeClock& clock,
                            std::chrono::milliseconds patience);

// Closes the next time-lapse dialog as soon as it shows modally (the frame
// opens one for /AUTOSTART and its command), counting it in `opened`.
void closeTimeLapseDialogWhenShown(int& opened);

// Chooses `path` in the next file dialog as soon as it shows; `started`
// receives the folder it showed first.
void chooseInFileDialog(const std::string& path, QString* started);

// The UTC count of the calendar fields.
std::int64_t utcTime(int year, int month, int day, int hour, int minute, int second);

using tarsel::test::pumpFor;
using tarsel::test::pumpUntil;

// Writes a DWORD of the user options (for values the settings only read).
void setUserOption(const char* name, DWORD value);

// Lets the camera-link family use the simulated cameras of these models:
// loads the camera-link library of the build (a test program lives outside
// the program's folder), enables the models in the family's selection file
// and lists them as supported ("Type_S").
void useVeskModels(const std::vector<std::string>& models);

class FrameTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // Options over the given families: no receiver, a fake device watcher,
  // short time-outs.
  MainFrameOptions optionsFor(const std::vector<tarsel::testcamera::FakeCameraFamily*>& families);
  // Makes the frame, shows it and waits for its start-up.
  CMainFrame& start(MainFrameOptions options);
  void destroyFrame();

  ITarselSettings* settings() const;
  // A family that lives as long as the test (longer than the frame).
  TimedFamily& addFamily(const std::string& name = "TEST_CAMERA");

  std::vector<std::unique_ptr<TimedFamily>> m_families;
  std::unique_ptr<CMainFrame> m_frame;
  FakeDeviceWatcher* m_watcher = nullptr;
  int m_watchersMade = 0;
  int m_refreshes = 0;
  int m_takesEnded = 0;
  std::vector<std::string> m_errors;
  std::vector<QString> m_questions;
  // What every question box answers (6 Yes, 7 No, 2 Cancel).
  int m_answer = 7;

private:
  CTarselSettings* m_settings = nullptr;
};

} // namespace tarsel::frame::test
