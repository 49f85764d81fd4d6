#include "sim/cdsdk/CdSimEntries.h"

#include "sim/cdsdk/CdSimCall.h"

#include <utility>

namespace tarsel::cdsim {
namespace {

template <std::size_t Slot> u32 notImplemented() {
  constexpr u32 entry = static_cast<u32>(Slot * 4);
  CallScope scope(entry, "NotImplemented", {}, 0);
  if (scope.refused() != 0)
    return scope.finish(scope.refused());
  {
    std::lock_guard lock(state().mutex);
    ++state().counts.notImplementedCalls;
  }
  return scope.finish(cdsdk::kErrNotImplemented);
}

template <std::size_t... Slots> void fillStubs(CanonSdkFunctionTable& table, std::index_sequence<Slots...>) {
  // The stubs take no arguments: whatever an unexpected caller passes is ignored.
  ((table.slot[Slots + 1] = reinterpret_cast<std::uintptr_t>(&notImplemented<Slots + 1>)), ...);
}

} // namespace

void fillFunctionTable(CanonSdkFunctionTable& table) {
  fillStubs(table, std::make_index_sequence<cdsdk::kTableSlots - 1>{});
  fillSourceEntries(table);
  fillReleaseEntries(table);
  fillValueEntries(table);
}

u32 illegalLocked(const std::string& what, u32 code) {
  state().violation(what);
  return code;
}

Camera* sourceLocked(u32 source, u32* error) {
  bool unplugged = false;
  Camera* camera = state().sourceCamera(source, &unplugged);
  if (camera == nullptr) {
    *error = cdsdk::kErrInvalidHandle;
    return nullptr;
  }
  if (unplugged) {
    *error = cdsdk::kErrDeviceNotFound;
    return nullptr;
  }
  *error = cdsdk::kOk;
  return camera;
}

u32 openEnumLocked(Camera& camera, HandleKind kind, std::vector<u32> values, u32* out) {
  if (out == nullptr)
    return illegalLocked("an enumeration opened without a place for its handle", cdsdk::kErrInvalidPointer);
  Handle handle;
  handle.kind = kind;
  handle.camera = camera.index;
  handle.generation = camera.generation;
  handle.values = std::move(values);
  *out = state().addHandle(std::move(handle));
  return cdsdk::kOk;
}

u32 nextLocked(u32 handle, HandleKind kind, u32* value) {
  Handle* h = state().find(handle, kind);
  if (h == nullptr)
    return cdsdk::kErrInvalidHandle;
  if (value == nullptr)
    return illegalLocked("an enumeration read without a place for the value", cdsdk::kErrInvalidPointer);
  if (h->camera >= 0) {
    const Camera& camera = *state().cameras.at(static_cast<std::size_t>(h->camera));
    if (!camera.plugged || camera.generation != h->generation)
      return cdsdk::kErrDeviceNotFound;
  }
  if (h->cursor >= h->values.size())
    return cdsdk::kErrEnumEnd;
  *value = h->values[h->cursor++];
  return cdsdk::kOk;
}

u32 countLocked(u32 handle, HandleKind kind, u32* count) {
  Handle* h = state().find(handle, kind);
  if (h == nullptr)
    return cdsdk::kErrInvalidHandle;
  if (count == nullptr)
    return illegalLocked("a count asked without a place for it", cdsdk::kErrInvalidPointer);
  *count = static_cast<u32>(h->values.size());
  return cdsdk::kOk;
}

u32 releaseLocked(u32 handle, HandleKind kind) {
  if (state().find(handle, kind) == nullptr)
    return cdsdk::kErrInvalidHandle;
  state().handles.erase(handle);
  return cdsdk::kOk;
}

} // namespace tarsel::cdsim
