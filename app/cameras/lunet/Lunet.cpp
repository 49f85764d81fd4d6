#include "app/cameras/lunet/Lunet.h"

#include "env/BrantelTakeError.h"
#include "lunet/LunetIds.h"
#include "platform/com/ComLibrary.h"
#include "platform/com/Dispatch.h"
#include "platform/com/PersistPropertyBag.h"
#include "platform/com/Variant.h"

#include <algorithm>
#include <array>
#include <memory>

using tarsel::com::ByteArray;
using tarsel::com::Variant;

namespace {

// The control's dispatch identifiers the proxy uses.
enum LunetId : std::int32_t {
  kPort = 2,
  kOpticalZoom = 4,
  kElectricZoom = 5,
  kFlash = 6,
  kResolution = 7,
  kCameraID = 9,
  kCameraTime = 10,
  kLCDBrightness = 12,
  kCameraType = 13,
  kFileName = 14,
  kPicCount = 18,
  kPicSize = 19,
  kProtect = 23,
  kCameraReady = 26,
  kCurrentPicture = 27,
  kWhiteBalance = 29,
  kExpoBias = 30,
  kMetering = 31,
  kIsoSpeed = 32,
  kFocusMode = 33,
  kFocusPosition = 34,
  kConnect = 35,
  kDisConnect = 36,
  kCapture = 37,
  kSetLcdMode = 38,
  kEraseLast = 40,
  kGetMemoryPropVB = 41,
  kGetPicTagProp = 44,
  kGetPicture = 46,
  kSetExposurePropVB = 55,
  kGetExposurePropVB = 57,
  kGetCameraPropVB = 59,
  kPreview = 61,
  kGetPreview = 62,
  kErasePicture = 63,
};

constexpr HRESULT kNotCreated = static_cast<HRESULT>(0x81031002u);

void ThrowIfNotOk(HRESULT result) {
  if (FAILED(result))
    throw _brantel_take_error(result);
}

} // namespace

CLunet::~CLunet() {
  DestroyWindow();
}

bool CLunet::Create(HWND, UINT) {
  if (m_control)
    return true;
  IDispatch* control = nullptr;
  if (FAILED(CoCreateInstance(tarsel::lunet::CLSID_LunetCtrl, nullptr, IID_IDispatch,
                              reinterpret_cast<void**>(&control))) ||
      !control)
    return false;
  // No persisted state: the control starts from its defaults.
  IPersistPropertyBag* persist = nullptr;
  if (SUCCEEDED(control->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&persist))) &&
      persist) {
    const HRESULT started = persist->InitNew();
    persist->Release();
    if (FAILED(started)) {
      control->Release();
      return false;
    }
  }
  m_control = control;
  return true;
}

void CLunet::DestroyWindow() noexcept {
  IDispatch* const control = m_control;
  m_control = nullptr;
  if (control)
    control->Release();
}

void CLunet::Invoke(std::int32_t id, WORD kind, Variant* args, std::size_t count, Variant* result) {
  // A camera whose control could not be made has nothing to call.
  if (!m_control)
    throw _brantel_take_error(kNotCreated);
  EXCEPINFO exception;
  const HRESULT outcome = m_control->Invoke(id, kind, std::span<Variant>(args, count), result, &exception);
  if (outcome == DISP_E_EXCEPTION) {
    const WORD code = exception.wCode != 0 ? exception.wCode
                                           : static_cast<WORD>(static_cast<DWORD>(exception.scode) & 0xFFFFu);
    throw CLunetDispatchError(code);
  }
  ThrowIfNotOk(outcome);
}

std::int32_t CLunet::GetLong(std::int32_t id) {
  Variant result;
  Invoke(id, DISPATCH_PROPERTYGET, nullptr, 0, &result);
  std::int32_t value = 0;
  ThrowIfNotOk(result.asLong(value));
  return value;
}

void CLunet::PutLong(std::int32_t id, std::int32_t value) {
  Variant arg = Variant::fromLong(value);
  Invoke(id, DISPATCH_PROPERTYPUT, &arg, 1, nullptr);
}

