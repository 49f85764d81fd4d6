// Receivers that stand in for a camera window and for the window that
// follows the all-cameras takes.
#pragma once

#include "app/host/ConnectedCameraHost.h"
#include "app/host/TarselEvents.h"
#include "app/testcamera/FakeCamera.h"
#include "app/testcamera/FakeCameraFamily.h"
#include "app/testsupport/EventPump.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace tarsel::host::test {

using namespace std::chrono_literals;

struct StatusRecord {
  std::int32_t code = 0;
  std::intptr_t argument = 0;
  bool withPicture = false;
  bool withTicket = false;
};

// Records what reaches it. The log lives outside, so a test can read it after
// the receiver was deleted. With a host it acts as the camera window does:
// it appends every delivered picture to the host's series.
class RecordingWindow : public QObject {
public:
  explicit RecordingWindow(
      std::shared_ptr<std::vector<StatusRecord>> log = std::make_shared<std::vector<StatusRecord>>())
      : m_log(std::move(log)) {}

  void setHost(CConnectedCameraHost* host) { m_host = host; }
  const std::vector<StatusRecord>& log() const { return *m_log; }
  std::shared_ptr<std::vector<StatusRecord>> sharedLog() const { return m_log; }
  // True when a record with the code arrived.
  bool has(std::int32_t code) const;
  std::vector<std::int32_t> codes() const;

protected:
  bool event(QEvent* event) override;

private:
  std::shared_ptr<std::vector<StatusRecord>> m_log;
  CConnectedCameraHost* m_host = nullptr;
};

// Records the take results (kind, code) in arrival order.
class ResultWindow : public QObject {
public:
  std::vector<std::pair<std::int32_t, HRESULT>> results;
  // Runs when the final result (0, 0) is delivered.
  std::function<void()> onFinal;
  int finals() const;

protected:
  bool event(QEvent* event) override;
};

using tarsel::test::pumpFor;
using tarsel::test::pumpUntil;

} // namespace tarsel::host::test
