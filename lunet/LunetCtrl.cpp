#include "lunet/LunetCtrl.h"

#include "lunet/LunetFactory.h"
#include "lunet/LunetIds.h"
#include "lunet/LunetStrings.h"
#include "platform/com/OleDate.h"
#include "vantic/Vantic.h"

#include <algorithm>
#include <ctime>

using tarsel::com::Variant;
using tarsel::lunet::LunetCamera;
using tarsel::lunet::LunetRaise;
using tarsel::lunet::MemberInfo;
using tarsel::lunet::MemberKind;

namespace {

// A call the interface cannot take (wrong argument type or count): the
// dispatch result itself, no exception information.
struct DispatchRefusal {
  HRESULT hr;
};

// An access the interface does not support: an exception with only an scode.
struct NotSupported {
  HRESULT scode;
};

// The version written with the persisted properties (1.0).
constexpr long kPersistVersion = 0x00010000;

std::int32_t longOf(const Variant& v) {
  std::int32_t value = 0;
  if (FAILED(v.asLong(value)))
    throw DispatchRefusal{DISP_E_TYPEMISMATCH};
  return value;
}

std::string textOf(const Variant& v) {
  std::string value;
  if (FAILED(v.asText(value)))
    throw DispatchRefusal{DISP_E_TYPEMISMATCH};
  return value;
}

void store(Variant& out, std::int32_t value) {
  if (FAILED(out.storeLong(value)))
    throw DispatchRefusal{DISP_E_TYPEMISMATCH};
}

void store(Variant& out, std::string value) {
  if (FAILED(out.storeText(std::move(value))))
    throw DispatchRefusal{DISP_E_TYPEMISMATCH};
}

// Whether an argument can take what the member's parameter type asks for:
// "out" parameters must be references of their type (or to a variant).
bool fits(VARTYPE param, const Variant& arg) {
  if ((param & VT_BYREF) == 0)
    return true;
  return arg.type() == param || arg.type() == (VT_BYREF | VT_VARIANT);
}

// Seconds since 1970 (camera clock, local time) as a DATE.
DATE dateOfCameraTime(int seconds) {
  const std::time_t t = seconds;
  std::tm local{};
  if (::localtime_r(&t, &local) == nullptr)
    throw LunetRaise{CAM_OUT_OF_RANGE};
  return tarsel::com::DateFromFields(local).value_or(0.0);
}

int cameraTimeOfDate(DATE date) {
  auto fields = tarsel::com::FieldsFromDate(date);
  if (!fields)
    throw LunetRaise{CAM_OUT_OF_RANGE};
  fields->tm_isdst = -1;
  const std::time_t t = std::mktime(&*fields);
  if (t < 0 || t > INT32_MAX)
    throw LunetRaise{CAM_OUT_OF_RANGE};
  return static_cast<int>(t);
}

std::vector<std::uint8_t> bytesOfTag(const CamPictureInfoTag& tag) {
  auto bytes = tarsel::lunet::bytesOfWords(tag.head);
  bytes.insert(bytes.end(), tag.text, tag.text + sizeof tag.text);
  const auto tail = tarsel::lunet::bytesOfWords(tag.tail);
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  return bytes;
}

std::vector<std::uint8_t> bytesOfFolder(const CamFolderInfo& info) {
  std::vector<std::uint8_t> bytes(info.name, info.name + sizeof info.name);
  const std::int32_t words[] = {info.zero, info.word8, info.word12};
  const auto tail = tarsel::lunet::bytesOfWords(words);
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  return bytes;
}

std::vector<std::uint8_t> bytesOfMemory(const CamMemoryInfo& info) {
  auto bytes = tarsel::lunet::bytesOfWords(std::span(&info.cardType, 1));
  bytes.insert(bytes.end(), info.text1, info.text1 + sizeof info.text1);
  bytes.insert(bytes.end(), info.text2, info.text2 + sizeof info.text2);
  const auto tail = tarsel::lunet::bytesOfWords(info.words);
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  return bytes;
}

} // namespace

CLunetCtrl* CLunetCtrl::create(tarsel::lunet::LunetTimings timings) {
  return new CLunetCtrl(timings);
}

CLunetCtrl::CLunetCtrl(tarsel::lunet::LunetTimings timings)
    : m_refs(tarsel::lunet::lunetModuleCount()), m_camera(timings),
      m_events(*static_cast<IDispatch*>(this), tarsel::lunet::DIID_DLunetEvents) {
  m_camera.onProgress = [this](short percent) { fireProgress(percent); };
}

CLunetCtrl::~CLunetCtrl() {
  m_events.UnadviseAll();
}

