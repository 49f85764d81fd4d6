#include "app/cameras/canon/CanonSource.h"

#include "app/cameras/canon/CanonCall.h"
#include "app/cameras/canon/CanonSourceEnum.h"

using namespace tarsel::canon;
namespace cd = tarsel::cdsdk;

CCanonSource::CCanonSource(std::uint32_t sourceIndex) : m_index(sourceIndex) {}

CCanonSource::~CCanonSource() {
  ForceLeaveRemoteRelease();
  // A source opened without entering the mode is closed too.
  Close();
}

void CCanonSource::OpenHandle() {
  CCanonSourceEnum sources;
  sources.ReadSourceRecord(static_cast<int>(m_index), &m_record);
  m_record.word0 = cd::kSourceRecordOpenWord;
  std::uint32_t handle = 0;
  CallChecked<cd::kEntrySourceOpen>(&m_record, &handle);
  m_handle = handle;
}

void CCanonSource::Open() {
  if (m_handle == 0 && m_useCount == 0)
    OpenHandle();
}

std::uint32_t CCanonSource::EnterRemoteRelease(cd::EventCallback* callback, void* context) {
  if (m_handle != 0 && m_useCount > 0)
    return ++m_useCount;

  bool opened = false;
  bool registered = false;
  bool entered = false;
  try {
    if (m_handle == 0) {
      OpenHandle();
      opened = true;
    }
    std::uint32_t registration = 0;
    CallChecked<cd::kEntryEventRegister>(m_handle, callback, context, &registration);
    m_registration = registration;
    registered = true;
    CallChecked<cd::kEntryRemoteReleaseEnter>(m_handle, callback, context);
    entered = true;
    SelectReleaseKind(cd::kReleaseKindPicture);
  } catch (...) {
    // Undo in reverse order: nothing of a half-entered mode stays behind.
    if (entered)
      CallQuietly<cd::kEntryRemoteReleaseLeave>(m_handle);
    if (registered) {
      CallQuietly<cd::kEntryEventUnregister>(m_handle, m_registration);
      m_registration = 0;
    }
    if (opened) {
      CallQuietly<cd::kEntrySourceClose>(m_handle);
      m_handle = 0;
    }
    throw;
  }
  m_useCount = 1;
  return m_useCount;
}

std::uint32_t CCanonSource::LeaveRemoteRelease() noexcept {
  if (m_useCount == 0)
    return 0;
  if (--m_useCount > 0)
    return m_useCount;
  CallQuietly<cd::kEntryRemoteReleaseLeave>(m_handle);
  if (m_registration)
    CallQuietly<cd::kEntryEventUnregister>(m_handle, m_registration);
  // The registration keeps its stale value until the next registration.
  CallQuietly<cd::kEntrySourceClose>(m_handle);
  m_handle = 0;
  return 0;
}

std::uint32_t CCanonSource::ForceLeaveRemoteRelease() noexcept {
  if (m_useCount > 0)
    m_useCount = 1;
  return LeaveRemoteRelease();
}

void CCanonSource::Close() noexcept {
  if (m_handle == 0 || m_useCount > 0)
    return;
  CallQuietly<cd::kEntrySourceClose>(m_handle);
  m_handle = 0;
}

void CCanonSource::SelectReleaseKind(std::uint32_t kind) {
  CallChecked<cd::kEntrySelectReleaseKind>(m_handle, kind);
}

std::string CCanonSource::GetSourceName() const {
  return SourceRecordName(m_record);
}
