#include "vesklib/CameraList.h"

namespace tarsel::vesk {

std::shared_ptr<CCameraRecord> CCameraList::find(int camera) const {
  std::lock_guard guard(m_lock);
  if (camera < 0 || static_cast<std::size_t>(camera) >= m_records.size())
    return nullptr;
  return m_records[static_cast<std::size_t>(camera)];
}

int CCameraList::count() const {
  std::lock_guard guard(m_lock);
  return static_cast<int>(m_records.size());
}

void CCameraList::clear() {
  std::vector<std::shared_ptr<CCameraRecord>> old;
  {
    std::lock_guard guard(m_lock);
    old.swap(m_records);
  }
  // Records close their devices here, outside the lock.
}

void CCameraList::append(std::shared_ptr<CCameraRecord> record) {
  std::lock_guard guard(m_lock);
  m_records.push_back(std::move(record));
}

} // namespace tarsel::vesk
