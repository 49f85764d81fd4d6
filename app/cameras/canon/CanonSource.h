// One camera's source in the Canon SDK, owned by its camera object: the
// source index (its position among the enumerated sources), the open
// source handle, its source record, the event-call-back registration and
// the remote-release use count. While the use count is above 0 the source
// is open and in remote-release mode; Close closes only at use count 0.
//
// Entering remote-release mode afresh opens the source (unless it is open
// already), registers the event call-back, enters the mode and selects the
// release kind 2; when a step fails, what was done is undone in reverse
// order, the use count stays 0 and the error is thrown.
//
// Threads: under the camera's lock. Failure: the Canon error of a failed
// call is thrown; leaving, closing and the destructor never throw.
#pragma once

#include "app/cameras/canon/CdSdkAbi.h"

#include <cstdint>
#include <string>

class CCanonSource {
public:
  explicit CCanonSource(std::uint32_t sourceIndex);
  ~CCanonSource();
  CCanonSource(const CCanonSource&) = delete;
  CCanonSource& operator=(const CCanonSource&) = delete;

  // Opens the source when it is closed and the use count is 0.
  void Open();
  std::uint32_t EnterRemoteRelease(tarsel::cdsdk::EventCallback* callback, void* context);
  std::uint32_t LeaveRemoteRelease() noexcept;
  // Leaves the mode whatever the use count.
  std::uint32_t ForceLeaveRemoteRelease() noexcept;
  void Close() noexcept;
  void SelectReleaseKind(std::uint32_t kind);

  std::uint32_t GetSourceIndex() const { return m_index; }
  std::uint32_t GetHandle() const { return m_handle; }
  std::uint32_t GetUseCount() const { return m_useCount; }
  const CanonSourceRecord& GetRecord() const { return m_record; }
  std::string GetSourceName() const;

private:
  // Reads this source's record and opens it.
  void OpenHandle();

  std::uint32_t m_index;
  std::uint32_t m_handle = 0;
  CanonSourceRecord m_record{};
  std::uint32_t m_useCount = 0;
  std::uint32_t m_registration = 0;
};
