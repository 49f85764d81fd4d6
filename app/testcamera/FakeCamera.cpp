#include "app/testcamera/FakeCamera.h"

#include "app/cameras/common/ResultGuard.h"
#include "app/core/ISdkCallback.h"
#include "app/core/ISdkPreviewCallback.h"
#include "app/core/ITarselCallback.h"
#include "app/pictures/PictureFromCamera.h"
#include "app/testcamera/FakeCameraFamily.h"
#include "app/testcamera/FakePictureInfo.h"
#include "app/testcamera/TestJpeg.h"
#include "env/BrantelTakeError.h"
#include "env/FormatStdString.h"
#include "env/ICaptureProfileStorage.h"
#include "hostapi/ICamExtraCommand.h"
#include "platform/Win32Error.h"

#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace tarsel::testcamera {

FakeCamera::FakeCamera(FakeCameraFamily* family, std::shared_ptr<FamilyTracker> tracker, int index)
    : m_family(family), m_tracker(std::move(tracker)), m_index(index) {
  m_name = "Test Camera " + std::to_string(index + 1);
  m_id = "TC-" + std::to_string(index + 1);
  m_model = "TC-1";
  const std::lock_guard<std::mutex> guard(m_tracker->lock);
  m_serial = ++m_tracker->created;
}

FakeCamera::~FakeCamera() {
  StopPreviewThread();
  const std::lock_guard<std::mutex> guard(m_tracker->lock);
  m_tracker->destroyed.push_back(m_serial);
}

void FakeCamera::setNames(const std::string& name, const std::string& id, const std::string& model) {
  const std::lock_guard<std::mutex> guard(m_lock);
  m_name = name;
  m_id = id;
  m_model = model;
}

void FakeCamera::setWantsConnectTimeWarning(bool wants) {
  const std::lock_guard<std::mutex> guard(m_lock);
  m_wantsConnectTimeWarning = wants;
}

void FakeCamera::setCapabilitiesKnown(bool known) {
  const std::lock_guard<std::mutex> guard(m_lock);
  m_capabilitiesKnown = known;
}

void FakeCamera::setBatteryLevel(std::int32_t level) {
  const std::lock_guard<std::mutex> guard(m_lock);
  m_batteryLevel = level;
}

void FakeCamera::setPictureSize(int width, int height) {
  const std::lock_guard<std::mutex> guard(m_lock);
  m_pictureWidth = width;
  m_pictureHeight = height;
}

void FakeCamera::setPictureBytes(std::vector<BYTE> bytes) {
  const std::lock_guard<std::mutex> guard(m_lock);
  m_pictureBytes = std::move(bytes);
}

void FakeCamera::setStoredPictureCount(int count) {
  const std::lock_guard<std::mutex> guard(m_lock);
  m_storedPictures = count;
}

void FakeCamera::setPreviewInterval(std::chrono::milliseconds interval) {
  const std::lock_guard<std::mutex> guard(m_lock);
  m_previewInterval = interval;
}

int FakeCamera::connectDepth() const {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_connectDepth;
}

bool FakeCamera::previewRunning() const {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_previewRun;
}

_ISdkCallback* FakeCamera::statusSink() const {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_statusSink;
}

std::uint32_t FakeCamera::lastCaptureValue() const {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_lastCaptureValue;
}

std::uint32_t FakeCamera::lastTransferFlags() const {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_lastTransferFlags;
}

int FakeCamera::picturesTaken() const {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_picturesTaken;
}

std::optional<std::chrono::steady_clock::time_point> FakeCamera::lastTakeTime() const {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_lastTakeTime;
}

std::string FakeCamera::lastKeywordSettings() const {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_keywordSettings;
}

std::string FakeCamera::appliedCaptureSettings() const {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_captureSettings;
}

bool FakeCamera::lastFocus(std::int32_t* mode, std::int32_t* position) const {
  const std::lock_guard<std::mutex> guard(m_lock);
  if (!m_focusGiven)
    return false;
  if (mode)
    *mode = m_focusMode;
  if (position)
    *position = m_focusPosition;
  return true;
}

