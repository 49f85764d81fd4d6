// The camera object's capability store, bracketing series and picture
// information: the model's sets and ranges under the camera's lock, its
// model profile file, and the objects Capture and TransferPicture use.
#include "app/cameras/lunet/LunetCall.h"
#include "app/cameras/lunet/LunetModelTable.h"
#include "app/cameras/lunet/LunetPictureInfo.h"
#include "app/cameras/lunet/LunetSdkWrapper.h"
#include "app/cameras/lunet/LunetWr.h"
#include "app/cameras/lunet/LunetWrCaptureCamera.h"
#include "app/core/IBaseSDK_Wr.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include <sys/stat.h>
#include <unistd.h>

using tarsel::lunet::CLunetLock;

void CLunetWr::CreatePropertyState() {
  try {
    m_captureCamera = std::make_unique<tarsel::lunet::CLunetWrCaptureCamera>(*this);
    m_bracketing = std::make_unique<CLunetBracketing>(m_captureCamera.get());
  } catch (const std::bad_alloc&) {
    throw _brantel_take_error(ERROR_NOT_ENOUGH_MEMORY);
  }
}

void CLunetWr::DestroyPropertyState() noexcept {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  m_bracketing.reset();
  m_capabilities.Release();
}

IBracketing* CLunetWr::GetBracketing() {
  try {
    return m_bracketing->Init() == 0 ? m_bracketing.get() : nullptr;
  } catch (...) {
    return nullptr;
  }
}

void CLunetWr::ApplyBracketingStep() {
  if (!m_bracketing->IsEnabled())
    return;
  if (m_bracketing->IsFirstStep())
    ThrowIfFailed(m_bracketing->PrepareSeries());
  // A step past the table, or a setting without a value table, varies
  // nothing: the picture is still taken.
  m_bracketing->ApplyCurrentStep();
}

std::unique_ptr<IPictureInfo> CLunetWr::MakePictureInfo(const std::vector<std::uint8_t>& tag,
                                                        std::int32_t size) {
  CLunetPictureInfo::TagRecord record{};
  std::copy_n(tag.begin(), std::min(tag.size(), record.size()), record.begin());
  return std::make_unique<CLunetPictureInfo>(record, static_cast<std::uint32_t>(size), GetPropWhiteBalance(),
                                             GetPropIsoSpeed());
}

std::string CLunetWr::ModelProfileFile(const char* path) {
  if (path && *path)
    return path;
  const CLunetLock lock(this);
  return tarsel::lunet::LunetModelFile(GetLunetSdkWrapper(nullptr)->GetSettings(), m_cameraType);
}

void CLunetWr::LoadCameraDescription() {
  const CLunetLock lock(this);
  // Without a camera type or the family's settings there is no file: the
  // built-in defaults alone apply.
  const bool hasFile = !m_cameraType.empty() && GetLunetSdkWrapper(nullptr)->GetSettings();
  m_capabilities.Load(hasFile ? ModelProfileFile(nullptr) : std::string(),
                      tarsel::lunet::LunetModelZoomRange(m_cameraType));
}

std::int32_t CLunetWr::CapabilitiesKnown() {
  const CLunetLock lock(this);
  return m_capabilities.Known();
}

CRangeD CLunetWr::GetOpticalZoomRange() {
  const CLunetLock lock(this);
  return m_capabilities.GetOpticalZoomRange();
}

void CLunetWr::SetOpticalZoomRange(const CRange& range) {
  const CLunetLock lock(this);
  m_capabilities.SetOpticalZoomRange(range);
}

CRange CLunetWr::GetRange(const char* name) {
  const CLunetLock lock(this);
  return m_capabilities.GetRange(name);
}

void CLunetWr::SetRange(const char* name, const CRange& range, bool store) {
  const CLunetLock lock(this);
  m_capabilities.SetRange(name, range, store, store ? ModelProfileFile(nullptr) : std::string());
}

const tarsel::core::CapabilityValue* CLunetWr::GetCapabilityTable(const char* name) {
  const CLunetLock lock(this);
  return m_capabilities.GetCapabilityTable(name);
}

void CLunetWr::SetCapability(const char* name, CCapabilitySet& set, bool store) {
  const CLunetLock lock(this);
  m_capabilities.SetCapability(name, set, store, store ? ModelProfileFile(nullptr) : std::string());
}

CRange CLunetWr::GetCapabilityRange(const char* name) {
  const CLunetLock lock(this);
  return m_capabilities.GetCapabilityRange(name);
}

void CLunetWr::GetModelProfilePath(char* buffer, int* size) {
  if (!size)
    throw _brantel_take_error(E_POINTER);
  const std::string path = ModelProfileFile(nullptr);
  const int length = static_cast<int>(path.size());
  if (buffer && *size > length)
    std::memcpy(buffer, path.c_str(), path.size() + 1);
  *size = length;
}

void CLunetWr::SaveModelProfile(const char* path) {
  const CLunetLock lock(this);
  m_capabilities.Save(ModelProfileFile(path));
}

void CLunetWr::DeleteModelProfile(const char* path) {
  const std::string file = ModelProfileFile(path);
  struct stat st {};
  if (::stat(file.c_str(), &st) == 0 && ::unlink(file.c_str()) != 0)
    throw _brantel_take_error(static_cast<HRESULT>(Win32FromErrno(errno)), file.c_str());
}
