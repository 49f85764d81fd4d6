#include "app/cameras/common/CameraStatusLine.h"

#include "app/core/ICameraHiLevel.h"
#include "app/core/ITarselCallback.h"

namespace {

// Collects the status line the camera hands its call-back.
class StatusCollector : public _ITarselCallback {
public:
  bool QueryContinue(int) override { return true; }
  bool SetStatusText(const char* text) override {
    m_text = text ? text : "";
    return true;
  }
  void SuspendPreview(bool) override {}
  const std::string& Text() const { return m_text; }

private:
  std::string m_text;
};

} // namespace

namespace tarsel::cameras {

std::string CameraStatusLine(ICameraHiLevel& camera) {
  StatusCollector collector;
  camera.ReportStatus(&collector);
  return collector.Text();
}

} // namespace tarsel::cameras