bool FakeCamera::capturePropertiesShown() const {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_capturePropertiesShown;
}

bool FakeCamera::capturePropertiesEnabled() const {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_capturePropertiesEnabled;
}

std::int32_t FakeCamera::lastCapturePropertiesEvent() const {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_capturePropertiesEvent;
}

std::int32_t FakeCamera::lastSettingsPage() const {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_settingsPage;
}

std::vector<BYTE> FakeCamera::pictureBytes(int number) const {
  int width = 0;
  int height = 0;
  {
    const std::lock_guard<std::mutex> guard(m_lock);
    if (!m_pictureBytes.empty())
      return m_pictureBytes;
    width = m_pictureWidth;
    height = m_pictureHeight;
  }
  return makeTestJpeg(width, height, static_cast<unsigned>(number));
}

void FakeCamera::FillPicture(IPictureFromCamera* picture, int number, bool withInfo) {
  const std::vector<BYTE> bytes = pictureBytes(number);
  const DWORD size = static_cast<DWORD>(bytes.size());
  FakePictureInfo info(size);
  picture->SetImage(bytes.data(), size, kRawExtension, withInfo ? &info : nullptr);
}

IBaseSDK_Wr* FakeCamera::GetSdk() {
  return m_family;
}

HRESULT FakeCamera::InitCameraObject(_ISdkCallback* statusSink, HWND) {
  if (const HRESULT code = m_script.enter(CameraOp::InitCameraObject))
    return code;
  const std::lock_guard<std::mutex> guard(m_lock);
  m_statusSink = statusSink;
  return 0;
}

HRESULT FakeCamera::TakeOverFrom(ICameraHiLevel*) {
  return m_script.enter(CameraOp::TakeOverFrom);
}

bool FakeCamera::WantsConnectTimeWarning() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_wantsConnectTimeWarning;
}

bool FakeCamera::IsSameCamera(ICameraHiLevel* other) {
  if (!other || !other->GetSdk() || !m_family)
    return false;
  std::string name;
  std::string id;
  {
    const std::lock_guard<std::mutex> guard(m_lock);
    name = m_name;
    id = m_id;
  }
  return std::strcmp(other->GetSdk()->GetSdkName(), m_family->GetSdkName()) == 0 &&
         name == other->GetCameraName() && id == other->GetCameraId();
}

std::int32_t FakeCamera::Connect() {
  if (const HRESULT code = m_script.enter(CameraOp::Connect))
    ThrowError(code, "Cannot connect to the camera.");
  const std::lock_guard<std::mutex> guard(m_lock);
  return ++m_connectDepth;
}

std::int32_t FakeCamera::DisConnect() {
  if (const HRESULT code = m_script.enter(CameraOp::DisConnect))
    ThrowError(code);
  const std::lock_guard<std::mutex> guard(m_lock);
  if (m_connectDepth > 0)
    --m_connectDepth;
  return m_connectDepth;
}

HRESULT FakeCamera::LeaveRemoteMode() {
  return m_script.enter(CameraOp::LeaveRemoteMode);
}

bool FakeCamera::IsCameraReady() {
  return m_script.enter(CameraOp::IsCameraReady) == 0;
}

std::int32_t FakeCamera::OnActivate(bool) {
  return 0;
}

bool FakeCamera::GetCapabilities(bool) {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_capabilitiesKnown;
}

const char* FakeCamera::GetCameraName() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_name.c_str();
}

const char* FakeCamera::GetCameraId() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_id.c_str();
}

const char* FakeCamera::GetModelName() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_model.c_str();
}

HRESULT FakeCamera::LcdOn(std::int32_t) {
  if (const HRESULT code = m_script.enter(CameraOp::LcdOn))
    return code;
  const std::lock_guard<std::mutex> guard(m_lock);
  m_lcdOn = true;
  return 0;
}

