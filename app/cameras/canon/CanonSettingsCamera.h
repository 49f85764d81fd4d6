// The operations of a Canon camera that its capture settings are written
// from and applied through (capture-profile texts and keyword items): the
// camera's own property operations with their codes as the SDK has them.
// Every operation returns 0 or an error code and clears its outputs first.
//
// Threads: every operation takes the camera's re-entrant lock itself;
// callers hold CallMutex() around a whole text so it shows one state.
// Failure: codes only; nothing throws out of an operation.
#pragma once

#include "app/core/CapabilitySet.h"
#include "hostapi/Win32Types.h"

#include <cstdint>
#include <mutex>

class ICanonSettingsCamera {
public:
  virtual ~ICanonSettingsCamera() = default;

  virtual std::recursive_mutex& CallMutex() = 0;
  // The model name of the camera's SDK source.
  virtual const char* GetModelName() = 0;
  virtual std::int32_t Connect() = 0;
  virtual std::int32_t DisConnect() = 0;
  virtual bool IsLcdOn() = 0;
  virtual HRESULT LcdOn(std::int32_t) = 0;
  virtual HRESULT LcdOff() = 0;

  virtual HRESULT GetExposure(std::uint32_t* program, std::uint32_t* aperture,
                              std::uint32_t* exposureTime) = 0;
  virtual HRESULT SetExposure(std::uint32_t program, std::uint32_t aperture, std::uint32_t exposureTime) = 0;
  virtual bool IsApertureSettable(std::uint32_t program) = 0;
  virtual bool IsExposureTimeSettable(std::uint32_t program) = 0;
  virtual bool IsExpoBiasSettable(std::uint32_t program) = 0;

  virtual HRESULT GetPropExpoBias(std::uint32_t* value) = 0;
  virtual HRESULT SetPropExpoBias(std::uint32_t value) = 0;
  virtual HRESULT GetPropIsoSpeed(std::uint32_t* code) = 0;
  virtual HRESULT SetPropIsoSpeed(std::uint32_t code) = 0;
  virtual HRESULT GetPropFlash(std::uint32_t* mode) = 0;
  virtual HRESULT SetPropFlash(std::uint32_t mode) = 0;
  virtual HRESULT GetPropWhiteBalance(std::uint32_t* code) = 0;
  virtual HRESULT SetPropWhiteBalance(std::uint32_t code) = 0;
  virtual HRESULT GetPropMetering(std::uint32_t* value) = 0;
  virtual HRESULT SetPropMetering(std::uint32_t value) = 0;
  // A position in the camera's resolution set; -1 when unknown.
  virtual HRESULT GetPropResolution(std::int32_t* index) = 0;
  virtual HRESULT SetPropResolution(std::int32_t index) = 0;
  virtual HRESULT GetPropOpticalZoom(std::int32_t* position, double* factor) = 0;
  virtual HRESULT SetPropOpticalZoom(std::int32_t position, std::int32_t* actual, double* factor) = 0;
  virtual HRESULT GetPropAFDistance(std::uint32_t* value) = 0;
  virtual HRESULT SetPropAFDistance(std::uint32_t value) = 0;
};
