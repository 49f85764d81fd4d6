// The cameras found by the last enumeration, in enumeration order; a camera
// number is the zero-based position in this list. Records are shared: a
// look-up hands out a reference that keeps the record (and its open device)
// alive while a command uses it, even when the list is rebuilt meanwhile.
// Any thread; the list has its own lock.
#pragma once

#include "vesklib/CameraRecord.h"

#include <memory>
#include <mutex>
#include <vector>

namespace tarsel::vesk {

class CCameraList {
public:
  // The record of a camera number; null when the number is not in the list.
  std::shared_ptr<CCameraRecord> find(int camera) const;
  int count() const;
  // Empties the list; each record closes its device once nobody uses it.
  void clear();
  void append(std::shared_ptr<CCameraRecord> record);

private:
  mutable std::mutex m_lock;
  std::vector<std::shared_ptr<CCameraRecord>> m_records;
};

} // namespace tarsel::vesk