std::string CLunet::GetText(std::int32_t id) {
  Variant result;
  Invoke(id, DISPATCH_PROPERTYGET, nullptr, 0, &result);
  std::string text;
  ThrowIfNotOk(result.asText(text));
  // The narrow text ends at its first NUL, as a C string would.
  text.resize(std::min(text.size(), text.find('\0')));
  return text;
}

std::int32_t CLunet::CallLong(std::int32_t id) {
  Variant result;
  Invoke(id, DISPATCH_METHOD, nullptr, 0, &result);
  std::int32_t value = 0;
  ThrowIfNotOk(result.asLong(value));
  return value;
}

void CLunet::CallVoid(std::int32_t id) {
  Invoke(id, DISPATCH_METHOD, nullptr, 0, nullptr);
}

void CLunet::CallLongs(std::int32_t id, std::initializer_list<std::int32_t*> outs) {
  std::array<std::int32_t, 5> values{};
  std::array<Variant, 5> args;
  const std::size_t count = std::min(outs.size(), values.size());
  for (std::size_t i = 0; i < count; ++i)
    args[i] = Variant::refLong(&values[i]);
  Invoke(id, DISPATCH_METHOD, args.data(), count, nullptr);
  std::size_t i = 0;
  for (std::int32_t* out : outs) {
    if (i < count && out)
      *out = values[i];
    ++i;
  }
}

std::vector<std::uint8_t> CLunet::FillBytes(std::int32_t id, std::int32_t size, bool passSize) {
  if (size < 0)
    throw _brantel_take_error(E_INVALIDARG);
  auto array = std::make_shared<ByteArray>(static_cast<std::size_t>(size));
  Variant buffer = Variant::fromArray(array);
  std::array<Variant, 2> args;
  std::size_t count = 0;
  if (passSize)
    args[count++] = Variant::fromLong(size);
  args[count++] = Variant::refVariant(&buffer);
  Invoke(id, DISPATCH_METHOD, args.data(), count, nullptr);
  // The control may have put another array into the variant.
  const std::shared_ptr<ByteArray> filled = buffer.target().array();
  if (!filled || !filled->hasData())
    return {};
  const ByteArray::Access access(*filled);
  const auto bytes = access.bytes();
  const std::size_t length = std::min(bytes.size(), static_cast<std::size_t>(size));
  return std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
}

void CLunet::SetPropPort(std::int32_t port) {
  PutLong(kPort, port);
}

std::int32_t CLunet::GetPropOpticalZoom() {
  return GetLong(kOpticalZoom);
}

void CLunet::SetPropOpticalZoom(std::int32_t position) {
  PutLong(kOpticalZoom, position);
}

std::int32_t CLunet::GetPropElectricZoom() {
  return GetLong(kElectricZoom);
}

void CLunet::SetPropElectricZoom(std::int32_t value) {
  PutLong(kElectricZoom, value);
}

std::int32_t CLunet::GetPropFlash() {
  return GetLong(kFlash);
}

void CLunet::SetPropFlash(std::int32_t value) {
  PutLong(kFlash, value);
}

std::int32_t CLunet::GetPropResolution() {
  return GetLong(kResolution);
}

void CLunet::SetPropResolution(std::int32_t value) {
  PutLong(kResolution, value);
}

std::string CLunet::GetPropCameraID() {
  return GetText(kCameraID);
}

void CLunet::SetPropCameraID(const char* text) {
  Variant arg = Variant::fromText(text ? text : "");
  Invoke(kCameraID, DISPATCH_PROPERTYPUT, &arg, 1, nullptr);
}

double CLunet::GetPropCameraTime() {
  Variant result;
  Invoke(kCameraTime, DISPATCH_PROPERTYGET, nullptr, 0, &result);
  DATE time = 0;
  ThrowIfNotOk(result.asDate(time));
  return time;
}

void CLunet::SetPropCameraTime(double time) {
  Variant arg = Variant::fromDate(time);
  Invoke(kCameraTime, DISPATCH_PROPERTYPUT, &arg, 1, nullptr);
}

std::int32_t CLunet::GetPropLCDBrightness() {
  return GetLong(kLCDBrightness);
}