HRESULT CLunetCtrl::QueryInterface(const IID& iid, void** object) {
  if (object == nullptr)
    return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == tarsel::lunet::DIID_DLunet)
    *object = static_cast<IDispatch*>(this);
  else if (iid == IID_IConnectionPointContainer)
    *object = static_cast<IConnectionPointContainer*>(this);
  else if (iid == IID_IPersistPropertyBag)
    *object = static_cast<IPersistPropertyBag*>(this);
  else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG CLunetCtrl::AddRef() {
  return m_refs.addRef();
}

ULONG CLunetCtrl::Release() {
  const ULONG count = m_refs.release();
  if (count == 0)
    delete this;
  return count;
}

HRESULT CLunetCtrl::GetIDsOfNames(std::string_view name, DISPID* id) {
  if (id == nullptr)
    return E_POINTER;
  const MemberInfo* member = tarsel::lunet::findLunetMember(name);
  if (member == nullptr)
    return DISP_E_UNKNOWNNAME;
  *id = member->id;
  return S_OK;
}

HRESULT CLunetCtrl::Invoke(DISPID id, WORD flags, std::span<Variant> args, Variant* result,
                           EXCEPINFO* excepInfo) {
  const MemberInfo* member = tarsel::lunet::findLunetMember(id);
  if (member == nullptr)
    return DISP_E_MEMBERNOTFOUND;
  try {
    std::lock_guard guard(LunetCamera::lock());
    Variant out;
    if (member->kind == MemberKind::Property) {
      if ((flags & DISPATCH_PROPERTYPUT) != 0) {
        if (args.size() != 1)
          return DISP_E_BADPARAMCOUNT;
        if (!member->canSet)
          throw NotSupported{CTL_E_SETNOTSUPPORTED};
        putProperty(id, args[0]);
      } else if ((flags & DISPATCH_PROPERTYGET) != 0) {
        if (!args.empty())
          return DISP_E_BADPARAMCOUNT;
        if (!member->canGet)
          throw NotSupported{CTL_E_GETNOTSUPPORTED};
        out = getProperty(id);
      } else {
        return DISP_E_MEMBERNOTFOUND;
      }
    } else {
      if ((flags & DISPATCH_METHOD) == 0)
        return DISP_E_MEMBERNOTFOUND;
      if (args.size() != static_cast<std::size_t>(member->paramCount))
        return DISP_E_BADPARAMCOUNT;
      for (std::size_t i = 0; i < args.size(); ++i) {
        if (!fits(member->params[i], args[i]))
          return DISP_E_TYPEMISMATCH;
      }
      out = callMethod(id, args);
    }
    if (result != nullptr)
      *result = std::move(out);
    return S_OK;
  } catch (const LunetRaise& raise) {
    if (excepInfo != nullptr) {
      *excepInfo = EXCEPINFO{};
      excepInfo->wCode = static_cast<WORD>(raise.code);
      excepInfo->bstrSource = tarsel::lunet::kLunetSource;
      excepInfo->bstrDescription = tarsel::lunet::kLunetFailureText;
    }
    return DISP_E_EXCEPTION;
  } catch (const NotSupported& refused) {
    if (excepInfo != nullptr) {
      *excepInfo = EXCEPINFO{};
      excepInfo->scode = refused.scode;
      excepInfo->bstrSource = tarsel::lunet::kLunetSource;
    }
    return DISP_E_EXCEPTION;
  } catch (const DispatchRefusal& refusal) {
    return refusal.hr;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

Variant CLunetCtrl::getProperty(DISPID id) {
  LunetCamera& c = m_camera;
  const int picture = static_cast<int>(c.propCurrentPicture);
  auto plain = [&](int value) { return Variant::fromLong(static_cast<std::int32_t>(c.plain(value))); };
  switch (id) {
  case 1:
    return Variant::fromLong(static_cast<std::int32_t>(c.propSpeed));
  case 2:
    return Variant::fromLong(static_cast<std::int32_t>(c.propPort));
  case 3:
    return Variant::fromLong(static_cast<std::int32_t>(c.propCancel));
  case 4: {
    std::int32_t words[2] = {};
    c.check(Cam_get_focal_length(words));
    return Variant::fromLong(words[0]);
  }
  case 5:
    return plain(Cam_get_special_function());
  case 6:
    return plain(Cam_get_flash_mode());
  case 7:
    return plain(Cam_get_resolution());
  case 9: {
    char text[32];
    c.check(Cam_get_id(text));
    return Variant::fromText(LunetCamera::text(text, sizeof text));
  }
  case 10: {
    const int seconds = Cam_get_time_value();
    return Variant::fromDate(dateOfCameraTime(static_cast<int>(c.plain(seconds == -1 ? 0 : seconds))));
  }
  case 11: {
    char text[9];
    c.check(Cam_get_folder_name(text, static_cast<int>(c.propFolderNo)));
    return Variant::fromText(LunetCamera::text(text, sizeof text));
  }
  case 12:
    return plain(Cam_get_lcd_brightness());
  case 13: {
    char text[64];
    c.check(Cam_get_cam_type(text));
    return Variant::fromText(LunetCamera::text(text, sizeof text));
  }
  case 14: {
    char text[13];
    c.check(Cam_get_picture_file_name(text, picture));
    return Variant::fromText(LunetCamera::text(text, sizeof text));
  }
  case 15:
    return plain(Cam_get_folder_number());
  case 16:
    return plain(Cam_get_free_mem());
  case 17:
    return plain(Cam_get_thumbnail_size(picture));
  case 18:
    return plain(Cam_get_picture_count());
  case 19:
    return plain(Cam_get_picture_size(picture));
  case 20:
  case 21: {
    std::int16_t camera = 0;
    std::int16_t host = 0;
    c.check(Cam_get_pwr_down(&camera, &host));
    return Variant::fromLong(id == 20 ? camera : host);
  }
  case 22:
    return plain(Cam_get_lcd_power_down());
  case 23:
    return plain(Cam_get_protect_mode(picture));
  case 24:
    return plain(Cam_get_remaining_count());
  case 25:
    return plain(Cam_get_lcd_date_format());
  case 26:
    return Variant::fromBool(Cam_ready() != 0);
  case 29:
    return plain(Cam_get_light_source());
  case 30: {
    std::int32_t words[2] = {};
    c.check(Cam_get_exposure_bias(words));
    return Variant::fromLong(words[0]);
  }
  case 31:
    return plain(Cam_get_metering_mode());
  case 32:
    return plain(Cam_get_iso_speed_ratings());
  case 33:
    return plain(Cam_get_focus());
  case 34:
    return plain(Cam_get_manual_focus());
  default:
    throw NotSupported{CTL_E_GETNOTSUPPORTED};
  }
}

void CLunetCtrl::putProperty(DISPID id, const Variant& value) {
  LunetCamera& c = m_camera;
  const int picture = static_cast<int>(c.propCurrentPicture);
  switch (id) {
  case 1:
    c.propSpeed = longOf(value);
    m_modified = true;
    return;
  case 2:
    c.propPort = longOf(value);
    m_modified = true;
    return;
  case 3:
    c.propCancel = longOf(value);
    m_modified = true;
    return;
  case 27:
    c.propCurrentPicture = longOf(value);
    m_modified = true;
    return;
  case 28:
    c.propFolderNo = longOf(value);
    m_modified = true;
    return;
  case 4: {
    const std::int32_t words[2] = {longOf(value), 10};
    return c.check(Cam_set_focal_length(words));
  }
  case 5:
    return c.check(Cam_set_special_function(longOf(value)));
  case 6:
    return c.check(Cam_set_flash_mode(longOf(value)));
  case 7:
    return c.check(Cam_set_resolution(longOf(value)));
  case 8:
    return c.check(Cam_set_timer_led(longOf(value)));
  case 9: {
    // The camera takes fewer than 32 characters.
    const std::string id31 = textOf(value).substr(0, 31);
    return c.check(Cam_set_id(id31.c_str()));
  }
  case 10: {
    DATE date = 0;
    if (FAILED(value.asDate(date)))
      throw DispatchRefusal{DISP_E_TYPEMISMATCH};
    return c.check(Cam_set_time(cameraTimeOfDate(date)));
  }
  case 11:
    return c.check(Cam_set_folder_name(textOf(value).c_str()));
  case 12:
    return c.check(Cam_set_lcd_brightness(longOf(value)));
  case 20:
  case 21: {
    const std::int32_t v = longOf(value);
    // Both values are written together: the one not changed is read first,
    // and nothing is written when that read fails.
    std::int16_t camera = 0;
    std::int16_t host = 0;
    c.raiseIf(Cam_get_pwr_down(&camera, &host));
    return c.check(id == 20 ? Cam_set_pwr_down(v, host) : Cam_set_pwr_down(camera, v));
  }
  case 22:
    return c.check(Cam_set_lcd_power_down(longOf(value)));
  case 23:
    return c.check(Cam_protect_picture(longOf(value), picture));
  case 25:
    return c.check(Cam_set_lcd_date_format(longOf(value)));
  case 29:
    return c.check(Cam_set_light_source(longOf(value)));
  case 30: {
    const std::int32_t v = longOf(value);
    // The pair's second word is the camera's: read it, change only the first.
    std::int32_t words[2] = {};
    c.raiseIf(Cam_get_exposure_bias(words));
    words[0] = v;
    return c.check(Cam_set_exposure_bias(words));
  }
  case 31:
    return c.check(Cam_set_metering_mode(longOf(value)));
  case 32:
    return c.check(Cam_set_iso_speed_ratings(longOf(value)));
  case 33:
    return c.check(Cam_set_focus(longOf(value)));
  case 34:
    return c.check(Cam_set_manual_focus(longOf(value)));
  default:
    throw NotSupported{CTL_E_SETNOTSUPPORTED};
  }
}

Variant CLunetCtrl::callMethod(DISPID id, std::span<Variant> a) {
  LunetCamera& c = m_camera;
  const int picture = static_cast<int>(c.propCurrentPicture);
  switch (id) {
  case 35:
    return Variant::fromLong(static_cast<std::int32_t>(c.connect()));
  case 36:
    return Variant::fromLong(static_cast<std::int32_t>(c.disconnect()));
  case 37:
    c.check(Cam_take_pic());
    break;
  case 38:
    c.check(Cam_control_lcd(longOf(a[0]), 0));
    break;
  case 39:
    c.check(Cam_erase_all());
    break;
  case 40:
    c.check(Cam_erase_last());
    break;
  case 41:
  case 60: {
    if (id == 60)
      LunetCamera::requireArray(a[0], sizeof(CamMemoryInfo));
    CamMemoryInfo info{};
    c.check(Cam_get_memory_info(&info));
    if (id == 60) {
      LunetCamera::toArray(bytesOfMemory(info), a[0]);
      break;
    }
    store(a[0], info.cardType);
    store(a[1], info.words[1]);
    break;
  }
  case 42:
  case 43: {
    if (id == 42)
      LunetCamera::requireArray(a[0], 32);
    std::int32_t w[8] = {};
    c.check(Cam_get_picture_info(picture, w));
    if (id == 42) {
      LunetCamera::toArray(tarsel::lunet::bytesOfWords(w), a[0]);
      break;
    }
    for (const int i : {0, 1, 3, 4})
      store(a[i < 3 ? static_cast<std::size_t>(i) : static_cast<std::size_t>(i - 1)], w[i]);
    break;
  }
  case 44:
  case 64: {
    if (id == 44)
      LunetCamera::requireArray(a[0], 76);
    CamPictureInfoTag tag{};
    c.check(Cam_get_picture_info_tag(picture, &tag));
    if (id == 44) {
      LunetCamera::toArray(bytesOfTag(tag), a[0]);
      break;
    }
    const std::int32_t words[] = {tag.head[0], tag.head[1], tag.head[3], 0,          tag.tail[0],
                                  tag.tail[4], tag.tail[5], tag.tail[6], tag.tail[7]};
    for (std::size_t i = 0; i < 9; ++i) {
      if (i == 3)
        store(a[i], LunetCamera::text(tag.text, sizeof tag.text));
      else
        store(a[i], words[i]);
    }
    break;
  }
  case 45:
    c.download(LunetCamera::Download::Thumbnail, longOf(a[0]), a[1]);
    break;
  case 46:
    c.download(LunetCamera::Download::Picture, longOf(a[0]), a[1]);
    break;
  case 47:
    c.upload(longOf(a[0]), a[1]);
    break;
  case 48:
  case 49:
  case 58:
  case 59: {
    const bool toArray = id == 48 || id == 58;
    if (toArray)
      LunetCamera::requireArray(a[0], 32);
    std::int32_t w[8] = {};
    c.check(id <= 49 ? Cam_get_take_picture_info(w) : Cam_get_current_setting(w));
    if (toArray) {
      LunetCamera::toArray(tarsel::lunet::bytesOfWords(w), a[0]);
      break;
    }
    static constexpr int kCaptureWords[] = {0, 1, 2, 6, 7};
    static constexpr int kCameraWords[] = {0, 1, 5, 6, 4}; // resolution, flash, counts, battery
    const int* picked = id == 49 ? kCaptureWords : kCameraWords;
    for (std::size_t i = 0; i < 5; ++i)
      store(a[i], w[picked[i]]);
    break;
  }
  case 50: {
    const auto w = tarsel::lunet::wordsOfBytes(LunetCamera::fromArray(a[0], 32));
    c.check(Cam_set_take_picture_info(w.data()));
    break;
  }
  case 51: {
    // Words the caller does not give keep the camera's values.
    std::int32_t w[8] = {};
    const std::int32_t given[] = {longOf(a[0]), longOf(a[1]), longOf(a[2])};
    c.raiseIf(Cam_get_take_picture_info(w));
    std::copy(std::begin(given), std::end(given), w);
    c.check(Cam_set_take_picture_info(w));
    break;
  }
  case 52:
  case 53: {
    if (id == 52)
      LunetCamera::requireArray(a[0], 20);
    CamFolderInfo info{};
    c.check(Cam_get_folder_info(static_cast<int>(c.propFolderNo), &info));
    if (id == 52) {
      LunetCamera::toArray(bytesOfFolder(info), a[0]);
      break;
    }
    store(a[0], LunetCamera::text(info.name, sizeof info.name));
    store(a[1], info.word8);
    store(a[2], info.word12);
    break;
  }
  case 54: {
    const auto w = tarsel::lunet::wordsOfBytes(LunetCamera::fromArray(a[0], 20));
    c.check(Cam_set_exposure_mode(w.data()));
    break;
  }
  case 55: {
    std::int32_t w[5] = {};
    const std::int32_t mode = longOf(a[0]);
    const std::int32_t aperture = longOf(a[1]);
    const std::int32_t time = longOf(a[2]);
    c.raiseIf(Cam_get_exposure_mode(w));
    w[0] = mode;
    w[1] = aperture;
    w[3] = time;
    c.check(Cam_set_exposure_mode(w));
    break;
  }
  case 56:
  case 57: {
    if (id == 56)
      LunetCamera::requireArray(a[0], 20);
    std::int32_t w[5] = {};
    c.check(Cam_get_exposure_mode(w));
    if (id == 56) {
      LunetCamera::toArray(tarsel::lunet::bytesOfWords(w), a[0]);
      break;
    }
    store(a[0], w[0]);
    store(a[1], w[1]);
    store(a[2], w[3]);
    break;
  }
  case 61:
    c.check(Cam_take_preview());
    break;
  case 62:
    if (c.propCurrentPicture != 0) {
      c.lastResult = tarsel::lunet::kWrongPreviewNumber;
      throw LunetRaise{tarsel::lunet::kWrongPreviewNumber};
    }
    c.download(LunetCamera::Download::Preview, longOf(a[0]), a[1]);
    break;
  case 63:
    c.check(Cam_erase_select(picture));
    break;
  default:
    throw DispatchRefusal{DISP_E_MEMBERNOTFOUND};
  }
  return {};
}

void CLunetCtrl::fireProgress(short percent) {
  Variant args[] = {Variant::fromShort(percent)};
  m_events.Fire(tarsel::lunet::kProgressEventId, args);
}

HRESULT CLunetCtrl::FindConnectionPoint(const IID& iid, IConnectionPoint** point) {
  if (point == nullptr)
    return E_POINTER;
  if (iid != tarsel::lunet::DIID_DLunetEvents) {
    *point = nullptr;
    return CONNECT_E_NOCONNECTION;
  }
  *point = &m_events;
  m_events.AddRef();
  return S_OK;
}

HRESULT CLunetCtrl::InitNew() {
  std::lock_guard guard(LunetCamera::lock());
  m_camera.propPort = 0;
  m_camera.propSpeed = 0;
  return S_OK;
}

HRESULT CLunetCtrl::Load(IPropertyBag* bag) {
  if (bag == nullptr)
    return E_POINTER;
  try {
    std::lock_guard guard(LunetCamera::lock());
    auto read = [&](const char* name) {
      Variant value;
      std::int32_t number = 0;
      if (FAILED(bag->Read(name, &value)) || FAILED(value.asLong(number)))
        return 0; // the default
      return number;
    };
    m_camera.propPort = read("propPort");
    m_camera.propSpeed = read("propSpeed");
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT CLunetCtrl::Save(IPropertyBag* bag, BOOL clearDirty, BOOL) {
  if (bag == nullptr)
    return E_POINTER;
  try {
    std::lock_guard guard(LunetCamera::lock());
    HRESULT hr = bag->Write("_Version", Variant::fromLong(kPersistVersion));
    if (SUCCEEDED(hr))
      hr = bag->Write("propPort", Variant::fromLong(static_cast<std::int32_t>(m_camera.propPort)));
    if (SUCCEEDED(hr))
      hr = bag->Write("propSpeed", Variant::fromLong(static_cast<std::int32_t>(m_camera.propSpeed)));
    if (SUCCEEDED(hr) && clearDirty)
      m_modified = false;
    return hr;
  } catch (...) {
    return E_UNEXPECTED;
  }
}