HRESULT FakeCamera::LcdOff() {
  if (const HRESULT code = m_script.enter(CameraOp::LcdOff))
    return code;
  const std::lock_guard<std::mutex> guard(m_lock);
  m_lcdOn = false;
  return 0;
}

bool FakeCamera::IsLcdOn() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_lcdOn;
}

HRESULT FakeCamera::GetBatteryStatus(std::int32_t* level) {
  if (const HRESULT code = m_script.enter(CameraOp::GetBatteryStatus))
    return code;
  if (!level)
    return E_POINTER;
  const std::lock_guard<std::mutex> guard(m_lock);
  *level = m_batteryLevel;
  return 0;
}

HRESULT FakeCamera::ReportStatus(_ITarselCallback* callback) {
  const HRESULT code = m_script.enter(CameraOp::ReportStatus);
  if (!callback)
    return code ? code : E_POINTER;
  if (code) {
    callback->SetStatusText("Error");
    return code;
  }
  const std::string text = std::string("F=A Z=1.0 LCD=") + (IsLcdOn() ? "On" : "Off");
  callback->SetStatusText(text.c_str());
  return 0;
}

IBracketing* FakeCamera::GetBracketing() {
  return nullptr;
}

HRESULT FakeCamera::Capture(std::uint32_t value, bool) {
  if (const HRESULT code = m_script.enter(CameraOp::Capture))
    return code;
  const std::lock_guard<std::mutex> guard(m_lock);
  m_lastCaptureValue = value;
  RecordTake();
  return 0;
}

HRESULT FakeCamera::TransferPicture(IPictureFromCamera* picture, std::uint32_t flags) {
  if (const HRESULT code = m_script.enter(CameraOp::TransferPicture))
    return code;
  if (!picture)
    return E_POINTER;
  return tarsel::cameras::GuardResult([&] {
    int number = 0;
    _ISdkCallback* sink = nullptr;
    {
      const std::lock_guard<std::mutex> guard(m_lock);
      m_lastTransferFlags = flags;
      number = m_picturesTaken;
      sink = m_statusSink;
    }
    std::string name;
    FormatStdString(name, "TST_%04d.JPG", number);
    if (flags & 2)
      picture->SetFileName(name.c_str());
    FillPicture(picture, number, true);
    {
      const std::lock_guard<std::mutex> guard(m_lock);
      m_keptPicture = (flags & 1) ? CardPicture{number, name} : CardPicture{};
    }
    if (sink)
      sink->OnStatus(3, 100);
    return HRESULT{0};
  });
}

CardPicture FakeCamera::GetKeptPicture() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_keptPicture;
}

HRESULT FakeCamera::EraseKeptPicture(const CardPicture& picture) {
  if (const HRESULT code = m_script.enter(CameraOp::EraseKeptPicture))
    return code;
  if (!picture.IsKnown())
    return 1;
  const std::lock_guard<std::mutex> guard(m_lock);
  m_erased.push_back(picture.fileName);
  return 0;
}

std::vector<std::string> FakeCamera::erasedPictures() const {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_erased;
}

HRESULT FakeCamera::PrepareCapture(std::uint32_t value) {
  if (const HRESULT code = m_script.enter(CameraOp::PrepareCapture))
    return code;
  const std::lock_guard<std::mutex> guard(m_lock);
  m_lastCaptureValue = value;
  return 0;
}

HRESULT FakeCamera::FirePreparedCapture() {
  if (const HRESULT code = m_script.enter(CameraOp::FirePreparedCapture))
    return code;
  const std::lock_guard<std::mutex> guard(m_lock);
  RecordTake();
  return 0;
}

void FakeCamera::RecordTake() {
  ++m_picturesTaken;
  m_lastTakeTime = std::chrono::steady_clock::now();
  const char* path = std::getenv(kTakeRecordVariable);
  if (!path || !*path)
    return;
  // One line per take, appended whole, so several cameras and processes can share the file.
  std::string line;
  FormatStdString(line, "%s take %d\n", m_name.c_str(), m_picturesTaken);
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0)
    return;
  [[maybe_unused]] const ssize_t written = ::write(fd, line.data(), line.size());
  ::close(fd);
}

