// Taking a picture and transferring it: the bracketing step, the exposure
// snapshot and the capture-properties record sent before every shot, the
// release, the download of the picture just taken, and the library's progress.
#include "app/cameras/vesk/VeskDllWr.h"

#include "app/cameras/common/KeptPictureSearch.h"
#include "app/cameras/vesk/VeskBracketing.h"
#include "app/cameras/vesk/VeskCall.h"
#include "app/cameras/vesk/VeskPictureInfo.h"
#include "app/cameras/vesk/VeskProgressMap.h"
#include "app/cameras/vesk/VeskResultGuard.h"
#include "app/core/ISdkCallback.h"
#include "hostapi/IPictureFromCamera.h"
#include "platform/Win32Error.h"

#include <algorithm>
#include <new>
#include <vector>

using namespace tarsel::vesk;

namespace {

// A download that stopped before its last block.
constexpr HRESULT kIncompleteDownload = static_cast<HRESULT>(0x8104000Au); // "MSG_VESK_BAD_READ."
// The camera reports no stored picture after a capture: the picture did not
// reach the card.
constexpr HRESULT kNoPictureStored = static_cast<HRESULT>(0x81040008u);

constexpr std::uint32_t kKeepOnCard = 1;
constexpr std::uint32_t kNameAfterCameraFile = 2;

} // namespace

void CVeskDllWr::StoreSnapshot(ExposureWord word, std::int32_t value) {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  m_exposure[word] = value;
}

CVeskDllWr::ExposureSnapshot CVeskDllWr::GetExposureSnapshot() {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  return m_exposure;
}

CVeskDllWr::CaptureRecord CVeskDllWr::GetCaptureRecord() {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  return m_captureRecord;
}

void CVeskDllWr::SetPropExpoBias(std::int32_t value) {
  CallThrowing<Export::SetPropExpoBias>(this, [&](auto f) { return f(m_cameraNumber, value); });
  StoreSnapshot(kExpoBias, value);
}

void CVeskDllWr::SetPropWhiteBalance(std::int32_t value) {
  CallThrowing<Export::SetPropWhiteBalance>(this, [&](auto f) { return f(m_cameraNumber, value); });
  StoreSnapshot(kWhiteBalance, value);
}

void CVeskDllWr::SetPropMetering(std::int32_t value) {
  CallThrowing<Export::SetPropMetering>(this, [&](auto f) { return f(m_cameraNumber, value); });
  StoreSnapshot(kMetering, value);
}

void CVeskDllWr::SetPropIsoSpeed(std::int32_t value) {
  CallThrowing<Export::SetPropIsoSpeed>(this, [&](auto f) { return f(m_cameraNumber, value); });
  StoreSnapshot(kIsoSpeed, value);
}

void CVeskDllWr::SetExposureProp3(std::int32_t mode, std::int32_t aperture, std::int32_t exposureTime) {
  CallThrowing<Export::SetExposureProp3>(
      this, [&](auto f) { return f(m_cameraNumber, mode, aperture, exposureTime); });
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  m_exposure[kProgramMode] = mode;
  m_exposure[kAperture] = aperture;
  m_exposure[kExposureTime] = exposureTime;
}

void CVeskDllWr::SendExposureSnapshot() {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  // The camera may have lost its settings since they were set: send them all.
  const ExposureSnapshot values = m_exposure;
  SetPropExpoBias(values[kExpoBias]);
  SetPropWhiteBalance(values[kWhiteBalance]);
  SetPropMetering(values[kMetering]);
  SetPropIsoSpeed(values[kIsoSpeed]);
  SetExposureProp3(values[kProgramMode], values[kAperture], values[kExposureTime]);
}

HRESULT CVeskDllWr::SyncCaptureProps() {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  if (!BoundExport<Export::SetCaptureProp>())
    return kDllFunctionMissing;
  CallConnection connection(this);
  CaptureRecord record = m_captureRecord;
  if (m_bypassMedia && record[kMediaWord] != kBypassMedia)
    record[kMediaWord] = kBypassMedia;
  else if (!m_bypassMedia && record[kMediaWord] == kBypassMedia)
    record[kMediaWord] = 0;
  record[kExternalFlashWord] = m_externalFlash;
  if (record != m_captureRecord) {
    CallThrowing<Export::SetCaptureProp>(this, [&](auto f) { return f(m_cameraNumber, record.data()); });
    // Kept only once the camera has it, so a failed send is sent again.
    m_captureRecord = record;
  }
  return 0;
}

