#include "platform/com/ByteArray.h"

#include "platform/com/ComResults.h"

namespace tarsel::com {

ByteArray::Access::Access(ByteArray& array) : m_array(array) {
  ++m_array.m_locks;
}

ByteArray::Access::~Access() {
  --m_array.m_locks;
}

ByteArray::ByteArray(std::size_t size) : m_bytes(size), m_hasData(true) {}

HRESULT ByteArray::redim(std::size_t size) {
  if (locked())
    return DISP_E_ARRAYISLOCKED;
  m_bytes.resize(size);
  m_hasData = true;
  return S_OK;
}

} // namespace tarsel::com