HRESULT FakeCamera::StartPreview(_ISdkPreviewCallback* callback) {
  if (const HRESULT code = m_script.enter(CameraOp::StartPreview))
    return code;
  const std::lock_guard<std::mutex> control(m_previewControl);
  std::thread ended;
  {
    const std::lock_guard<std::mutex> guard(m_lock);
    m_previewCallback = callback;
    if (m_previewThread.joinable() && !m_previewThreadDone) {
      // Running: it takes the new call-back with its next frame.
      m_previewRun = true;
      return 0;
    }
    ended = std::move(m_previewThread);
  }
  if (ended.joinable())
    ended.join();
  const std::lock_guard<std::mutex> guard(m_lock);
  m_previewRun = true;
  m_previewThreadDone = false;
  m_previewThread = std::thread([this] { PreviewLoop(); });
  return 0;
}

HRESULT FakeCamera::StopPreview() {
  if (const HRESULT code = m_script.enter(CameraOp::StopPreview))
    return code;
  StopPreviewThread();
  return 0;
}

void FakeCamera::StopPreviewThread() {
  const std::lock_guard<std::mutex> control(m_previewControl);
  std::thread thread;
  {
    const std::lock_guard<std::mutex> guard(m_lock);
    m_previewRun = false;
    m_previewCallback = nullptr;
    thread = std::move(m_previewThread);
  }
  m_wake.notify_all();
  if (thread.joinable())
    thread.join();
}

HRESULT FakeCamera::PausePreview(bool pause) {
  if (const HRESULT code = m_script.enter(CameraOp::PausePreview))
    return code;
  {
    const std::lock_guard<std::mutex> guard(m_lock);
    m_previewPaused = pause;
  }
  m_wake.notify_all();
  return 0;
}

void FakeCamera::PreviewLoop() {
  std::unique_lock<std::mutex> lock(m_lock);
  while (m_previewRun) {
    m_wake.wait(lock, [this] { return !m_previewRun || !m_previewPaused; });
    if (!m_previewRun)
      break;
    _ISdkPreviewCallback* callback = m_previewCallback;
    lock.unlock();
    bool goOn = false;
    if (callback) {
      // A frame that cannot be made is skipped, as a camera drops it.
      goOn = true;
      CPictureFromCamera* frame = new (std::nothrow) CPictureFromCamera;
      if (frame) {
        frame->AddRef();
        try {
          FillPicture(frame, 0, false);
          goOn = callback->OnPreviewFrame(frame);
          ++m_framesDelivered;
        } catch (...) {
        }
        frame->Release();
      }
    }
    lock.lock();
    if (!goOn) {
      m_previewRun = false;
      break;
    }
    m_wake.wait_for(lock, m_previewInterval, [this] { return !m_previewRun; });
  }
  m_previewThreadDone = true;
}

HRESULT FakeCamera::GetCaptureSettingsText(ICaptureProfileStorage* storage) {
  if (const HRESULT code = m_script.enter(CameraOp::GetCaptureSettingsText))
    return code;
  if (!storage)
    return E_POINTER;
  return tarsel::cameras::GuardResult([&] {
    const std::string text = std::string("CPFFv001\r\nCamType=") + GetModelName() + "\r\n";
    storage->SetData(text.data(), static_cast<std::uint32_t>(text.size()));
    return HRESULT{0};
  });
}

HRESULT FakeCamera::ApplyCaptureSettingsText(ICaptureProfileStorage* storage) {
  if (const HRESULT code = m_script.enter(CameraOp::ApplyCaptureSettingsText))
    return code;
  if (!storage)
    return E_POINTER;
  std::uint32_t length = 0;
  const void* data = storage->GetData(length);
  const std::lock_guard<std::mutex> guard(m_lock);
  m_captureSettings.assign(static_cast<const char*>(data), data ? length : 0);
  return m_captureSettings.empty() ? 1 : 0;
}