void CVeskDllWr::FireCapture(bool asynchronous) {
  CallThrowing<Export::Capture>(
      this, [&](auto f) { return f(m_cameraNumber, asynchronous, &CVeskDllWr::OnProgress, this); });
}

IBracketing* CVeskDllWr::GetBracketing() {
  return m_bracketing->Init() == 0 ? m_bracketing.get() : nullptr;
}

HRESULT CVeskDllWr::Capture(std::uint32_t, bool asynchronous) {
  return GuardResult([&] {
    const std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (m_bracketing->IsEnabled()) {
      if (m_bracketing->IsFirstStep())
        ThrowIfFailed(m_bracketing->PrepareSeries());
      ThrowIfFailed(m_bracketing->ApplyCurrentStep());
    }
    SendExposureSnapshot();
    ThrowIfFailed(SyncCaptureProps());
    FireCapture(asynchronous);
  });
}

HRESULT CVeskDllWr::PrepareCapture(std::uint32_t) {
  return GuardResult([&] {
    const std::lock_guard<std::recursive_mutex> guard(m_lock);
    ThrowIfFailed(SyncCaptureProps());
    SendExposureSnapshot();
  });
}

HRESULT CVeskDllWr::FirePreparedCapture() {
  return CallReturning<Export::Capture>(
      this, [&](auto f) { return f(m_cameraNumber, false, &CVeskDllWr::OnProgress, this); });
}

void CVeskDllWr::SetPropCurrentPicture(std::int32_t index) {
  CallThrowing<Export::SetPropCurrentPicture>(this, [&](auto f) { return f(m_cameraNumber, index); });
}

std::int32_t CVeskDllWr::GetPropPicCount() {
  return CallThrowing<Export::GetPropPicCount>(this, [&](auto f) {
    // Pictures that bypass the card are not counted on it.
    LeaveBypassMedia();
    return f(m_cameraNumber);
  });
}

void CVeskDllWr::LeaveBypassMedia() {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  if (m_captureRecord[kMediaWord] != kBypassMedia)
    return;
  CaptureRecord record = m_captureRecord;
  record[kMediaWord] = 0;
  CallThrowing<Export::SetCaptureProp>(this, [&](auto f) { return f(m_cameraNumber, record.data()); });
  m_captureRecord = record;
}

std::int32_t CVeskDllWr::GetPropPicSize() {
  return CallThrowing<Export::GetPropPicSize>(this, [&](auto f) { return f(m_cameraNumber); });
}

std::string CVeskDllWr::GetPropFileName() {
  return CallThrowing<Export::GetPropFileName>(this, [&](auto f) {
    const char* name = f(m_cameraNumber);
    return std::string(name ? name : "");
  });
}

void CVeskDllWr::EraseLast() {
  CallThrowing<Export::EraseLast>(this, [&](auto f) { return f(m_cameraNumber); });
}

bool CVeskDllWr::GetPicture(std::int32_t size, void* buffer) {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  m_transferSize = static_cast<std::uint32_t>(size);
  const int result = CallThrowing<Export::GetPicture>(
      this, [&](auto f) { return f(m_cameraNumber, size, buffer, &CVeskDllWr::OnProgress, this); });
  return result == 1;
}

std::vector<BYTE> CVeskDllWr::NewTransferBuffer(std::int32_t size) {
  std::vector<BYTE> buffer;
  try {
    buffer.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    throw _brantel_take_error(E_OUTOFMEMORY);
  }
  return buffer;
}

std::vector<BYTE> CVeskDllWr::ReadCurrentPicture(std::int32_t size) {
  std::vector<BYTE> buffer = NewTransferBuffer(size);
  if (!GetPicture(size, buffer.data())) {
    FormatVeskError(kIncompleteDownload, "GetPicture", this);
    throw _brantel_take_error(kIncompleteDownload);
  }
  return buffer;
}

