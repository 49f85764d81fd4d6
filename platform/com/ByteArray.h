// A one-dimensional array of bytes as a variant carries it: it may hold no
// data at all (an array that was never dimensioned), and while a member
// works on its bytes in place the array is locked, so nobody can resize it
// underneath. Used by one thread at a time.
#pragma once

#include "tarselcom_export.h"

#include "hostapi/Win32Types.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tarsel::com {

class TARSELCOM_EXPORT ByteArray {
public:
  // The bytes of a locked array; the lock ends with the object.
  class TARSELCOM_EXPORT Access {
  public:
    explicit Access(ByteArray& array);
    ~Access();
    Access(const Access&) = delete;
    Access& operator=(const Access&) = delete;

    std::span<std::uint8_t> bytes() const { return m_array.m_bytes; }

  private:
    ByteArray& m_array;
  };

  // An array without data.
  ByteArray() = default;
  // An array of `size` zero bytes.
  explicit ByteArray(std::size_t size);

  bool hasData() const { return m_hasData; }
  std::size_t size() const { return m_bytes.size(); }
  bool locked() const { return m_locks > 0; }

  // New size, zero bytes added at the end; DISP_E_ARRAYISLOCKED while locked.
  HRESULT redim(std::size_t size);

private:
  std::vector<std::uint8_t> m_bytes;
  bool m_hasData = false;
  int m_locks = 0;
};

} // namespace tarsel::com