void CLunet::SetPropLCDBrightness(std::int32_t value) {
  PutLong(kLCDBrightness, value);
}

std::string CLunet::GetPropCameraType() {
  return GetText(kCameraType);
}

std::string CLunet::GetPropFileName() {
  return GetText(kFileName);
}

std::int32_t CLunet::GetPropPicCount() {
  return GetLong(kPicCount);
}

std::int32_t CLunet::GetPropPicSize() {
  return GetLong(kPicSize);
}

std::int32_t CLunet::GetPropProtect() {
  return GetLong(kProtect);
}

void CLunet::SetPropProtect(std::int32_t on) {
  PutLong(kProtect, on);
}

std::int32_t CLunet::GetPropCameraReady() {
  return GetLong(kCameraReady);
}

void CLunet::SetPropCurrentPicture(std::int32_t index) {
  PutLong(kCurrentPicture, index);
}

void CLunet::SetPropWhiteBalance(std::int32_t value) {
  PutLong(kWhiteBalance, value);
}

void CLunet::SetPropExpoBias(std::int32_t value) {
  PutLong(kExpoBias, value);
}

void CLunet::SetPropMetering(std::int32_t value) {
  PutLong(kMetering, value);
}

void CLunet::SetPropIsoSpeed(std::int32_t value) {
  PutLong(kIsoSpeed, value);
}

std::int32_t CLunet::GetPropFocusMode() {
  return GetLong(kFocusMode);
}

void CLunet::SetPropFocusMode(std::int32_t mode) {
  PutLong(kFocusMode, mode);
}

std::int32_t CLunet::GetPropFocusPosition() {
  return GetLong(kFocusPosition);
}

void CLunet::SetPropFocusPosition(std::int32_t position) {
  PutLong(kFocusPosition, position);
}

std::int32_t CLunet::Connect() {
  return CallLong(kConnect);
}

std::int32_t CLunet::DisConnect() {
  return CallLong(kDisConnect);
}

void CLunet::Capture() {
  CallVoid(kCapture);
}

void CLunet::SetLcdMode(std::int32_t mode) {
  Variant arg = Variant::fromLong(mode);
  Invoke(kSetLcdMode, DISPATCH_METHOD, &arg, 1, nullptr);
}

void CLunet::EraseLast() {
  CallVoid(kEraseLast);
}

void CLunet::GetMemoryPropVB(std::int32_t* cardType, std::int32_t* memoryFree) {
  CallLongs(kGetMemoryPropVB, {cardType, memoryFree});
}

std::vector<std::uint8_t> CLunet::GetPicTagProp() {
  return FillBytes(kGetPicTagProp, static_cast<std::int32_t>(kPicTagSize), false);
}

std::vector<std::uint8_t> CLunet::GetPicture(std::int32_t size) {
  return FillBytes(kGetPicture, size, true);
}

void CLunet::SetExposurePropVB(std::int32_t mode, std::int32_t aperture, std::int32_t exposureTime) {
  std::array<Variant, 3> args{Variant::fromLong(mode), Variant::fromLong(aperture),
                              Variant::fromLong(exposureTime)};
  Invoke(kSetExposurePropVB, DISPATCH_METHOD, args.data(), args.size(), nullptr);
}

void CLunet::GetExposurePropVB(std::int32_t* mode, std::int32_t* aperture, std::int32_t* exposureTime) {
  CallLongs(kGetExposurePropVB, {mode, aperture, exposureTime});
}

void CLunet::GetCameraPropVB(std::int32_t* resolution, std::int32_t* flash, std::int32_t* picCount,
                             std::int32_t* remainCount, std::int32_t* batteryStatus) {
  CallLongs(kGetCameraPropVB, {resolution, flash, picCount, remainCount, batteryStatus});
}

void CLunet::Preview() {
  CallVoid(kPreview);
}

std::vector<std::uint8_t> CLunet::GetPreview(std::int32_t size) {
  return FillBytes(kGetPreview, size, true);
}

void CLunet::ErasePicture() {
  CallVoid(kErasePicture);
}
