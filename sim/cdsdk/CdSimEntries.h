// The function-table entries of the stand-in, in three groups (sources,
// properties and storage; release, transfer and live view; camera values),
// and the helpers they share. Helpers named "...Locked" expect state().mutex
// to be held by the caller.
#pragma once

#include "sim/cdsdk/CdSimState.h"

#include <mutex>

namespace tarsel::cdsim {

// Fills every slot but 0: the entries below, and for every other slot a stub
// that logs the call and answers "not implemented".
void fillFunctionTable(CanonSdkFunctionTable& table);
void fillSourceEntries(CanonSdkFunctionTable& table);
void fillReleaseEntries(CanonSdkFunctionTable& table);
void fillValueEntries(CanonSdkFunctionTable& table);

// A family fault: counted, logged, and `code` to return.
u32 illegalLocked(const std::string& what, u32 code);
// The camera of an open source that is still plugged in; else null and *error set.
Camera* sourceLocked(u32 source, u32* error);
// Opens an enumeration of `values` on the camera into *out.
u32 openEnumLocked(Camera& camera, HandleKind kind, std::vector<u32> values, u32* out);
// The next value of an enumeration, or kErrEnumEnd; kErrDeviceNotFound once the camera is gone.
u32 nextLocked(u32 handle, HandleKind kind, u32* value);
u32 countLocked(u32 handle, HandleKind kind, u32* count);
// Releases any handle of that kind; works on a camera that went away too.
u32 releaseLocked(u32 handle, HandleKind kind);

inline std::unique_lock<std::mutex> lockState() {
  return std::unique_lock(state().mutex);
}

// Runs `body` with the camera of an open source that is still plugged in,
// under the state's lock; else returns the source's error.
template <typename Body> u32 inSource(u32 source, Body&& body) {
  auto lock = lockState();
  u32 error = cdsdk::kOk;
  Camera* camera = sourceLocked(source, &error);
  if (camera == nullptr)
    return error;
  return body(*camera);
}

// The count and the release of an enumeration of one kind.
template <HandleKind Kind> u32 enumCount(u32 handle, u32* outCount) {
  auto lock = lockState();
  return countLocked(handle, Kind, outCount);
}

template <HandleKind Kind> u32 enumRelease(u32 handle) {
  auto lock = lockState();
  return releaseLocked(handle, Kind);
}

} // namespace tarsel::cdsim
