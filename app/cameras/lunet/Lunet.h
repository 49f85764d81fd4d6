// The program's proxy of the Lunet control: every operation is one late-bound
// call of the control's dispatch interface by member identifier (a property
// read, a property write or a method call) with fixed argument types. The
// control is made by its class through the component layer; the family never
// links the control's library and takes only its identifiers.
//
// Byte arrays: the caller asks for `size` bytes; the proxy hands the control
// an array of that many bytes and returns what the array holds afterwards,
// by the array's own length (a control that shrinks the array cannot make
// the proxy read past it).
//
// Threads: the control serialises its members under one process-wide lock,
// so the proxy may be called from any thread; each camera still serialises
// its own calls under its camera lock (see LunetCall.h), the camera lock
// always taken first.
//
// Failure: a member that raises throws CLunetDispatchError with the control's
// 16-bit code; any other failure of the call (no such member, wrong types)
// throws _brantel_take_error with the layer's result code, and a call before
// the control was made 0x81031002.
#pragma once

#include "hostapi/Win32Types.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

class IDispatch;
namespace tarsel::com {
class Variant;
}

// What a control member raised: the control's own 16-bit code.
class CLunetDispatchError {
public:
  explicit CLunetDispatchError(WORD code) : m_code(code) {}
  WORD Code() const { return m_code; }

private:
  WORD m_code;
};

class CLunet {
public:
  // The bytes of a picture's tag record.
  static constexpr std::size_t kPicTagSize = 76;

  CLunet() = default;
  ~CLunet();
  CLunet(const CLunet&) = delete;
  CLunet& operator=(const CLunet&) = delete;

  // Makes the control (its class by identifier, started with no persisted
  // state). The control has no window of its own in this layer: the parent
  // window, style and rectangle of the control-hosting call are accepted and
  // not used. True on success; the control made before (if any) is kept.
  bool Create(HWND parent, UINT controlId);
  bool IsCreated() const { return m_control != nullptr; }
  // Releases the control.
  void DestroyWindow() noexcept;

  void SetPropPort(std::int32_t port);
  std::int32_t GetPropOpticalZoom();
  void SetPropOpticalZoom(std::int32_t position);
  std::int32_t GetPropElectricZoom();
  void SetPropElectricZoom(std::int32_t value);
  std::int32_t GetPropFlash();
  void SetPropFlash(std::int32_t value);
  std::int32_t GetPropResolution();
  void SetPropResolution(std::int32_t value);
  std::string GetPropCameraID();
  void SetPropCameraID(const char* text);
  // The camera clock as a DATE (days since 30 December 1899).
  double GetPropCameraTime();
  void SetPropCameraTime(double time);
  std::int32_t GetPropLCDBrightness();
  void SetPropLCDBrightness(std::int32_t value);
  std::string GetPropCameraType();
  std::string GetPropFileName();
  std::int32_t GetPropPicCount();
  std::int32_t GetPropPicSize();
  std::int32_t GetPropProtect();
  void SetPropProtect(std::int32_t on);
  // The control's BOOL: VARIANT_TRUE (-1) or VARIANT_FALSE.
  std::int32_t GetPropCameraReady();
  void SetPropCurrentPicture(std::int32_t index);
  void SetPropWhiteBalance(std::int32_t value);
  void SetPropExpoBias(std::int32_t value);
  void SetPropMetering(std::int32_t value);
  void SetPropIsoSpeed(std::int32_t value);
  std::int32_t GetPropFocusMode();
  void SetPropFocusMode(std::int32_t mode);
  std::int32_t GetPropFocusPosition();
  void SetPropFocusPosition(std::int32_t position);
  // 0 on success, else the camera library's result.
  std::int32_t Connect();
  std::int32_t DisConnect();
  void Capture();
  void SetLcdMode(std::int32_t mode);
  void EraseLast();
  void GetMemoryPropVB(std::int32_t* cardType, std::int32_t* memoryFree);
  std::vector<std::uint8_t> GetPicTagProp();
  std::vector<std::uint8_t> GetPicture(std::int32_t size);
  void SetExposurePropVB(std::int32_t mode, std::int32_t aperture, std::int32_t exposureTime);
  void GetExposurePropVB(std::int32_t* mode, std::int32_t* aperture, std::int32_t* exposureTime);
  void GetCameraPropVB(std::int32_t* resolution, std::int32_t* flash, std::int32_t* picCount,
                       std::int32_t* remainCount, std::int32_t* batteryStatus);
  void Preview();
  std::vector<std::uint8_t> GetPreview(std::int32_t size);
  void ErasePicture();

private:
  void Invoke(std::int32_t id, WORD kind, tarsel::com::Variant* args, std::size_t count,
              tarsel::com::Variant* result);
  std::int32_t GetLong(std::int32_t id);
  void PutLong(std::int32_t id, std::int32_t value);
  std::string GetText(std::int32_t id);
  std::int32_t CallLong(std::int32_t id);
  void CallVoid(std::int32_t id);
  void CallLongs(std::int32_t id, std::initializer_list<std::int32_t*> outs);
  std::vector<std::uint8_t> FillBytes(std::int32_t id, std::int32_t size, bool passSize);

  IDispatch* m_control = nullptr;
};
