// The storage volumes of one open source, and the stored items of one
// volume: enumeration holders on the stack for one operation, released
// when the object goes.
//
// Threads: under the camera's lock. Failure: the constructors,
// GetVolumeInfo and GetCount throw the Canon error of a failed call; Next
// returns the SDK's result (non-zero ends the walk); destructors never throw.
#pragma once

#include "app/cameras/canon/CdSdkAbi.h"

#include <cstdint>

class CCanonVolumeEnum {
public:
  explicit CCanonVolumeEnum(std::uint32_t source);
  ~CCanonVolumeEnum();
  CCanonVolumeEnum(const CCanonVolumeEnum&) = delete;
  CCanonVolumeEnum& operator=(const CCanonVolumeEnum&) = delete;

  // Ends after kMaxEnumerated volumes, however many the SDK offers.
  std::uint32_t Next(std::uint32_t* volume);
  void GetVolumeInfo(std::uint32_t volume, tarsel::cdsdk::VolumeRecord* out);

private:
  std::uint32_t m_handle = 0;
  std::uint32_t m_handedOut = 0;
};

class CCanonItemEnum {
public:
  explicit CCanonItemEnum(std::uint32_t volume);
  ~CCanonItemEnum();
  CCanonItemEnum(const CCanonItemEnum&) = delete;
  CCanonItemEnum& operator=(const CCanonItemEnum&) = delete;

  // The SDK's count, at most kMaxEnumerated.
  std::uint32_t GetCount();

private:
  std::uint32_t m_handle = 0;
};