HRESULT FakeCamera::ApplyKeywordSettings(const char* keywordSettings) {
  if (const HRESULT code = m_script.enter(CameraOp::ApplyKeywordSettings))
    return code;
  // Items are zero-ended, the list closed by an empty item; kept here with
  // each item followed by '\n'.
  std::string items;
  for (const char* item = keywordSettings; item && *item; item += std::strlen(item) + 1)
    items.append(item).push_back('\n');
  const std::lock_guard<std::mutex> guard(m_lock);
  m_keywordSettings = items;
  return 0;
}

HRESULT FakeCamera::DownloadPicture(IPictureFromCamera* picture, std::int32_t index) {
  if (const HRESULT code = m_script.enter(CameraOp::DownloadPicture))
    return code;
  if (!picture)
    return E_POINTER;
  {
    const std::lock_guard<std::mutex> guard(m_lock);
    if (index < 1 || index > m_storedPictures)
      return 1;
  }
  return tarsel::cameras::GuardResult([&] {
    std::string name;
    FormatStdString(name, "TST_%04d.JPG", static_cast<int>(index));
    picture->SetFileName(name.c_str());
    FillPicture(picture, index, false);
    return HRESULT{0};
  });
}

HRESULT FakeCamera::ApplyFocusSettings(ICamExtraCommand* settings) {
  if (const HRESULT code = m_script.enter(CameraOp::ApplyFocusSettings))
    return code;
  std::int32_t mode = 0;
  std::int32_t position = 0;
  if (!settings || !settings->GetCommand(&mode, &position))
    return 1;
  const std::lock_guard<std::mutex> guard(m_lock);
  m_focusGiven = true;
  m_focusMode = mode;
  m_focusPosition = position;
  return 0;
}

HRESULT FakeCamera::ShowCameraInfo(HWND, _ITarselCallback*) {
  return m_script.enter(CameraOp::ShowCameraInfo);
}

HRESULT FakeCamera::ShowCapabilityTest(HWND, _ITarselCallback*) {
  return m_script.enter(CameraOp::ShowCapabilityTest);
}

HRESULT FakeCamera::ShowDownloadAllPictures(HWND, _ITarselCallback*) {
  return m_script.enter(CameraOp::ShowDownloadAllPictures);
}

HRESULT FakeCamera::ShowCaptureProperties(HWND, std::int32_t, bool show) {
  if (const HRESULT code = m_script.enter(CameraOp::ShowCaptureProperties))
    return code;
  const std::lock_guard<std::mutex> guard(m_lock);
  m_capturePropertiesShown = show;
  return 0;
}

HRESULT FakeCamera::EnableCaptureProperties(bool enable) {
  if (const HRESULT code = m_script.enter(CameraOp::EnableCaptureProperties))
    return code;
  const std::lock_guard<std::mutex> guard(m_lock);
  m_capturePropertiesEnabled = enable;
  return 0;
}

HRESULT FakeCamera::NotifyCaptureProperties(std::int32_t event) {
  if (const HRESULT code = m_script.enter(CameraOp::NotifyCaptureProperties))
    return code;
  const std::lock_guard<std::mutex> guard(m_lock);
  m_capturePropertiesEvent = event;
  return 0;
}

HRESULT FakeCamera::CloseCaptureProperties() {
  if (const HRESULT code = m_script.enter(CameraOp::CloseCaptureProperties))
    return code;
  const std::lock_guard<std::mutex> guard(m_lock);
  m_capturePropertiesShown = false;
  return 0;
}

HRESULT FakeCamera::ShowCameraSettings(HWND, _ITarselCallback*, std::int32_t firstPage) {
  if (const HRESULT code = m_script.enter(CameraOp::ShowCameraSettings))
    return code;
  const std::lock_guard<std::mutex> guard(m_lock);
  m_settingsPage = firstPage;
  return 0;
}

} // namespace tarsel::testcamera
