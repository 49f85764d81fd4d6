// A device-property handle of one open source, closed when the object goes
// (on the stack for one operation): the flags word, battery level, clock,
// owner text and the property texts of at most 64 bytes.
//
// Threads: under the camera's lock. Failure: the constructor and
// SetOwnerText throw the Canon error of a failed call; the readers answer 0
// or the empty text when the read fails; the destructor never throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class CCanonDeviceProps {
public:
  static constexpr std::size_t kTextSize = 64;

  explicit CCanonDeviceProps(std::uint32_t source);
  ~CCanonDeviceProps();
  CCanonDeviceProps(const CCanonDeviceProps&) = delete;
  CCanonDeviceProps& operator=(const CCanonDeviceProps&) = delete;

  std::uint32_t GetDeviceFlags();
  std::uint32_t GetBatteryLevel();
  // Seconds of the camera's local wall clock.
  std::uint32_t GetCameraTime();
  void SetCameraTime(std::uint32_t seconds);
  void SetOwnerText(const char* text);

  // The property's text up to its first NUL, never past `maximum` bytes;
  // the empty text when the read fails.
  std::string ReadText(std::uint32_t id, std::size_t maximum = kTextSize);
  std::string GetOwnerText();
  std::string GetFirmwareText();
  std::string GetModelText();

private:
  std::uint32_t ReadWord(std::uint32_t id);

  std::uint32_t m_handle = 0;
};