HRESULT CVeskDllWr::TransferPicture(IPictureFromCamera* picture, std::uint32_t flags) {
  if (!picture)
    throw _brantel_take_error(E_POINTER);
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  m_keptPicture = {};
  const bool bypass = m_captureRecord[kMediaWord] == kBypassMedia;
  std::int32_t index = 1;
  if (!bypass) {
    index = GetPropPicCount();
    // Picture 0 is the preview picture, never the one just taken.
    if (index <= 0) {
      FormatVeskError(kNoPictureStored, "GetPropPicCount", this);
      throw _brantel_take_error(kNoPictureStored);
    }
  }
  SetPropCurrentPicture(index);
  std::string cardName;
  if (!bypass && (flags & (kNameAfterCameraFile | kKeepOnCard)))
    cardName = GetPropFileName();
  if (!bypass && (flags & kNameAfterCameraFile))
    picture->SetFileName(cardName.c_str());

  const std::int32_t size = GetPropPicSize();
  bool transferred = false;
  if (size > 0) {
    // A picture that did not arrive whole is neither delivered nor erased.
    const std::vector<BYTE> buffer = ReadCurrentPicture(size);
    CVeskPictureInfo::TagRecord tags{};
    CallThrowing<Export::GetPicTagProp>(this, [&](auto f) { return f(m_cameraNumber, tags.data()); });
    const std::int32_t iso =
        CallThrowing<Export::GetPropIsoSpeed>(this, [&](auto f) { return f(m_cameraNumber); });
    CVeskPictureInfo info(tags, static_cast<std::uint32_t>(size), m_exposure[kWhiteBalance], iso);
    picture->SetImage(buffer.data(), static_cast<DWORD>(size), GetRawFileExtension(), &info);
    transferred = true;
  }
  // Only a picture that is safely in the record leaves the card.
  if (transferred && !bypass && !(flags & kKeepOnCard))
    EraseLast();
  if (transferred && !bypass && (flags & kKeepOnCard))
    m_keptPicture = {index, cardName};
  if (bypass)
    LeaveBypassMedia();
  return 0;
}

CardPicture CVeskDllWr::GetKeptPicture() {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  return m_keptPicture;
}

HRESULT CVeskDllWr::EraseKeptPicture(const CardPicture& picture) {
  return GuardResult([&]() -> HRESULT {
    // One lock for the search and the erase: a preview frame in between
    // would select its own picture.
    const std::lock_guard<std::recursive_mutex> guard(m_lock);
    tarsel::cameras::StoredPictures stored{[this] { return GetPropPicCount(); },
                                           [this](std::int32_t index) { SetPropCurrentPicture(index); },
                                           [this] { return GetPropFileName(); }, [this] { ErasePicture(); }};
    return tarsel::cameras::EraseKeptPicture(picture, stored);
  });
}

HRESULT CVeskDllWr::DownloadPicture(IPictureFromCamera* picture, std::int32_t index) {
  HRESULT result = 0;
  const HRESULT failure = GuardResult([&] {
    if (!picture)
      throw _brantel_take_error(E_POINTER);
    // One lock for all the steps: a preview frame in between would select
    // its own picture.
    const std::lock_guard<std::recursive_mutex> guard(m_lock);
    SetPropCurrentPicture(index);
    picture->SetFileName(GetPropFileName().c_str());
    const std::int32_t size = GetPropPicSize();
    if (size <= 0) {
      result = 1;
      return;
    }
    // A picture that did not arrive whole is not delivered.
    const std::vector<BYTE> buffer = ReadCurrentPicture(size);
    picture->SetImage(buffer.data(), static_cast<DWORD>(size), GetRawFileExtension(), nullptr);
  });
  return failure != 0 ? failure : result;
}

void CVeskDllWr::ReportProgress(std::uint32_t received) {
  _ISdkCallback* const sink = m_progressSink.load();
  if (!sink)
    return;
  const std::uint32_t size = m_transferSize.load();
  // In 64 bits: pictures of more than 42 MB would wrap in 32. A library
  // that counts past the size still reports no more than 100.
  const std::uint64_t percent =
      size == 0 ? 0 : std::min<std::uint64_t>(std::uint64_t{received} * 100u / size, 100u);
  sink->OnStatus(3, static_cast<std::intptr_t>(percent));
}

void CVeskDllWr::OnProgress(int camera, const VESK_PROGRESS* progress, void* context) {
  // The completion of an asynchronous capture carries no progress.
  if (!progress)
    return;
  try {
    auto* self = static_cast<CVeskDllWr*>(context);
    if (self && self->GetCameraNumber() == camera) {
      self->ReportProgress(progress->received);
      return;
    }
    VeskProgressMap::With(camera, [&](CVeskDllWr* found) {
      if (CVeskDllWr* target = found ? found : self)
        target->ReportProgress(progress->received);
    });
  } catch (...) {
    // Nothing may leave a call-back of the library.
  }
}
