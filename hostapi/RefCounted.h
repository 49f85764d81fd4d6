// The reference-counting base of the settings objects, the picture record and
// the camera families' settings pages: the count is 0 after construction,
// whoever hands an object out calls AddRef once, and the last Release deletes
// it through the virtual destructor. Both counts are atomic; nothing else of
// a derived object is made thread-safe by this base.
#pragma once

#include <atomic>
#include <cstdint>

class CRefCounted {
public:
  CRefCounted() = default;
  CRefCounted(const CRefCounted&) = delete;
  CRefCounted& operator=(const CRefCounted&) = delete;
  virtual ~CRefCounted() = default;

  // Returns the new count.
  virtual std::int32_t AddRef() { return m_refCount.fetch_add(1, std::memory_order_relaxed) + 1; }

  // Returns the new count; at 0 the object is deleted.
  virtual std::int32_t Release() {
    const std::int32_t count = m_refCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (count > 0)
      return count;
    delete this;
    return 0;
  }

private:
  std::atomic<std::int32_t> m_refCount{0};
};
