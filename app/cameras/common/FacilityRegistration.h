// The registration of a family's error facility with the environment
// library's message table for as long as the owner (the family's SDK
// object) lives.
//
// Threads: any. Failure: the constructor throws what the registration
// throws (std::bad_alloc); the destructor never throws.
#pragma once

#include "env/FacilityRegistry.h"

namespace tarsel::cameras {

class CFacilityRegistration {
public:
  explicit CFacilityRegistration(unsigned long facility) : m_facility(facility) {
    RegisterFacility(m_facility, TarselEnvMessageTable());
  }
  ~CFacilityRegistration() { UnregisterFacility(m_facility); }
  CFacilityRegistration(const CFacilityRegistration&) = delete;
  CFacilityRegistration& operator=(const CFacilityRegistration&) = delete;

private:
  const unsigned long m_facility;
};

} // namespace tarsel::cameras
