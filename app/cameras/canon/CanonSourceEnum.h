// One enumeration of the cameras (sources) the Canon SDK sees, released
// when the object goes. Used on the stack for one operation.
//
// Threads: one at a time. Failure: the constructor, GetCount and
// ReadSourceRecord throw the Canon error of a failed call; the destructor
// never throws.
#pragma once

#include "app/cameras/canon/CdSdkAbi.h"

#include <cstdint>
#include <string>

class CCanonSourceEnum {
public:
  CCanonSourceEnum();
  ~CCanonSourceEnum();
  CCanonSourceEnum(const CCanonSourceEnum&) = delete;
  CCanonSourceEnum& operator=(const CCanonSourceEnum&) = delete;

  // The SDK's count, at most kMaxSources.
  std::uint32_t GetCount();
  // Zeroes the record, then reads index + 1 records so that the one of
  // source `index` (from 0) remains; a negative index reads nothing.
  void ReadSourceRecord(int index, CanonSourceRecord* out);

private:
  std::uint32_t m_handle = 0;
};

// The source's name in its record, bounded by the record's field.
std::string SourceRecordName(const CanonSourceRecord& record);
