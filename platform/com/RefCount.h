// Reference counting for the objects a component library makes, and the
// library's count of live objects and server locks that its DllCanUnloadNow
// answers from. An object holds a RefCount (which counts it in its library
// while it lives) and implements AddRef and Release with it:
//   ULONG Release() override { const ULONG n = m_refs.release(); if (n == 0) delete this; return n; }
// Counts are atomic; nothing else of an object is made thread-safe by them.
#pragma once

#include "hostapi/Win32Types.h"

#include <atomic>

namespace tarsel::com {

class ModuleCount {
public:
  void lock() { m_count.fetch_add(1, std::memory_order_relaxed); }
  void unlock() { m_count.fetch_sub(1, std::memory_order_acq_rel); }
  bool idle() const { return m_count.load(std::memory_order_acquire) == 0; }

private:
  std::atomic<long> m_count{0};
};

class RefCount {
public:
  // One reference, held by whoever made the object.
  explicit RefCount(ModuleCount& module) : m_module(module) { m_module.lock(); }
  ~RefCount() { m_module.unlock(); }
  RefCount(const RefCount&) = delete;
  RefCount& operator=(const RefCount&) = delete;

  ULONG addRef() { return m_refs.fetch_add(1, std::memory_order_relaxed) + 1; }
  // The new count; the object deletes itself at 0.
  ULONG release() { return m_refs.fetch_sub(1, std::memory_order_acq_rel) - 1; }

private:
  ModuleCount& m_module;
  std::atomic<ULONG> m_refs{1};
};

} // namespace tarsel::com
